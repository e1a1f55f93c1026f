#include <sys/time.h>

#include <ctime>

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
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    const time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    return (local.tm_hour * 3600LL + local.tm_min * 60 + local.tm_sec) * 1000 + now.tv_usec / 1000;
}

}  // namespace kvrn
