#pragma once
// A scripted serial line and a hand-driven clock, for exercising transactions and commands
// without a device. Time only moves when the code under test sleeps or waits for input.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/Ticks.h"
#include "base/Trace.h"
#include "link/SerialPort.h"
#include "link/Transaction.h"
#include "link/WallClock.h"

namespace zelt::testing {

class FakeClock final : public ITickClock {
  public:
    long Now() override {
        const long value = now;
        if (!script.empty()) {  // scripted readings, for clocks that jump
            now = script.front();
            script.pop_front();
        }
        return value;
    }
    void Sleep(int ms) override {
        sleeps.push_back(ms);
        now += ms;
    }
    long now = 1000;
    std::deque<long> script;  // values that now takes after each reading, in turn
    std::vector<int> sleeps;
};

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class FakePort final : public ISerialPort {
  public:
    explicit FakePort(FakeClock& clock) : clock_(clock) {}

    // Called with each Write's bytes; it may queue replies with ReplyAfter.
    std::function<void(FakePort&, const Bytes& request)> onWrite;

    // Queues bytes that arrive delayTicks after now.
    void ReplyAfter(long delayTicks, const Bytes& bytes) {
        arrivals_.push_back({clock_.now + delayTicks, bytes});
    }
    void ReplyAfter(long delayTicks, const std::string& text) {
        ReplyAfter(delayTicks, ToBytes(text));
    }

    int Write(const uint8_t* buffer, int count) override {
        if (!open) {
            return 0;
        }
        Bytes request(buffer, buffer + (count > 0 ? count : 0));
        writes.push_back(request);
        if (onWrite) {
            onWrite(*this, request);
        }
        return count < 1 ? 0 : count;
    }
    int GetBytesWaiting() override {
        Deliver();
        return open ? static_cast<int>(queue_.size()) : 0;
    }
    int Read(uint8_t* buffer, int limit) override {
        Deliver();
        if (!open) {
            return 0;
        }
        int n = 0;
        while (n < limit && !queue_.empty()) {
            buffer[n++] = queue_.front();
            queue_.pop_front();
        }
        return n;
    }
    // Sleeps until new bytes arrive or maxMs pass, like a line that has nothing more to give
    // yet; bytes already queued do not cut the wait short (a partial reply waits for its rest).
    void WaitForInput(int maxMs) override {
        ++waits;
        Deliver();
        if (maxMs <= 0) {
            return;
        }
        long wakeAt = clock_.now + maxMs;
        for (const auto& a : arrivals_) {
            if (a.at > clock_.now && a.at < wakeAt) {
                wakeAt = a.at;
            }
        }
        clock_.now = wakeAt;
        Deliver();
    }
    void SetCommMode(uint16_t mode) override { commMode = mode; }
    bool WentAway() override { return gone; }
    bool Reopen() override {
        ++reopens;
        gone = !pluggedBack;
        return !gone;
    }

    size_t Pending() const { return queue_.size(); }
    // Every written request as text, in order.
    std::vector<std::string> WrittenTexts() const {
        std::vector<std::string> out;
        for (const auto& w : writes) {
            out.emplace_back(w.begin(), w.end());
        }
        return out;
    }

    bool open = true;
    bool gone = false;         // the device hung up
    bool pluggedBack = false;  // and Reopen finds it again
    int reopens = 0;
    uint16_t commMode = 0;
    int waits = 0;
    std::vector<Bytes> writes;

  private:
    struct Arrival {
        long at;
        Bytes bytes;
    };
    void Deliver() {
        for (auto it = arrivals_.begin(); it != arrivals_.end();) {
            if (it->at <= clock_.now) {
                queue_.insert(queue_.end(), it->bytes.begin(), it->bytes.end());
                it = arrivals_.erase(it);
            } else {
                ++it;
            }
        }
    }

    FakeClock& clock_;
    std::deque<uint8_t> queue_;
    std::vector<Arrival> arrivals_;
};

// Clock, port and captured trace in one place.
struct FakeLink {
    FakeClock clock;
    FakePort port{clock};
    CaptureTraceSink trace;
    LinkIo io{port, clock, trace};
};

// Local time that moves with the fake tick clock: base plus the ticks since construction.
class FakeWallClock final : public IWallClock {
  public:
    explicit FakeWallClock(FakeClock& clock) : clock_(clock), origin_(clock.now) {}
    void Set(int hour, int minute, int second, int millisecond) {
        baseMs_ = ((hour * 60L + minute) * 60L + second) * 1000L + millisecond;
        origin_ = clock_.now;
    }
    LocalTime Now() override {
        const long ms = (baseMs_ + (clock_.now - origin_)) % (24L * 3600 * 1000);
        return LocalTime{static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                         static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
    }

  private:
    FakeClock& clock_;
    long origin_;
    long baseMs_ = 12L * 3600 * 1000;
};

}  // namespace zelt::testing
