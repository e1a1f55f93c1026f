#pragma once
// Every text of the window's dialogs, in the current language, built where no window is
// needed: each window sets them into its own controls. The Battery Fail texts and the Auto
// Detect messages are the controller's (panel/ControllerTexts.h, policy/Finding.h).

#include <string>
#include <vector>

#include "base/Bilingual.h"
#include "config/MainApp.h"
#include "link/BusScan.h"

namespace zelt {

namespace texts {

inline constexpr Bilingual kOk{"OK", "確定"};
inline constexpr Bilingual kCancel{"Cancel", "取消"};

}  // namespace texts

// The About box: caption "About <title>", the five lines of text 1010, button 1.
struct AboutTexts {
    std::string caption;
    std::string text;
    std::string ok;
};
AboutTexts MakeAboutTexts(const CMainApp& app);

// The record check's question of "Set Parameters": the offending values one a line, then
// "Correct and Send" (1) or "Cancel" (2, the default: Enter sends nothing).
struct RecordCheckTexts {
    std::string caption;
    std::string text;
    std::string correct;
    std::string cancel;
};
RecordCheckTexts MakeRecordCheckTexts(const std::vector<std::string>& problems, bool english);
// The stop message when the corrections could not mend everything.
std::string UncorrectedText(const std::vector<std::string>& problems, bool english);

// The seek dialog, and its line under the text while a port is probed.
struct SeekTexts {
    std::string caption;
    std::string text;
    std::string cancel;
};
SeekTexts MakeSeekTexts(const CMainApp& app);
std::string SeekProbeText(const CMainApp& app, int port);

// The link dialog ("Link PC").
struct LinkDialogTexts {
    std::string caption;
    std::string modeGroup;
    std::string rs232;
    std::string rs485;
    std::string portLabel;
    std::string hint;
    std::string autoDetect;
    std::string scanBus;
    std::string idLabel;
    std::string ok;
    std::string cancel;
};
LinkDialogTexts MakeLinkDialogTexts(const CMainApp& app);
// "COM 3": the port list's entry of a port.
std::string PortListEntry(int port);
// Auto Detect's line while it probes; rs485Id 0 on an RS232 walk.
std::string DetectProbeText(const CMainApp& app, int port, int rs485Id);
std::string Rs485IdErrorText(const CMainApp& app);
std::string NoPortForScanText(const CMainApp& app);

// "Scan Bus": its caption and buttons, and a row of its list.
struct BusScanTexts {
    std::string caption;
    std::string ok;
    std::string cancel;
};
BusScanTexts MakeBusScanTexts(const CMainApp& app);
// "ID 7    S/N: 12240315000007", "--" for a serial number that was not read.
std::string BusScanRowText(const CMainApp& app, const BusController& controller);

}  // namespace zelt
