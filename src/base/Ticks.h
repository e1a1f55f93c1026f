#pragma once

namespace zelt {

// The link measures every time-out in ticks: one tick is one millisecond of a monotonic
// clock counted from program start. Transactions take the clock as an object so that tests
// can drive time by hand.
class ITickClock {
  public:
    virtual ~ITickClock() = default;
    // Ticks since the clock's origin. May step backwards only in tests; callers treat a
    // backwards step as a time-out.
    virtual long Now() = 0;
    // Pacing pauses (25 ms before an RS485 frame, 12 ms between write-all items).
    virtual void Sleep(int ms) = 0;
};

// The real clock: CLOCK_MONOTONIC, origin at the first use in the process.
class SteadyTickClock final : public ITickClock {
  public:
    long Now() override;
    void Sleep(int ms) override;
};

// The process-wide steady clock; its origin is the first call, made early in main().
ITickClock& ProcessTickClock();

// Sleeps ms milliseconds of wall time, resuming after signals.
void SleepMs(int ms);

}  // namespace zelt
