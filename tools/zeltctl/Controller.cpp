#include "Controller.h"

#include <cstdio>

#include "Ctl.h"
#include "link/LinkAddress.h"
#include "link/Telemetry.h"
#include "panel/ControllerTexts.h"

namespace zeltctl {

CtlController::CtlController(zelt::CMainApp& app, zelt::ISerialPort& port, zelt::ITickClock& clock,
                             zelt::ITraceSink& trace)
    : app_(app),
      trace_(trace),
      link_(port, clock, trace, wallClock_,
            zelt::LinkAddress::FromSettings(app.commMode, app.rs485Id)) {}

void CtlController::ShowError(const std::string& text) {
    progress_.ClearProgress();
    std::fprintf(stderr, "%s\n", text.c_str());
}

void CtlController::TakeStatus(const zelt::ControllerStatus& status) {
    voltageChanged_ = voltageChanged_ || status.systemVoltage != app_.systemVoltage;
    app_.systemVoltage = status.systemVoltage;
    if (status.batteryFailed) {
        // Nobody is there to fix the battery mid-command: the answer is "Close Utility".
        const zelt::BatteryFailTexts texts = zelt::MakeBatteryFailTexts(app_);
        progress_.ClearProgress();
        std::fprintf(stderr, "%s: %s\n", texts.caption.c_str(), texts.text.c_str());
        throw CtlError{kExitController, ""};
    }
}

void CtlController::TakeIdentity(const zelt::FirmwareIdentity& identity) {
    app_.vendorId = identity.vendorId;
    app_.firmwareVersionText = identity.version;
    if (!identity.VendorAccepted()) {
        ShowError(zelt::Pick(app_, zelt::texts::kVendorIdError));
        quitRequested_ = true;
    }
}

int CtlController::ReadStatus(zelt::ControllerStatus* status) {
    zelt::ControllerStatus read;
    if (link_.GetStatus(&read) == 0) {
        return 0;
    }
    TakeStatus(read);
    if (status != nullptr) {
        *status = read;
    }
    return 1;
}

int CtlController::ReadVersion() {
    zelt::FirmwareIdentity identity;
    if (link_.GetVersion(&identity) == 0) {
        return 0;
    }
    app_.config.batteryType = identity.batteryType;
    TakeIdentity(identity);
    return 1;
}

int CtlController::ReadSerialNumber() {
    std::string serial;
    if (link_.GetSerialNumber(&serial) == 0) {
        return 0;
    }
    app_.serialNumberText = serial;
    return 1;
}

int CtlController::ReadBatteryVoltage(float* volts) {
    if (app_.systemVoltage == 0) {
        zelt::ControllerStatus status;
        ReadStatus(&status);
    }
    if (link_.GetBatteryVoltage(volts) == 0) {
        return 0;
    }
    if (zelt::IsOverVoltage(*volts, app_.systemVoltage)) {
        ShowError(zelt::Pick(app_, zelt::texts::kOverVoltage));
        quitRequested_ = true;
    }
    return 1;
}

zelt::ReadAllResult CtlController::ReadAll() {
    zelt::ReadAllResult result = zelt::ReadAll(link_, app_.config);
    progress_.ClearProgress();
    // In the order the items ran: the version's vendor, then the status's battery.
    if (result.identity) {
        TakeIdentity(*result.identity);
    }
    if (result.status) {
        TakeStatus(*result.status);
    }
    if (result.serialNumber) {
        app_.serialNumberText = *result.serialNumber;
    }
    app_.config = result.record;
    Conclude(result.outcome);
    return result;
}

std::optional<zelt::WriteAllResult> CtlController::WriteAll(const BeforeWrite& beforeWrite,
                                                            const zelt::ClockToSend& clock) {
    const std::optional<zelt::ControllerStatus> status = zelt::WriteAllStatus(link_);
    if (!status) {
        ShowError(zelt::Pick(app_, zelt::texts::kOperationFault));
        return std::nullopt;
    }
    TakeStatus(*status);
    if (!beforeWrite(app_.config)) {
        return std::nullopt;
    }
    zelt::WriteAllResult result = zelt::WriteAll(link_, app_.config, clock);
    progress_.ClearProgress();
    app_.config = result.sent;
    Conclude(result.outcome);
    return result;
}

void CtlController::Conclude(const zelt::SequenceOutcome& outcome) {
    // A sequence ended by a signal lists no items that never ran: the fleet's table says it.
    if (outcome.cancelled) {
        return;
    }
    const std::string summary = outcome.Summary(app_.english != 0);
    if (summary.empty()) {
        app_.savedToController = 1;
    } else {
        ShowError(summary);
    }
}

void CtlController::AfterCommand() {
    progress_.ClearProgress();
    if (voltageChanged_) {
        trace_.Write("< VCC is changed >\n");
        voltageChanged_ = false;
    }
}

void CtlController::ThrowIfQuitRequested() const {
    if (quitRequested_) {
        throw CtlError{kExitController, ""};
    }
}

}  // namespace zeltctl
