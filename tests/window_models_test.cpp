// The window models that both windows draw: the exit question, the link dialog's decisions and
// the status panes' language switch.

#include <gtest/gtest.h>

#include "models/ExitQuestion.h"
#include "models/LinkDialogModel.h"
#include "models/MainWindowTexts.h"

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
                                  [&] { return ran += "file ", true; }};
    EXPECT_EQ(std::optional<bool>(false), CExitQuestion::Choose(1005, actions));
    EXPECT_EQ("set file ", ran);
    EXPECT_EQ(std::optional<bool>(true), CExitQuestion::Choose(1004, actions));
    EXPECT_EQ(std::optional<bool>(true), CExitQuestion::Choose(1006, actions));
    EXPECT_EQ(std::nullopt, CExitQuestion::Choose(2, actions));
    EXPECT_EQ("set file file ", ran);
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
    EXPECT_EQ(1, PortAfterLinkDialog(true, model.selectedPort, app.comPort));
    EXPECT_EQ(3, PortAfterLinkDialog(false, model.selectedPort, app.comPort));
    EXPECT_EQ(3, PortAfterLinkDialog(true, 0, app.comPort));
}

TEST(MainWindowTexts, LanguageSwitchSwapsOnlyThePaneLabel) {
    const std::string chinese = SwapPaneLabel(ID_PANE_SERIAL, "S/N: 12240315000003", false);
    EXPECT_EQ("序號: 12240315000003", chinese);
    EXPECT_EQ("S/N: 12240315000003", SwapPaneLabel(ID_PANE_SERIAL, chinese, true));
    EXPECT_EQ("游標時間:", SwapPaneLabel(ID_PANE_CURSOR_TIME, InitialPaneText(905, true), false));
    EXPECT_EQ("F/W Ver: 3.12", SwapPaneLabel(ID_PANE_FIRMWARE, "F/W Ver: 3.12", true));
}

}  // namespace
}  // namespace zelt::testing
