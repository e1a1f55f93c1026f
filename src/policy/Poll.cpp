#include "policy/Poll.h"

namespace zelt {

namespace {

// Runs read until it succeeds or has run attempts times; the value when it succeeded.
template <typename T, typename Read>
std::optional<T> Tried(int attempts, Read&& read) {
    T value{};
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (read(&value) != 0) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace

bool LiveReadings::AnyRead() const {
    return status || batteryVoltage || chargeVoltage || chargeCurrent || loadVoltage ||
           loadCurrent || chargeCount;
}

bool LiveReadings::Complete() const {
    return status && batteryVoltage && chargeVoltage && chargeCurrent && loadVoltage &&
           loadCurrent && chargeCount;
}

std::optional<uint8_t> LiveReadings::OperatingModeCode() const {
    return status ? std::optional<uint8_t>(status->OperatingModeCode()) : std::nullopt;
}

std::optional<uint8_t> LiveReadings::LightingTimeCode() const {
    return status ? std::optional<uint8_t>(status->LightingTimeCode()) : std::nullopt;
}

LiveReadings PollController(CControllerLink& link, const PollStart& start,
                            const PollOptions& options) {
    LiveReadings r;
    r.systemVoltage = start.systemVoltage;
    r.loadOn = start.loadOn;
    const int attempts = options.attempts;
    // The battery read needs the system voltage: while it is unknown, it reads the status
    // once more of its own.
    const int statusAttempts = attempts + (start.systemVoltage == 0 ? 1 : 0);
    r.status = Tried<ControllerStatus>(statusAttempts,
                                       [&](ControllerStatus* s) { return link.GetStatus(s); });
    if (r.status) {
        r.systemVoltageChanged = r.status->systemVoltage != start.systemVoltage;
        r.systemVoltage = r.status->systemVoltage;
        r.loadOn = r.status->loadOn;
        if (r.status->batteryFailed) {
            r.batteryFailed = true;  // the Battery Fail question comes first
            r.portWentAway = link.PortWentAway();
            return r;
        }
    }

    r.divisors = ReadCurrentDivisors(options.mfgFolder);  // at every poll, right before use
    r.batteryVoltage = Tried<float>(attempts, [&](float* v) { return link.GetBatteryVoltage(v); });
    if (r.batteryVoltage) {
        r.stateOfCharge = StateOfCharge(*r.batteryVoltage, r.systemVoltage);
        r.overVoltage = IsOverVoltage(*r.batteryVoltage, r.systemVoltage);
    }
    r.chargeVoltage = Tried<float>(attempts, [&](float* v) { return link.GetChargeVoltage(v); });
    r.chargeCurrent = Tried<float>(
        attempts, [&](float* a) { return link.GetChargeCurrent(r.divisors.charge, a); });
    r.loadVoltage = Tried<float>(attempts, [&](float* v) { return link.GetLoadVoltage(v); });
    r.loadCurrent =
        Tried<float>(attempts, [&](float* a) { return link.GetLoadCurrent(r.divisors.load, a); });
    if (r.loadCurrent) {
        r.loadCurrent =
            static_cast<float>(LoadCurrentShown(*r.loadCurrent, r.loadOn.value_or(false)));
    }
    r.chargeCount = Tried<int>(attempts, [&](int* n) { return link.GetChargeCount(n); });
    r.portWentAway = link.PortWentAway();
    return r;
}

std::optional<ReadingsFreshness::Change> ReadingsFreshness::PollEnded(bool read, TimeOfDay now) {
    if (!read) {
        return Failed();
    }
    failedInARow_ = 0;
    lastGood_ = now;
    return Change{false, now};
}

std::optional<ReadingsFreshness::Change> ReadingsFreshness::PollMissed(int ticksSinceDue) {
    if (ticksSinceDue % kPollEveryTicks != 0) {
        return std::nullopt;
    }
    return Failed();
}

std::optional<ReadingsFreshness::Change> ReadingsFreshness::Failed() {
    // Nothing to grey before the first reading: the fields are blank.
    if (++failedInARow_ == 2 && lastGood_) {
        return Change{true, *lastGood_};
    }
    return std::nullopt;
}

}  // namespace zelt
