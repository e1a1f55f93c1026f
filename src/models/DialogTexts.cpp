#include "models/DialogTexts.h"

#include "base/Trace.h"
#include "panel/ControllerTexts.h"

namespace zelt {

namespace {

constexpr const char* kVersion = "0.1";
constexpr const char* kReleaseDate = "2026-12-06";

std::string Lines(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& line : problems) {
        text += "\n" + line;
    }
    return text;
}

}  // namespace

AboutTexts MakeAboutTexts(const CMainApp& app) {
    AboutTexts about;
    about.caption = StrF(app.Text("About %s", "關於 %s"), app.appTitle.c_str());
    about.text = StrF(
        "%s\n%s%s\n%s%s\n%s\n%s",
        app.Text("Tessaly Solar Controller Utility", "Tessaly 太陽能控制器工具程式"),
        app.Text("Version: ", "版本: "), kVersion, app.Text("Released Date: ", "發行日: "),
        kReleaseDate,
        app.Text("For Tessaly solar lighting controllers,", "適用於 Tessaly 太陽能照明控制器,"),
        app.Text("RS232 and RS485 at 19200 baud.", "RS232 與 RS485, 19200 鮑率."));
    about.ok = Pick(app, texts::kOk);
    return about;
}

RecordCheckTexts MakeRecordCheckTexts(const std::vector<std::string>& problems, bool english) {
    RecordCheckTexts check;
    check.caption = Pick(texts::kErrorCaption, english);
    check.text =
        (english ? "These values are outside the controller's limits; nothing has been sent:\n"
                 : "以下數值超出控制器的範圍, 尚未傳送任何參數:\n") +
        Lines(problems) +
        (english ? "\n\nCorrect them as the panel would and send?" : "\n\n依面板規則修正後傳送?");
    check.correct = english ? "Correct and Send" : "修正並傳送";
    check.cancel = Pick(texts::kCancel, english);
    return check;
}

std::string UncorrectedText(const std::vector<std::string>& problems, bool english) {
    return (english ? "These values could not be corrected; nothing has been sent:\n"
                    : "以下數值無法修正, 尚未傳送任何參數:\n") +
           Lines(problems);
}

SeekTexts MakeSeekTexts(const CMainApp& app) {
    return SeekTexts{app.Text("Seeking controller", "尋找控制器"),
                     app.Text("Seeking controller, please wait...", "尋找控制器, 請稍候..."),
                     Pick(app, texts::kCancel)};
}

std::string SeekProbeText(const CMainApp& app, int port) {
    return StrF(app.Text("Trying COM%d ...", "嘗試 COM%d 中 ..."), port);
}

LinkDialogTexts MakeLinkDialogTexts(const CMainApp& app) {
    LinkDialogTexts link;
    link.caption = app.Text("Link PC", "連結電腦");
    link.modeGroup = app.Text("Communication Mode", "通訊模式");
    link.rs232 = "RS232";
    link.rs485 = "RS485";
    link.portLabel = app.Text("COM Port Selection:", "序列埠選擇:");
    link.hint = app.Text("Select your PC COM Port, or you may click \"Auto Detect\" to discover.",
                         "選擇您的電腦序列埠, 或是按\"自動偵測\" 來尋找.");
    link.autoDetect = app.Text("Auto Detect", "自動偵測");
    link.scanBus = app.Text("Scan Bus", "掃描匯流排");
    link.idLabel = "RS485 ID:";
    link.ok = Pick(app, texts::kOk);
    link.cancel = Pick(app, texts::kCancel);
    return link;
}

std::string PortListEntry(int port) {
    return StrF("COM %d", port);
}

std::string DetectProbeText(const CMainApp& app, int port, int rs485Id) {
    return rs485Id == 0
               ? StrF(app.Text("Probing COM%d ...", "偵測 COM%d 中 ..."), port)
               : StrF(app.Text("Probing COM%d, RS485 ID %d ...", "偵測 COM%d, RS485 ID %d 中 ..."),
                      port, rs485Id);
}

std::string Rs485IdErrorText(const CMainApp& app) {
    return app.Text("RS485 ID must be a whole number from 1 to 255.",
                    "RS485 ID 必須是 1 到 255 之間的整數.");
}

std::string NoPortForScanText(const CMainApp& app) {
    return app.Text("Select a COM port first.", "請先選擇序列埠.");
}

BusScanTexts MakeBusScanTexts(const CMainApp& app) {
    return BusScanTexts{app.Text("Scan Bus", "掃描匯流排"), Pick(app, texts::kOk),
                        Pick(app, texts::kCancel)};
}

std::string BusScanRowText(const CMainApp& app, const BusController& controller) {
    const std::string serial = controller.serialNumber.empty() ? "--" : controller.serialNumber;
    return StrF(app.Text("ID %d    S/N: %s", "ID %d    序號: %s"), controller.id, serial.c_str());
}

}  // namespace zelt
