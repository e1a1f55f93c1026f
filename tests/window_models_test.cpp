// The window models that both windows draw: the exit question, the link dialog's decisions,
// the status panes' language switch and the main window's close path.

#include <gtest/gtest.h>

#include "models/ExitQuestion.h"
#include "models/LinkDialogModel.h"
#include "models/MainWindowModel.h"
#include "models/MainWindowTexts.h"
#include "models/PanelDriver.h"
#include "models/StartupSettings.h"
#include "support/ControllerFixture.h"
#include "support/TestEnv.h"
#include "ui/RecordingWindow.h"

namespace zelt::testing {
namespace {

TEST(ExitQuestion, SaveButtonsFollowTheSavedFlagsAndEverySaveRuns) {
    const struct {
        uint32_t toController, toFile;
        std::string enabled;
    } rows[] = {{0, 0, "1003 1004 1005 1006 2 "}, {1, 0, "1004 1006 2 "}, {0, 1, "1003 1006 2 "}};
    for (const auto& row : rows) {
        CMainApp app;
        app.savedToController = row.toController;
        app.savedToFile = row.toFile;
        const CExitQuestion question(app);
        std::string enabled;
        for (const CExitQuestion::Button& button : question.Buttons()) {
            enabled += button.enabled ? std::to_string(button.id) + " " : "";
        }
        EXPECT_EQ(row.enabled, enabled);
        EXPECT_TRUE(CExitQuestion::Needed(app));
    }
    EXPECT_FALSE(CExitQuestion::Needed(CMainApp()));

    // "Save Both" runs the file save after a failed Set; a failure keeps the program.
    std::string ran;
    const ExitSaveActions actions{[&] { return ran += "set ", false; },
                                  [&] { return ran += "file ", true; }, nullptr};
    EXPECT_EQ(std::optional<bool>(false), CExitQuestion::Choose(1005, actions));
    EXPECT_EQ("set file ", ran);
    EXPECT_EQ(std::optional<bool>(true), CExitQuestion::Choose(1004, actions));
    EXPECT_EQ(std::optional<bool>(true), CExitQuestion::Choose(1006, actions));
    EXPECT_EQ(std::nullopt, CExitQuestion::Choose(2, actions));
    EXPECT_EQ("set file file ", ran);

    // While the chosen Set runs, a second choice does nothing and Cancel stops that Set; the
    // program stays.
    CMainApp app;
    app.savedToController = 0;
    CExitQuestion question(app);
    using Press = CExitQuestion::Press;
    std::vector<Press> during;
    ExitSaveActions live;
    live.saveToController = [&] {
        during = {question.Pressed(1004, live, [] {}), question.Pressed(2, live, [] {})};
        return ran != "cancelled";
    };
    live.cancelSave = [&] { ran = "cancelled"; };
    bool greyed = false;
    EXPECT_EQ(Press::Stay, question.Pressed(1003, live, [&] { greyed = true; }));
    EXPECT_EQ((std::vector<Press>{Press::Ignored, Press::Ignored}), during);
    EXPECT_TRUE(greyed && ran == "cancelled");
    EXPECT_EQ(Press::Stay, question.Pressed(2, live, [] {}));  // after the save: closes
    EXPECT_EQ(Press::Leave, question.Pressed(1006, live, [] {}));
}

CPortTable Ports(std::initializer_list<int> numbers) {
    CPortTable table;
    for (const int n : numbers) {
        table.available[n - 1] = static_cast<uint16_t>(n);
        table.highestPort = static_cast<uint16_t>(std::max<int>(table.highestPort, n));
    }
    return table;
}

TEST(LinkDialogModel, ListChoiceDetectAndOk) {
    CMainApp app;
    app.comPort = 3;
    app.commMode = kCommModeRs232;
    app.rs485Id = 9;
    CLinkDialogModel model(app, Ports({1, 3, 10}));
    EXPECT_EQ((std::vector<std::string>{"COM 1", "COM 3", "COM 10"}), model.PortEntries());
    EXPECT_EQ(1, model.ListIndexOfPort(3));
    EXPECT_EQ(-1, model.ListIndexOfPort(7));
    model.SelectListIndex(2);
    EXPECT_EQ(10, model.selectedPort);

    // Auto Detect starts at a typed ID in RS485 mode only; a walk stopped with nothing found
    // says nothing, one that found a controller takes its ID and port.
    EXPECT_EQ(LinkAddress::Rs485(17), model.DetectStart(kCommModeRs485, " 17 "));
    EXPECT_EQ(LinkAddress::Rs485(9), model.DetectStart(kCommModeRs485, "x"));
    EXPECT_EQ(Framing::Rs232Ascii, model.DetectStart(kCommModeRs232, "17").framing);
    EXPECT_EQ(std::nullopt, model.DetectEnded(DetectResult{}, true));
    EXPECT_FALSE(model.DetectEnded(DetectResult{}, false)->found);
    EXPECT_TRUE(model.DetectEnded(DetectResult{1, LinkAddress::Rs485(5)}, false)->found);
    EXPECT_TRUE(app.rs485Id == 5 && model.selectedPort == 1 && model.CanScanBus());

    // OK refuses an ID out of 1..255 with nothing applied.
    for (const char* bad : {"0", "256", "", "12a", "-3"}) {
        EXPECT_FALSE(model.Accept(kCommModeRs485, bad)) << bad;
    }
    EXPECT_TRUE(app.commMode == kCommModeRs232 && app.rs485Id == 5);
    EXPECT_TRUE(model.Accept(kCommModeRs485, "255"));
    EXPECT_TRUE(app.commMode == kCommModeRs485 && app.rs485Id == 255);
}

TEST(MainWindowTexts, LanguageSwitchSwapsOnlyThePaneLabel) {
    const std::string chinese = SwapPaneLabel(ID_PANE_SERIAL, "S/N: 12240315000003", false);
    EXPECT_EQ("序號: 12240315000003", chinese);
    EXPECT_EQ("S/N: 12240315000003", SwapPaneLabel(ID_PANE_SERIAL, chinese, true));
    EXPECT_EQ("游標時間:", SwapPaneLabel(ID_PANE_CURSOR_TIME, InitialPaneText(905, true), false));
    EXPECT_EQ("F/W Ver: 3.12", SwapPaneLabel(ID_PANE_FIRMWARE, "F/W Ver: 3.12", true));
}

// While a link dialog owns the port the clocks tick but the due polls and the panel's buttons
// send nothing; afterwards the poll reads again.
TEST(PanelDriver, PollAndButtonsKeepOffThePortWhileALinkDialogOwnsIt) {
    ControllerFixture f;
    CMainApp app;
    app.commMode = kCommModeRs232;
    uitest::RecordingWindow window;
    CControllerCommands commands{app, f.link.port, f.link.clock, f.link.trace, f.wall, window};
    const auto run = [](const ExchangeGate::Command& command) { command(); };
    const auto nothing = [] {};
    ExchangeGate gate{{[](bool) {}, run, nothing, nothing, run, nothing, nothing}};
    CPanelDriver driver(commands, gate);
    commands.Values().linkBusy = 1;
    for (int tick = 0; tick < 10; ++tick) {
        EXPECT_FALSE(driver.Tick());
    }
    driver.Button(&CControllerCommands::ResetChargeCount);
    EXPECT_TRUE(f.requests.empty());
    commands.Values().linkBusy = 0;
    driver.Poll();
    EXPECT_FALSE(f.requests.empty());
}

// Without the settings key start-up reads nothing (the window then says so and ends).
TEST(StartupSettings, NothingIsReadWithoutTheKey) {
    ScratchFolder folder;
    WriteText(folder.File("plain"), "not a folder");
    CMainApp app;
    app.comPort = 9;
    // Under a plain file here, and no registry root on Windows.
    const StartupSettings refused = LoadStartupSettings(app, folder.File("plain") + "/s.reg");
    EXPECT_TRUE(!refused.ok && !refused.reason.empty() && !refused.trace && app.comPort == 9);
}

// The main window's side as a recording: the exit question answers as told.
class RecordingView final : public IMainWindowView, public ILinkWorker {
  public:
    void Post(std::function<void()> command) override { command(); }
    void AskCloseAgain() override {}
    void Quit(int exitCode) override { quits.push_back(exitCode); }
    void ShowInputLocked(bool) override {}
    void HideProgress() override {}
    void ShowStatusNote(const std::string&) override {}
    std::string StatusPaneText(int) const override { return {}; }
    void SetStatusPaneText(int, const std::string&) override {}
    void Relabel(bool) override {}
    void DeleteSectors(bool) override {}
    void ShowMessageBox(const std::string& text, const std::string&, MessageIcon) override {
        messages.push_back(text);
    }
    uint16_t RunSeekDialog(CSeekPosition&, const std::function<void()>&) override { return 0; }
    uint16_t RunLinkDialog(const std::function<void(const LinkAddress&)>&) override { return 0; }
    void RunAboutDialog() override {}
    bool RunExitQuestion(const ExitSaveActions&) override {
        ++exitQuestions;
        return leaveOnQuestion;
    }
    bool AskRecordCheck(const std::vector<std::string>&) override { return false; }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void OpenHelpFile(const std::string&,
                      std::function<void(HelpProblem, const std::string&)>) override {}
    // ILinkWorker: inline.
    void Run(const std::function<void()>& exchange) override { exchange(); }
    void Cancel() override {}
    void ClearCancel() override {}
    std::atomic<bool>* CancelFlag() override { return &cancel; }

    int exitQuestions = 0;
    bool leaveOnQuestion = false;
    std::vector<int> quits;
    std::vector<std::string> messages;
    std::atomic<bool> cancel{false};
};

class NoFileUi final : public ICfgFileUi {
  public:
    bool ChooseFileToOpen(std::string*) override { return false; }
    bool ChooseFileToSave(std::string*) override { return false; }
    void ShowMessage(const std::string&, const std::string&, ICfgFileUi::MessageIcon) override {}
};

// Nothing unsaved: the close leaves at once. Unsaved edits: the question is asked, staying
// (Cancel, a failed save) quits nothing, leaving quits once; a close after that is let through
// without asking again, and no message shows once the program leaves.
TEST(MainWindowModel, ClosePathAsksWhileUnsavedAndLeavesOnce) {
    ScratchFolder folder;
    CComPort port;
    NullTraceSink trace;
    uitest::RecordingWindow window;
    NoFileUi files;
    {
        CMainApp app;
        RecordingView view;
        CMainWindowModel model(app, port, trace, window, files, view, view, folder.File("a.reg"));
        EXPECT_FALSE(model.RequestClose());
        EXPECT_EQ(view.exitQuestions, 0);
        EXPECT_EQ(view.quits, std::vector<int>{0});
    }
    CMainApp app;
    RecordingView view;
    CMainWindowModel model(app, port, trace, window, files, view, view, folder.File("b.reg"));
    app.savedToFile = 0;
    EXPECT_FALSE(model.RequestClose());
    EXPECT_TRUE(view.exitQuestions == 1 && view.quits.empty() && !model.Leaving());
    view.leaveOnQuestion = true;
    EXPECT_FALSE(model.RequestClose());
    EXPECT_EQ(view.quits, std::vector<int>{0});
    EXPECT_TRUE(model.RequestClose());
    model.ShowMessage("late", "", MessageIcon::Stop);
    EXPECT_TRUE(view.exitQuestions == 2 && view.quits.size() == 1 && view.messages.empty());
}

}  // namespace
}  // namespace zelt::testing
