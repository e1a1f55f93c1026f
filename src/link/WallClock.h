#pragma once

namespace zelt {

// A time of day on the PC's local clock.
struct LocalTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The PC's local wall clock, as the panel timer and "Set RTC" read it. Tests inject their own.
class IWallClock {
  public:
    virtual ~IWallClock() = default;
    virtual LocalTime Now() = 0;
};

// The real local time (localtime_r of the system clock).
class SystemWallClock final : public IWallClock {
  public:
    LocalTime Now() override;
};

}  // namespace zelt
