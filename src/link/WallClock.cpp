#include "link/WallClock.h"

#include <chrono>
#include <ctime>

#include "base/FileSystem.h"

namespace zelt {

LocalTime SystemWallClock::Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    const std::tm parts = LocalTimeOf(seconds);
    return LocalTime{parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(ms)};
}

}  // namespace zelt
