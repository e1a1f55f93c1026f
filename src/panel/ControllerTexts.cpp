#include "panel/ControllerTexts.h"

#include "base/Trace.h"
#include "config/CfgCodes.h"

namespace zelt {

std::string BatteryCaption(const CMainApp& app) {
    std::string caption = Pick(app, texts::kBatteryInformation);
    if (app.systemVoltage == 12) {
        caption += " 12V";
    } else if (app.systemVoltage == 24) {
        caption += " 24V";
    }
    return caption;
}

std::string FirmwarePaneText(const CMainApp& app) {
    return std::string(Pick(app, texts::kFirmwarePaneLabel)) + app.firmwareVersionText;
}

std::string SerialPaneText(const CMainApp& app) {
    return StrF(Pick(app, texts::kSerialPaneFormat), app.serialNumberText.c_str());
}

BatteryFailTexts MakeBatteryFailTexts(const CMainApp& app) {
    return BatteryFailTexts{Pick(app, texts::kBatteryFailCaption),
                            Pick(app, texts::kBatteryFailText), Pick(app, texts::kBatteryFailRetry),
                            Pick(app, texts::kBatteryFailClose)};
}

std::string OperatingModeText(const CMainApp& app, uint8_t code) {
    return OperatingModeLabel(static_cast<uint8_t>(code & 3), app.english != 0);
}

std::string LightingTimeText(const CMainApp& app, uint8_t code) {
    return LightingTimeLabel(static_cast<uint8_t>(code & 3), app.english != 0);
}

std::string VoltsText(double volts) {
    return StrF("%0.1f V", volts);
}

std::string AmpsText(double amps) {
    return StrF("%0.1f A", amps);
}

std::string PercentText(int percent) {
    return StrF("%d%%", percent);
}

std::string ClockText(const TimeOfDay& time) {
    return StrF("%02d : %02d : %02d", time.hour, time.minute, time.second);
}

}  // namespace zelt
