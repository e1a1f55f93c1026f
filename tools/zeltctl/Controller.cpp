#include "Controller.h"

#include <cstdio>

#include "Ctl.h"
#include "link/LinkAddress.h"
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

void CtlController::TakeIdentity(const zelt::FirmwareIdentity& identity, bool refused) {
    app_.vendorId = identity.vendorId;
    app_.firmwareVersionText = identity.version;
    if (refused) {
        ShowError(zelt::Pick(app_, zelt::texts::kVendorIdError));
        quitRequested_ = true;
    }
}

int CtlController::ReadVersion() {
    zelt::FirmwareIdentity identity;
    if (link_.GetVersion(&identity) == 0) {
        return 0;
    }
    app_.config.batteryType = identity.batteryType;
    TakeIdentity(identity, !identity.VendorAccepted());
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

zelt::GetVerdict CtlController::Get(const zelt::CCfgDocument& start) {
    const zelt::GetVerdict v = zelt::GetParameters(
        link_, zelt::Inline(), zelt::GetRequest{start, app_.systemVoltage, true});
    progress_.ClearProgress();
    // A read ended by a signal lists no items that never ran: the caller says it.
    if (!v.ran) {
        return v;
    }
    if (v.identity) {
        TakeIdentity(*v.identity, v.vendorRefused);
    }
    if (v.status) {
        TakeStatus(*v.status);
    }
    if (v.read.serialNumber) {
        app_.serialNumberText = *v.read.serialNumber;
    }
    app_.config = v.read.record;
    Conclude(v.Summary(app_.english != 0));
    return v;
}

zelt::SetVerdict CtlController::Set(const zelt::CCfgDocument& record, zelt::ISetHost& host) {
    const bool english = app_.english != 0;
    const zelt::SetVerdict v = zelt::SetParameters(
        link_, zelt::Inline(), host, zelt::SetRequest{record, app_.systemVoltage, english});
    progress_.ClearProgress();
    if (v.identity) {
        TakeIdentity(*v.identity, v.vendorRefused);
    }
    if (v.status) {
        TakeStatus(*v.status);
    }
    if (v.stage == zelt::SetVerdict::Stage::NoAnswer) {
        ShowError(zelt::Pick(app_, zelt::texts::kOperationFault));
    } else if (v.stage == zelt::SetVerdict::Stage::Written) {
        app_.config = v.written.sent;
        if (!v.Cancelled()) {
            Conclude(v.Summary(english));
        }
    }
    return v;
}

void CtlController::Conclude(const std::string& summary) {
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
