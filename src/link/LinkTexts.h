#pragma once
// Every user-visible text of the controller commands, in English and Traditional Chinese. The
// language is picked when the text is built, so the GUI and zeltctl say the same words.

#include <string>

#include "config/MainApp.h"
#include "link/LinkHost.h"

namespace zelt {

struct Bilingual {
    const char* english;
    const char* chinese;
};

inline const char* Pick(const CMainApp& app, const Bilingual& text) {
    return app.Text(text.english, text.chinese);
}

namespace texts {

inline constexpr Bilingual kErrorCaption{"Error", "錯誤"};
inline constexpr Bilingual kOperationFault{"Operation fault ! Please check power & connection.",
                                           "作業失敗 ! 請檢查電源及連線"};
// English in both languages.
inline constexpr const char* kVendorIdError = "Vender ID Error !\nThe utility will be closed.";
inline constexpr const char* kVendorIdCaption = "Error";

inline constexpr Bilingual kOverVoltage{
    "The battery voltage is too high, Please input 12V.\nThe utility will be closed.",
    "電池電壓過高, 請用12V 輸入.\n軟體即將關閉."};
inline constexpr Bilingual kPowerFailCaption{"Power Fail", "電源錯誤"};

inline constexpr Bilingual kBatteryInformation{"Battery Information", "電池資訊"};
inline constexpr Bilingual kFirmwarePaneLabel{"F/W Ver: ", "韌體版本: "};
inline constexpr Bilingual kSerialPaneFormat{"S/N: %s", "序號: %s"};

// Operating mode and lighting time as the status byte reports them, indexed by their 2-bit
// codes.
inline constexpr Bilingual kModeTexts[4] = {
    {"Reserved", "保留"}, {"Schedule", "排程"}, {"Manual", "手動"}, {"Auto", "自動"}};
inline constexpr Bilingual kLightingTimeTexts[4] = {
    {"12 Hours", "12 小時"}, {"10 Hours", "10 小時"}, {"8 Hours", "8 小時"}, {"6 Hours", "6 小時"}};

// Read-all failure summary.
inline constexpr Bilingual kReadAllHeader{"Failed to get parameters, list them as follow:  \n",
                                          "發生錯誤, 以下參數無法存取:  \n"};
inline constexpr Bilingual kReadVersionFail{"\nF/W Version/VID/PID Fail !", "\n韌體版本."};
inline constexpr Bilingual kReadVoltForLoadFail{"\nVoltage for Load Fail !", "\n負載電壓."};
inline constexpr Bilingual kReadScheduleFail{"\nSchedule %d Fail !", "\n排程 %d."};
inline constexpr Bilingual kReadDurationFail{"\nDuration %d Fail !", "\n週期 %d."};
inline constexpr Bilingual kReadFcvAcvFail{"\nFCV/ACV/Temp Comp Fail !", "\n浮充與吸收電壓."};
inline constexpr Bilingual kReadRtcFail{"\nRTC Fail !", "\n即時時鐘資訊."};
inline constexpr Bilingual kReadModeFail{"\nOperating Mode Fail !", "\n操作模式."};
inline constexpr Bilingual kReadLvdrPvFail{"\nLVD/LVR & PV On/Off Voltage Fail !",
                                           "\n低壓回復/斷路 & PV On/Off 電壓."};
inline constexpr Bilingual kReadPwmFail{"\nPWM Flag Fail !", "\nPWM Flag."};
inline constexpr Bilingual kReadSerialFail{"\nSN Fail !", "\n序號."};

// Write-all failure summary.
inline constexpr Bilingual kWriteAllHeader{"Failed to set parameters, list them as follow:  \n",
                                           "發生錯誤, 以下參數無法設定:  \n"};
inline constexpr Bilingual kWriteVoltForLoadFail{"\nVoltage for Load Fail !", "\n負載電壓."};
inline constexpr Bilingual kWriteScheduleFail{"\nSchedule %d Fail !", "\n排程 %d."};
inline constexpr Bilingual kWriteDurationFail{"\nAuto Duration %d Fail !", "\n自動時段 %d."};
inline constexpr Bilingual kWriteLvdLvrFail{"\nLVD/LVR Fail !", "\n低壓回復與保護."};
inline constexpr Bilingual kWriteFcvAcvFail{"\nFCV/ACV/OCHT/TempComp Fail !",
                                            "\n浮充/吸收電壓/溫度補償."};
inline constexpr Bilingual kWriteRtcFail{"\nRTC Fail !", "\n即時時鐘資訊."};
inline constexpr Bilingual kWritePvFail{"\nPV Voltage Fail !", "\n開關燈電壓."};
inline constexpr Bilingual kWritePwmFail{"\nPWM bit !", "\n脈寬調變位元."};

// The Battery Fail dialog.
inline constexpr Bilingual kBatteryFailCaption{"Battery Fail", "電池異常"};
inline constexpr Bilingual kBatteryFailText{
    "Warning: The Battery is bad/over current/short circuit !\nPlease fix the battery, then "
    "retry.\nOr you may close utility.",
    "警告: 電池損壞/過電流/短路 !\n請做故障排除後重試.\n您也可關閉程式."};
inline constexpr Bilingual kBatteryFailRetry{"Retry", "重試"};
inline constexpr Bilingual kBatteryFailClose{"Close Utility", "關閉程式"};

}  // namespace texts

// "Battery Information" with " 12V" or " 24V" once the system voltage is known.
std::string BatteryCaption(const CMainApp& app);
// Status pane 901.
std::string FirmwarePaneText(const CMainApp& app);
// Status pane 902.
std::string SerialPaneText(const CMainApp& app);
BatteryFailTexts MakeBatteryFailTexts(const CMainApp& app);

}  // namespace zelt
