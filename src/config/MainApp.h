#pragma once

#include <cstdint>
#include <string>

#include "config/CfgDocument.h"

namespace zelt {

constexpr uint16_t kCommModeRs232 = 232;
constexpr uint16_t kCommModeRs485 = 485;

// The application object: persisted settings and the run-time values that the link, the
// record and the windows share. One per process (the GUI's and zeltctl's theApp).
class CMainApp {
  public:
    CCfgDocument config;
    uint32_t savedToController = 1;
    uint32_t savedToFile = 1;
    uint32_t chargeCurrentDivisor = 172;
    uint32_t loadCurrentDivisor = 213;
    uint16_t comPort = 1;
    uint16_t commMode = 0;
    uint16_t rs485Id = 0;
    std::string cfgPath;
    std::string cfgFileName;
    uint32_t english = 1;
    std::string cfgFullPath;
    std::string appTitle = AppTitle(true);
    std::string serialNumberText;
    std::string firmwareVersionText;
    uint16_t vendorId = 0;
    uint16_t systemVoltage = 0;
    // The main window is reached through the link host interface, not through a handle.

    // The application title in English (true) or Traditional Chinese (false).
    static std::string AppTitle(bool inEnglish);
    // Picks the English or the Chinese literal by the current language.
    const char* Text(const char* englishText, const char* chineseText) const {
        return english != 0 ? englishText : chineseText;
    }
};

}  // namespace zelt
