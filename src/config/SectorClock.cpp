#include "config/SectorClock.h"

#include "config/TimeSectorData.h"

namespace zelt {

using timeaxis::kNoonOffset;

int ControllerStartToMinute(int t) {
    return t < kNoonOffset ? t + kNoonOffset : t - kNoonOffset;
}

int ControllerEndToMinute(int t) {
    return t <= kNoonOffset ? t + kNoonOffset : t - kNoonOffset;
}

ControllerClock MinuteToControllerClock(int minute) {
    const int c = minute >= kNoonOffset ? minute - kNoonOffset : minute + kNoonOffset;
    return ControllerClock{c / 60, minute % 60};
}

}  // namespace zelt
