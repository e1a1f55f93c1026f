#pragma once
// Measuring instruments for the link benchmarks: a port and a clock that count what passes
// through them, and CPU and wall time.

#include <sys/resource.h>

#include <chrono>

#include "base/Ticks.h"
#include "link/SerialPort.h"

namespace zelt::bench {

// Counts the bytes that go out and come in, and the write calls, of the port it wraps.
class CountingPort final : public ISerialPort {
  public:
    explicit CountingPort(ISerialPort& inner) : inner_(inner) {}

    int Write(const uint8_t* buffer, int count) override {
        const int written = inner_.Write(buffer, count);
        ++writeCalls;
        bytesOut += written;
        return written;
    }
    int GetBytesWaiting() override { return inner_.GetBytesWaiting(); }
    int Read(uint8_t* buffer, int limit) override {
        const int got = inner_.Read(buffer, limit);
        bytesIn += got;
        return got;
    }
    void WaitForInput(int maxMs) override {
        ++waits;
        inner_.WaitForInput(maxMs);
    }
    void SetCommMode(uint16_t commMode) override {
        mode = commMode;
        inner_.SetCommMode(commMode);
    }

    void Reset() { writeCalls = bytesOut = bytesIn = waits = 0; }

    long writeCalls = 0;
    long waits = 0;  // how often the link slept on the line
    long bytesOut = 0;
    long bytesIn = 0;
    uint16_t mode = 0;

  private:
    ISerialPort& inner_;
};

// Adds up the pauses the link asks of its clock (25 ms before RS485 frames, 12 ms around
// write-all items, the 1 ms steps of the wait for a second boundary before "Set RTC").
class CountingClock final : public ITickClock {
  public:
    explicit CountingClock(ITickClock& inner) : inner_(inner) {}
    long Now() override { return inner_.Now(); }
    void Sleep(int ms) override {
        sleptMs += ms;
        ++sleeps;
        inner_.Sleep(ms);
    }
    void Reset() { sleptMs = sleeps = 0; }

    long sleptMs = 0;
    long sleeps = 0;

  private:
    ITickClock& inner_;
};

// Wall time and CPU time (user + system) of the whole process and of the calling thread.
class Stopwatch {
  public:
    Stopwatch() { Restart(); }
    void Restart() {
        wallStart_ = std::chrono::steady_clock::now();
        processStart_ = CpuSeconds(RUSAGE_SELF);
        threadStart_ = CpuSeconds(RUSAGE_THREAD);
    }
    double WallMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                         wallStart_)
            .count();
    }
    double ProcessCpuMs() const { return (CpuSeconds(RUSAGE_SELF) - processStart_) * 1000.0; }
    double ThreadCpuMs() const { return (CpuSeconds(RUSAGE_THREAD) - threadStart_) * 1000.0; }

  private:
    static double CpuSeconds(int who) {
        rusage usage{};
        getrusage(who, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }

    std::chrono::steady_clock::time_point wallStart_;
    double processStart_ = 0;
    double threadStart_ = 0;
};

}  // namespace zelt::bench
