#include "link/LinkTexts.h"

#include "base/Trace.h"

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

}  // namespace zelt
