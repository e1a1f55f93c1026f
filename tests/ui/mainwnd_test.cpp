// The main window end to end on Qt's offscreen platform: start-up and the seek against
// kvrn-sim, both toolbars, the language switch, the file commands, the close path with its
// exit confirmation, Battery Fail, and one controller exchange at a time.

#include <QAction>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

#include "app/AppStartup.h"
#include "app/CDlgBatteryFail.h"
#include "app/CDlgRecordCheck.h"
#include "app/CDlgSeek.h"
#include "config/CfgFile.h"
#include "config/CfgRecord.h"
#include "ui/UiTestSupport.h"

namespace zelt::uitest {

namespace {

// The toolbar as ids with "|" for separators.
QString ToolbarLayout(const CMainWnd& wnd) {
    QStringList items;
    for (QAction* action : wnd.findChild<QToolBar*>()->actions()) {
        items << (action->isSeparator() ? QStringLiteral("|") : action->objectName().mid(2));
    }
    return items.join(' ');
}

const QString kEnglishToolbar = "1017 57604 | 40017 | 40026 40012 40013 | 1021 | 40014 | 40027";
const QString kChineseToolbar = "40036 40037 | 40038 | 40039 40040 40041 | 40042 | 40044 | 40043";

QString PaneTexts(const CMainWnd& wnd) {
    return wnd.PaneText(901) + "|" + wnd.PaneText(902) + "|" + wnd.PaneText(905);
}

long StopMessages(const FakeWindowUi& ui) {
    return std::count_if(ui.messages.begin(), ui.messages.end(),
                         [](const Message& m) { return m.icon == MessageIcon::Stop; });
}

// The seek gives up at once: for tests that need no controller.
int NoSeek(QDialog& dialog) {
    return dynamic_cast<CDlgSeek*>(&dialog) != nullptr ? QDialog::Rejected : dialog.exec();
}

// Qt's own texts: a standard button and a file dialog's label.
QString QtTexts() {
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text() + "|" +
           QCoreApplication::translate("QFileDialog", "Look in:");
}

}  // namespace

class StartupAndLanguage : public QObject {
    Q_OBJECT
  private slots:
    void englishStartFindsTheSimAndSwitchesLanguageTwice() {
        WindowFixture f;
        f.StartSim("COM3", "--serial 12345678901234");
        f.Start();
        CMainWnd& w = *f.wnd;
        // The outer rectangle, the platform's frame included; the client area is what remains.
        QCOMPARE(w.frameGeometry(), QRect(140, 0, 670, 738));
        QVERIFY(w.size() != QSize(670, 738) && !w.statusBar()->isSizeGripEnabled());
        w.move(200, 10);  // the record keeps where the window is
        QTRY_COMPARE(f.app.config.windowLeft, 200);
        QCOMPARE(f.app.config.windowRight - f.app.config.windowLeft, w.frameGeometry().width());
        QVERIFY(f.app.comPort == 3 && f.app.savedToController == 1 && StopMessages(f.ui) == 0);
        QVERIFY(w.findChild<QWidget*>("id1027") != nullptr);
        QCOMPARE(w.windowTitle() + "|" + ToolbarLayout(w),
                 "Tessaly Solar Controller Utility|" + kEnglishToolbar);
        auto* get = ById<QAction>(w, 40012);
        QCOMPARE(get->toolTip() + "|" + get->statusTip() + "|" + ById<QAction>(w, 40027)->text(),
                 QString("Get Parameters|Get Parameters|中文"));

        // After Get Parameters the panes carry their values after the labels.
        QVERIFY2(w.PaneText(901).startsWith("F/W Ver: ") && w.PaneText(901).size() > 9,
                 qPrintable(w.PaneText(901)));
        QVERIFY2(w.PaneText(902).contains("12345678901234"), qPrintable(w.PaneText(902)));
        PostNotify(&w, UWM_CURSOR_TIME, 30);
        QCoreApplication::processEvents();
        QCOMPARE(w.PaneText(905), QString("Cursor Time: 12:30"));
        const QString englishPanes = PaneTexts(w);

        // A click on the button that the switch itself replaces.
        QTest::mouseClick(w.findChild<QToolButton*>("id40027"), Qt::LeftButton);
        QCOMPARE(
            w.windowTitle() + "|" + ToolbarLayout(w) + "|" + ById<QAction>(w, 40040)->toolTip(),
            "Tessaly 太陽能控制器工具程式|" + kChineseToolbar + "|取上次設定值");
        QVERIFY2(PaneTexts(w).startsWith("韌體版本: ") && PaneTexts(w).contains("|序號: ") &&
                     PaneTexts(w).endsWith("|游標時間: 12:30"),
                 qPrintable(PaneTexts(w)));
        w.RunCommand(40043);
        QCOMPARE(w.windowTitle() + "|" + ToolbarLayout(w) + "|" + PaneTexts(w),
                 "Tessaly Solar Controller Utility|" + kEnglishToolbar + "|" + englishPanes);

        // Nothing edited: closing leaves at once and writes the settings.
        w.close();
        QVERIFY(f.ui.quitCodes == std::vector<int>{0} && f.ui.dialogs.size() == 1);  // the seek
        QVERIFY(f.SettingsText().find("\"COM Port\"=\"3\"") != std::string::npos);
    }

    // The status bar shows the controller at the current address: RS232 reaches ID 3 of the
    // bus, RS485 then ID 17 with its own serial number and the same firmware text; a Get that
    // cannot reach the controller clears both panes.
    void statusPanesFollowTheAddress() {
        WindowFixture f;
        f.StartSim("COM3", "--bus 3,17");
        f.Start();
        CMainWnd& w = *f.wnd;
        const auto panes = [&w] { return w.PaneText(901) + "|" + w.PaneText(902); };
        QCOMPARE(panes(), "F/W Ver: 3.12|S/N: 12240315000003");
        f.app.commMode = kCommModeRs485;
        f.app.rs485Id = 17;
        w.RunCommand(40012);
        QCOMPARE(panes(), "F/W Ver: 3.12|S/N: 12240315000017");
        f.sim.reset();
        w.RunCommand(40012);
        QCOMPARE(panes(), "F/W Ver: |S/N: ");
        QCOMPARE(f.ui.messages.back().text, "Failed to get parameters: the port went away.");
    }

    // Started in Chinese from the settings, switched to English for the files.
    void saveAsNamingThenOpenGoodAndBadFiles() {
        WindowFixture f;
        f.WriteSettings("\"English\"=\"No\"\n");
        f.ui.onDialog = NoSeek;
        f.Start();
        CMainWnd& w = *f.wnd;
        QCOMPARE(w.windowTitle() + "|" + ToolbarLayout(w) + "|" + PaneTexts(w),
                 "Tessaly 太陽能控制器工具程式|" + kChineseToolbar + "|韌體版本:|序號:|游標時間:");
        PostNotify(&w, UWM_CURSOR_TIME, 725);
        QCoreApplication::processEvents();
        QCOMPARE(w.PaneText(905), QString("游標時間: 00:05"));
        QCOMPARE(QtTexts(), QString("取消|尋找於："));

        // Help that cannot be shown names the file.
        f.ui.onDialog = [](QDialog&) { return int(QDialog::Rejected); };
        w.RunCommand(40044);
        QVERIFY(f.ui.helpFiles.back().endsWith("/Solar_Help_Chinese.chm"));
        f.ui.onHelp(HelpProblem::NoViewer);
        QCOMPARE(f.ui.messages.back().caption + "|" + f.ui.messages.back().text.section('\n', 0, 1),
                 "錯誤|沒有程式能開啟說明檔:\n" + f.ui.helpFiles.back());
        w.RunCommand(40043);
        QCOMPARE(QtTexts(), QString("Cancel|Look in:"));
        const QString saved = QString::fromStdString(f.scratch.File("setup.txt"));
        f.app.savedToFile = 0;
        f.ui.chosenFiles = {saved};
        w.RunCommand(57604);
        QVERIFY(f.app.cfgFileName == "setup.cfg" && f.app.savedToFile == 1);
        QCOMPARE(QString::fromStdString(f.app.cfgFullPath), saved);
        QCOMPARE(f.ui.messages.back().text, "Save to " + saved + " Successfully.");
        QCOMPARE(f.ui.messages.back().icon, MessageIcon::Information);
        const float lvr = f.app.config.lvrVoltage;

        // Not a configuration file: reported, names and record untouched.
        const std::string bad = f.scratch.File("bad.cfg");
        testing::WriteText(bad, std::string(291, '\x01'));
        f.app.config.lvrVoltage = lvr + 1;
        w.OpenConfigFile(QString::fromStdString(bad));  // as the command line names it
        QCOMPARE(f.ui.messages.back().caption + ": " + f.ui.messages.back().text,
                 "Error: " + QString::fromStdString(bad) + "\nIllegal Config File.");
        QVERIFY(f.app.cfgFileName == "setup.cfg" && f.app.config.lvrVoltage == lvr + 1);

        // The good file comes back; a cancelled dialog changes nothing.
        f.ui.chosenFiles = {saved, QString()};
        w.RunCommand(1017);
        QVERIFY(f.app.config.lvrVoltage == lvr && f.app.cfgFileName == "setup.txt");
        const size_t messages = f.ui.messages.size();
        w.RunCommand(1017);
        QCOMPARE(f.ui.messages.size(), messages);
        QCOMPARE(f.ui.fileDialogs,
                 (std::vector<FileDialogKind>{FileDialogKind::Save, FileDialogKind::Open,
                                              FileDialogKind::Open}));
        // Each dialog starts in the folder of the last file opened or saved.
        const QString folder = QString::fromStdString(f.scratch.path.string()) + "/";
        QVERIFY(f.ui.startFolders[0] != folder && f.ui.startFolders[1] == folder);
        QCOMPARE(QString::fromStdString(f.app.cfgPath), folder);
    }

    // The desktop's opener, replaced by a script on PATH: absent, failing, succeeding.
    void helpFileProblemsAreReported() {
        testing::ScratchFolder folder;
        const std::string chm = folder.File("help.chm");
        testing::WriteText(chm, "ITSF");
        testing::ScopedEnv path{"PATH", folder.path.string()};
        const struct {
            const char* opener;  // the xdg-open script's exit status, or none
            std::string file;
            int expected;  // HelpProblem, or -1 for none
        } rows[] = {
            {nullptr, folder.File("none.chm"), int(HelpProblem::Missing)},
            {nullptr, chm, int(HelpProblem::NoViewer)},
            {"3", chm, int(HelpProblem::NoViewer)},
            {"0", chm, -1},
        };
        for (const auto& row : rows) {
            if (row.opener != nullptr) {
                testing::WriteText(folder.File("xdg-open"),
                                   std::string("#!/bin/sh\nexit ") + row.opener + "\n");
                std::filesystem::permissions(folder.File("xdg-open"),
                                             std::filesystem::perms::owner_all);
            }
            int problem = -1;
            CQtWindowUi().OpenHelpFile(QString::fromStdString(row.file),
                                       [&](HelpProblem p) { problem = int(p); });
            QTest::qWait(row.expected == -1 ? 500 : 0);
            QTRY_COMPARE(problem, row.expected);
        }
    }

    void commandLineOptions() {
        const struct {
            QStringList arguments;
            bool ok;
            QString file;
        } rows[] = {
            {{"--screenshot", "s.png", "a.cfg"}, true, QDir::current().filePath("a.cfg")},
            {{"/x/a.cfg", "/x/b.cfg"}, false, "/x/a.cfg"},
            {{"--help"}, false, ""},
        };
        for (const auto& row : rows) {
            StartupOptions options;
            QString error;
            QCOMPARE(
                ParseStartupOptions(QStringList{"zelt-utility"} + row.arguments, &options, &error),
                row.ok);
            QCOMPARE(options.cfgFilePath, row.file);
        }
    }
};
ZELT_UI_TEST(StartupAndLanguage);

class Leaving : public QObject {
    Q_OBJECT
  private slots:
    void exitConfirmationButtonsAfterEachKindOfSave() {
        WindowFixture f;
        f.StartSim();
        f.Start();
        CMainWnd& w = *f.wnd;
        const QString file = QString::fromStdString(f.scratch.File("exit.cfg"));
        QString enabled;
        f.ui.onDialog = [&](QDialog& dialog) {
            for (int id : {1003, 1004, 1005, 1006, 2}) {
                enabled +=
                    ById<QPushButton>(dialog, id)->isEnabled() ? QString::number(id) + " " : "";
            }
            return FakeWindowUi::Click(dialog, 2);
        };
        // After an edit: no save, Set Parameters, Save As.
        const std::pair<int, QString> rows[] = {
            {0, "1003 1004 1005 1006 2"}, {40013, "1004 1006 2"}, {57604, "1003 1006 2"}};
        for (const auto& [command, expected] : rows) {
            f.app.savedToController = f.app.savedToFile = 0;  // an edit
            f.ui.chosenFiles = {file};
            if (command != 0) {
                w.RunCommand(command);
            }
            if (command == 40013) {
                QCOMPARE(w.statusBar()->currentMessage(),
                         QString("Parameters saved to the controller."));
            }
            enabled.clear();
            w.close();
            QCOMPARE(enabled.trimmed(), expected);
            QVERIFY(f.ui.quitCodes.empty());
        }
        QCOMPARE(StopMessages(f.ui), 0);
    }

    void aFailedSaveKeepsTheProgramAndTheEdits() {
        WindowFixture f;
        f.ui.onDialog = NoSeek;
        f.Start();
        CMainWnd& w = *f.wnd;
        f.app.cfgFullPath = f.scratch.File("missing/none.cfg");
        int button = 0;
        f.ui.onDialog = [&](QDialog& dialog) { return FakeWindowUi::Click(dialog, button); };
        // No controller answers; the file dialog of the save is cancelled.
        for (int failing : {1003, 1004, 1005}) {
            f.app.savedToController = f.app.savedToFile = 0;
            f.ui.chosenFiles = {QString()};
            button = failing;
            w.close();
            QVERIFY(f.ui.quitCodes.empty() && f.app.savedToController + f.app.savedToFile == 0);
        }
        QCOMPARE(f.ui.messages.back().text,
                 QString("Operation fault ! Please check power & connection."));
        button = 1006;
        w.close();
        QCOMPARE(f.ui.quitCodes, std::vector<int>{0});
        QVERIFY(f.SettingsText().find("\"English\"=\"Yes\"") != std::string::npos);
    }

    void batteryFailRetryThenCloseUtility() {
        WindowFixture f;
        f.StartSim("COM3", "--battery-fail");
        QStringList answered;
        f.ui.onDialog = [&](QDialog& dialog) {
            if (dynamic_cast<CDlgBatteryFail*>(&dialog) == nullptr) {
                return dialog.exec();
            }
            answered << dialog.windowTitle() + "|" +
                            ById<QLabel>(dialog, 1011)->text().section('\n', 0, 0) + "|" +
                            ById<QPushButton>(dialog, 1025)->text() + "|" +
                            ById<QPushButton>(dialog, 1026)->text();
            return FakeWindowUi::Click(dialog, answered.size() == 1 ? 1025 : 1026);
        };
        f.Start();
        // The seek's probe (Retry), Get Parameters' status read (Close Utility), then the
        // status read of 1038, which waited for the search to end.
        QTRY_COMPARE(answered.size(), 3);
        QCOMPARE(answered.front(),
                 QString("Battery Fail|Warning: The Battery is bad/over current/short circuit "
                         "!|Retry|Close Utility"));
        // Close Utility ends at once, without the close path.
        QVERIFY(f.ui.exitNowCodes == std::vector<int>({0, 0}) && f.ui.quitCodes.empty());
        QVERIFY(f.SettingsText().find("COM Port") == std::string::npos);
    }
};
ZELT_UI_TEST(Leaving);

// What the panel shows is what is sent and saved, and no value outside the panel's limits
// reaches the controller: files opened, Set and Save pressed on the toolbar.
class SetAndSave : public QObject {
    Q_OBJECT
  private:
    static void Press(CMainWnd& w, int commandId) {
        QTest::mouseClick(w.findChild<QToolButton*>(IdName(commandId)), Qt::LeftButton);
    }
    static QString Open(WindowFixture& f, CCfgDocument record, const char* name) {
        const QString file = QString::fromStdString(f.scratch.File(name));
        [&] { QVERIFY(StoreCfgFile(file.toStdString(), record).ok); }();
        f.ui.chosenFiles = {file};
        Press(*f.wnd, 1017);
        return file;
    }

  private slots:
    void aNanAndAResetAreNeverSentUncorrected() {
        WindowFixture f;
        f.StartSim();
        f.Start();
        CMainWnd& w = *f.wnd;
        CCfgDocument record = f.app.config;
        record.lvrVoltage = NAN;
        record.fcvVoltage = 15.5f;  // 12 V: halved, then reset to 13.6
        Open(f, record, "nan.cfg");
        QCOMPARE(ById<QLineEdit>(w, 1028)->text(), QString("nan"));
        QString asked;
        int button = CDlgRecordCheck::IDCANCEL;
        f.ui.onDialog = [&](QDialog& dialog) {
            asked = ById<QLabel>(dialog, CDlgRecordCheck::IDC_TEXT)->text();
            return FakeWindowUi::Click(dialog, button);
        };
        f.trace.lines.clear();
        Press(w, 40013);
        QVERIFY2(asked.contains("\nfcvVoltage = 15.5: outside 13.0 to 15.0 at 12 V, would be "
                                "reset to 13.6"),
                 qPrintable(asked));
        for (const std::string& line : f.trace.lines) {
            QVERIFY2(line.find("PC->KVRN") == std::string::npos, line.c_str());
        }
        QCOMPARE(ById<QLineEdit>(w, 3300)->text(), QString("15.5"));  // as it was
        button = CDlgRecordCheck::IDOK;
        Press(w, 40013);
        QCOMPARE(ById<QLineEdit>(w, 3300)->text(), QString("13.6"));
        QVERIFY(f.app.savedToController == 1 && StopMessages(f.ui) == 0);
        Press(w, 40012);
        QVERIFY2(f.app.config.lvrVoltage >= 11.5f && f.app.config.lvrVoltage <= 13.5f,
                 qPrintable(QString::number(f.app.config.lvrVoltage)));
        QCOMPARE(ById<QLineEdit>(w, 3300)->text(), QString("13.6"));
    }

    void aTwelveVoltFileIsDoubledAndASaveTakesTheFieldBeingEdited() {
        WindowFixture f;
        f.StartSim("COM3", "--24v");
        f.Start();
        CMainWnd& w = *f.wnd;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        CCfgDocument twelve;
        ApplyResetValues(twelve, 12);
        Open(f, twelve, "twelve.cfg");
        Press(w, 40013);
        Press(w, 40012);
        const CCfgDocument& back = f.app.config;  // within a count of the doubled values
        QVERIFY2(std::abs(back.lvrVoltage - 24.8f) < 0.06f &&
                     std::abs(back.fcvVoltage - 27.2f) < 0.06f &&
                     std::abs(back.maxVout - 24.0f) < 0.06f,
                 StrF("%g %g %g", back.lvrVoltage, back.fcvVoltage, back.maxVout).c_str());
        // Typed, the focus still in the field: Save As stores what the field shows.
        QLineEdit* lvr = ById<QLineEdit>(w, 1028);
        lvr->setFocus();
        lvr->selectAll();
        QTest::keyClicks(lvr, "25.0");
        const QString saved = QString::fromStdString(f.scratch.File("typed.cfg"));
        f.ui.chosenFiles = {saved};
        Press(w, 57604);
        QVERIFY(lvr->hasFocus());
        CCfgDocument stored;
        QVERIFY(LoadCfgFile(saved.toStdString(), stored).ok());
        QCOMPARE(stored.lvrVoltage, 25.0f);
    }
};
ZELT_UI_TEST(SetAndSave);

}  // namespace zelt::uitest

#include "mainwnd_test.moc"
