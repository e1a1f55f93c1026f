#pragma once
// How the link targets read the fuzzer's bytes, and the line that answers with them: a head
// of two bytes, then the reply that the line gives to every request.
//   byte 0, bit 0:    0 = RS232 ASCII framing, 1 = RS485 binary framing
//   byte 0, bits 1-3: when the reply arrives after the request (a few delays, some beyond
//                     every time-out, so that the time-out paths are taken as well)
//   byte 1:           the RS485 device ID the program uses
//   the rest:         the reply

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "base/Ticks.h"
#include "config/MainApp.h"
#include "link/SerialPort.h"
#include "link/WallClock.h"

namespace zelt::fuzzing {

struct LinkInput {
    bool rs232 = true;
    long replyDelayTicks = 0;
    uint8_t deviceId = 250;
    std::vector<uint8_t> reply;

    static LinkInput Parse(const uint8_t* data, size_t size) {
        static constexpr long kDelays[8] = {0, 2, 10, 29, 31, 89, 91, 500};
        LinkInput input;
        if (size >= 1) {
            input.rs232 = (data[0] & 1) == 0;
            input.replyDelayTicks = kDelays[(data[0] >> 1) & 7];
        }
        if (size >= 2) {
            input.deviceId = data[1];
        }
        if (size > 2) {
            input.reply.assign(data + 2, data + size);
        }
        return input;
    }

    uint16_t CommMode() const { return rs232 ? kCommModeRs232 : kCommModeRs485; }
};

// A clock that moves only when the code under test sleeps or waits on the line.
class ManualClock final : public ITickClock {
  public:
    long Now() override { return now; }
    void Sleep(int ms) override { now += ms; }
    long now = 1000;
};

// Local time that starts at noon and moves with the manual clock.
class ManualWallClock final : public IWallClock {
  public:
    explicit ManualWallClock(const ManualClock& clock) : clock_(clock) {}
    LocalTime Now() override {
        const long ms = (12L * 3600 * 1000 + clock_.now) % (24L * 3600 * 1000);
        return LocalTime{static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                         static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
    }

  private:
    const ManualClock& clock_;
};

// Answers every request with the input's reply after its delay. Records nothing, so that a
// run of a million inputs stays fast.
class ReplyLine final : public ISerialPort {
  public:
    ReplyLine(const LinkInput& input, ManualClock& clock) : input_(input), clock_(clock) {}

    int Write(const uint8_t*, int count) override {
        if (!input_.reply.empty()) {
            arrivals_.push_back(clock_.now + input_.replyDelayTicks);
        }
        return count < 1 ? 0 : count;
    }
    int GetBytesWaiting() override {
        Deliver();
        return static_cast<int>(queue_.size());
    }
    int Read(uint8_t* buffer, int limit) override {
        Deliver();
        int n = 0;
        for (; n < limit && !queue_.empty(); ++n) {
            buffer[n] = queue_.front();
            queue_.pop_front();
        }
        return n;
    }
    // Sleeps until the next reply arrives or maxMs pass.
    void WaitForInput(int maxMs) override {
        long wakeAt = clock_.now + (maxMs > 0 ? maxMs : 0);
        for (const long at : arrivals_) {
            if (at > clock_.now && at < wakeAt) {
                wakeAt = at;
            }
        }
        clock_.now = wakeAt;
    }
    void SetCommMode(uint16_t) override {}

  private:
    void Deliver() {
        while (!arrivals_.empty() && arrivals_.front() <= clock_.now) {
            queue_.insert(queue_.end(), input_.reply.begin(), input_.reply.end());
            arrivals_.pop_front();
        }
    }

    const LinkInput& input_;
    ManualClock& clock_;
    std::deque<long> arrivals_;  // in request order, and so in time order
    std::deque<uint8_t> queue_;
};

}  // namespace zelt::fuzzing
