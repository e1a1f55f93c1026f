#pragma once
// What the user is told about the controller, in English and Traditional Chinese: messages,
// captions, status panes, the panel's display texts. The language is picked when the text is
// built, so the GUI and zeltctl say the same words. The link reports values; these texts are
// made from them here.

#include <string>

#include "base/Bilingual.h"
#include "base/TimeOfDay.h"
#include "config/MainApp.h"
#include "link/Sequences.h"

namespace zelt {

inline const char* Pick(const CMainApp& app, const Bilingual& text) {
    return app.Text(text.english, text.chinese);
}

enum class MessageIcon { Stop, Information };

// The panel's read-only displays, by control id.
enum class Display {
    OperatingMode = 1040,
    LightingTime = 1041,
    ChargeCount = 1048,
    BatteryVoltage = 1049,
    BatteryCapacity = 1050,
    ControllerClock = 1052,
    PcClock = 1054,
    ChargeVoltage = 3501,
    ChargeCurrent = 3502,
    LoadVoltage = 3503,
    LoadCurrent = 3504,
};

// The Battery Fail dialog's texts, built in the current language.
struct BatteryFailTexts {
    std::string caption;
    std::string text;
    std::string retryButton;
    std::string closeButton;
};

namespace texts {

inline constexpr Bilingual kErrorCaption{"Error", "錯誤"};
inline constexpr Bilingual kOperationFault{"Operation fault ! Please check power & connection.",
                                           "作業失敗 ! 請檢查電源及連線"};
inline constexpr Bilingual kVendorIdError{"Vendor ID Error !\nThe utility will be closed.",
                                          "廠商代碼錯誤 !\n軟體即將關閉."};

inline constexpr Bilingual kOverVoltage{
    "The battery voltage is too high, Please input 12V.\nThe utility will be closed.",
    "電池電壓過高, 請用12V 輸入.\n軟體即將關閉."};
inline constexpr Bilingual kPowerFailCaption{"Power Fail", "電源錯誤"};

inline constexpr Bilingual kBatteryInformation{"Battery Information", "電池資訊"};
inline constexpr Bilingual kFirmwarePaneLabel{"F/W Ver: ", "韌體版本: "};
inline constexpr Bilingual kSerialPaneFormat{"S/N: %s", "序號: %s"};

// Auto Detect.
inline constexpr Bilingual kDetectFound{"Controller is found at COM%d.", "發現控制器於 COM%d."};
inline constexpr Bilingual kDetectFoundId{"Controller is found at COM%d, RS485 ID = %d.",
                                          "發現控制器於 COM%d, RS485 ID = %d."};
inline constexpr Bilingual kDetectFailed{"Failed to detect.\nCan not found Controller.",
                                         "偵測失敗.\n找不到控制器."};
inline constexpr Bilingual kDetectFailCaption{"Detect Fail", "偵測失敗"};
inline constexpr Bilingual kDetectOkCaption{"Detect OK", "偵測成功"};

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

// The operating mode and lighting time of their codes (0..3), in the current language.
std::string OperatingModeText(const CMainApp& app, uint8_t code);
std::string LightingTimeText(const CMainApp& app, uint8_t code);

// A record field by its name in the record (as FieldRules and the JSON record name it, with
// "[n]" for a step), labelled as the panel labels it: "fcvVoltage" is "FCV" or "浮充電壓",
// "autoDuration[2]" the third step's duration. A name the panel does not show comes back as
// it is.
std::string FieldLabel(const std::string& field, bool english);

// The writes of a cancelled "Set Parameters" that reached the controller, one per line, in
// run order. In English the command names of the trace.
std::string WrittenItemsText(const SequenceOutcome& outcome, const IFraming& framing, bool english);

// The panel's display texts: "12.3 V", "1.5 A", "80%", "hh : mm : ss".
std::string VoltsText(double volts);
std::string AmpsText(double amps);
std::string PercentText(int percent);
std::string ClockText(const TimeOfDay& time);

}  // namespace zelt
