#include "base/Ticks.h"

#include <cerrno>
#include <chrono>
#include <ctime>

namespace zelt {

namespace {
using Steady = std::chrono::steady_clock;

Steady::time_point Origin() {
    static const Steady::time_point origin = Steady::now();
    return origin;
}
}  // namespace

long SteadyTickClock::Now() {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - Origin()).count());
}

void SteadyTickClock::Sleep(int ms) {
    SleepMs(ms);
}

ITickClock& ProcessTickClock() {
    static SteadyTickClock clock;
    Origin();
    return clock;
}

void SleepMs(int ms) {
    if (ms <= 0) {
        return;
    }
    timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace zelt
