#include <chrono>
#include <ctime>

#include "base/FileSystem.h"
#include "kvrn/SimController.h"

namespace kvrn {

namespace {
constexpr int64_t kMsPerDay = 24LL * 3600 * 1000;
}

void SimClock::Set(int64_t nowMs, int64_t msOfDay) {
    originMs_ = nowMs;
    msOfDayAtOrigin_ = ((msOfDay % kMsPerDay) + kMsPerDay) % kMsPerDay;
}

int64_t SimClock::MsOfDay(int64_t nowMs) const {
    const int64_t ms = msOfDayAtOrigin_ + (nowMs - originMs_);
    return ((ms % kMsPerDay) + kMsPerDay) % kMsPerDay;
}

int64_t HostMsOfDay() {
    const int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    const std::tm local = zelt::LocalTimeOf(static_cast<std::time_t>(nowMs / 1000));
    return (local.tm_hour * 3600LL + local.tm_min * 60 + local.tm_sec) * 1000 + nowMs % 1000;
}

}  // namespace kvrn
