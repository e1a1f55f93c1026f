// The main window end to end on Qt's offscreen platform: start-up and the seek against
// kvrn-sim, both toolbars, the language switch, the file commands, the close path with its
// exit confirmation, Battery Fail, and one controller exchange at a time.

#include <QAction>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>

#include "app/CDlgAbout.h"
#include "app/CDlgBatteryFail.h"
#include "app/CDlgExitConfirm.h"
#include "app/CDlgRS232.h"
#include "app/CDlgSeek.h"
#include "app/WidgetIds.h"
#include "config/CfgFile.h"
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

int StopMessages(const FakeWindowUi& ui) {
    int count = 0;
    for (const Message& m : ui.messages) {
        count += m.icon == MessageIcon::Stop ? 1 : 0;
    }
    return count;
}

// The seek gives up at once: for tests that need no controller.
int NoSeek(QDialog& dialog) {
    return dynamic_cast<CDlgSeek*>(&dialog) != nullptr ? QDialog::Rejected : dialog.exec();
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
        QCOMPARE(w.size(), QSize(670, 738));
        QCOMPARE(w.pos(), QPoint(140, 0));
        w.move(200, 10);  // the record keeps where the window is
        QTRY_COMPARE(f.app.config.windowLeft, 200);
        QCOMPARE(f.app.config.windowRight - f.app.config.windowLeft, w.frameGeometry().width());
        QCOMPARE(w.windowTitle(), QString("Tessaly Solar Controller Utility"));
        QCOMPARE(f.app.comPort, uint16_t(3));
        QCOMPARE(f.app.savedToController, 1u);
        QCOMPARE(StopMessages(f.ui), 0);
        QVERIFY(w.findChild<QWidget*>("id1027") != nullptr);
        QCOMPARE(ToolbarLayout(w), kEnglishToolbar);
        auto* get = w.findChild<QAction*>("id40012");
        QCOMPARE(get->toolTip(), QString("Get Parameters"));
        QCOMPARE(get->statusTip(), QString("Get Parameters"));

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
        QCOMPARE(w.windowTitle(), QString("Tessaly 太陽能控制器工具程式"));
        QCOMPARE(ToolbarLayout(w), kChineseToolbar);
        QCOMPARE(w.findChild<QAction*>("id40040")->toolTip(), QString("取上次設定值"));
        QVERIFY2(PaneTexts(w).startsWith("韌體版本: ") && PaneTexts(w).contains("|序號: ") &&
                     PaneTexts(w).endsWith("|游標時間: 12:30"),
                 qPrintable(PaneTexts(w)));
        w.RunCommand(40043);
        QCOMPARE(w.windowTitle(), QString("Tessaly Solar Controller Utility"));
        QCOMPARE(ToolbarLayout(w), kEnglishToolbar);
        QCOMPARE(PaneTexts(w), englishPanes);

        // Nothing edited: closing leaves at once and writes the settings.
        w.close();
        QCOMPARE(f.ui.quitCodes, std::vector<int>{0});
        QCOMPARE(f.ui.dialogs.size(), size_t(1));  // the seek dialog only
        QVERIFY(f.SettingsText().find("\"COM Port\"=\"3\"") != std::string::npos);
    }

    void chineseStartFromTheSettings() {
        WindowFixture f;
        f.WriteSettings("\"English\"=\"No\"\n");
        f.ui.onDialog = NoSeek;
        f.Start();
        CMainWnd& w = *f.wnd;
        QCOMPARE(w.windowTitle(), QString("Tessaly 太陽能控制器工具程式"));
        QCOMPARE(ToolbarLayout(w), kChineseToolbar);
        QCOMPARE(PaneTexts(w), QString("韌體版本:|序號:|游標時間:"));
        PostNotify(&w, UWM_CURSOR_TIME, 725);
        QCoreApplication::processEvents();
        QCOMPARE(w.PaneText(905), QString("游標時間: 00:05"));
    }
};
ZELT_UI_TEST(StartupAndLanguage);

class ConfigFiles : public QObject {
    Q_OBJECT
  private slots:
    void saveAsNamingThenOpenGoodAndBadFiles() {
        WindowFixture f;
        f.ui.onDialog = NoSeek;
        f.Start();
        CMainWnd& w = *f.wnd;
        const QString saved = QString::fromStdString(f.scratch.File("setup.txt"));
        f.app.savedToFile = 0;
        f.ui.chosenFiles = {saved};
        w.RunCommand(57604);
        QCOMPARE(f.app.cfgFileName, std::string("setup.cfg"));
        QCOMPARE(QString::fromStdString(f.app.cfgFullPath), saved);
        QCOMPARE(f.app.savedToFile, 1u);
        QCOMPARE(f.ui.messages.back().text, "Save to " + saved + " Successfully.");
        QCOMPARE(f.ui.messages.back().icon, MessageIcon::Information);
        const float lvr = f.app.config.lvrVoltage;

        // Not a configuration file: reported, names and record untouched.
        const std::string bad = f.scratch.File("bad.cfg");
        testing::WriteText(bad, std::string(291, '\x01'));
        f.app.config.lvrVoltage = lvr + 1;
        f.ui.chosenFiles = {QString::fromStdString(bad)};
        w.RunCommand(40036);
        QCOMPARE(f.ui.messages.back().text, QString::fromStdString(bad) + "\nIllegal Config File.");
        QCOMPARE(f.ui.messages.back().caption, QString("Error"));
        QCOMPARE(f.app.cfgFileName, std::string("setup.cfg"));
        QCOMPARE(f.app.config.lvrVoltage, lvr + 1);

        // The good file comes back; a cancelled dialog changes nothing.
        f.ui.chosenFiles = {saved, QString()};
        w.RunCommand(1017);
        QCOMPARE(f.app.config.lvrVoltage, lvr);
        QCOMPARE(f.app.cfgFileName, std::string("setup.txt"));
        const size_t messages = f.ui.messages.size();
        w.RunCommand(1017);
        QCOMPARE(f.ui.messages.size(), messages);
        QCOMPARE(f.ui.fileDialogs,
                 (std::vector<FileDialogKind>{FileDialogKind::Save, FileDialogKind::Open,
                                              FileDialogKind::Open, FileDialogKind::Open}));
    }
};
ZELT_UI_TEST(ConfigFiles);

class Leaving : public QObject {
    Q_OBJECT
  private slots:
    void exitConfirmationButtonsAfterEachKindOfSave() {
        WindowFixture f;
        f.StartSim();
        f.Start();
        CMainWnd& w = *f.wnd;
        struct Row {
            const char* save;
            std::function<void()> run;
            QString enabled;
        };
        const QString file = QString::fromStdString(f.scratch.File("exit.cfg"));
        const Row rows[] = {
            {"none", [] {}, "1003 1004 1005 1006 2"},
            {"Set Parameters", [&] { w.RunCommand(40013); }, "1004 1006 2"},
            {"Save As",
             [&] {
                 f.ui.chosenFiles = {file};
                 w.RunCommand(57604);
             },
             "1003 1006 2"},
        };
        for (const Row& row : rows) {
            f.app.savedToController = f.app.savedToFile = 0;  // an edit
            row.run();
            QString enabled;
            f.ui.onDialog = [&](QDialog& dialog) {
                const QString title = dialog.windowTitle();
                for (int id : {1003, 1004, 1005, 1006, 2}) {
                    auto* button = dialog.findChild<QPushButton*>(IdName(id));
                    enabled += button->isEnabled() ? QString::number(id) + " " : QString();
                }
                return FakeWindowUi::Click(dialog, 2);
            };
            w.close();
            QCOMPARE(enabled.trimmed(), row.enabled);
            QVERIFY2(f.ui.quitCodes.empty(), row.save);
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
            QVERIFY2(f.ui.quitCodes.empty(), qPrintable(QString::number(failing)));
            QCOMPARE(f.app.savedToController + f.app.savedToFile, 0u);
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
            const auto* text = dialog.findChild<QLabel*>("id1011");
            answered << dialog.windowTitle() + "|" + text->text().section('\n', 0, 0) + "|" +
                            dialog.findChild<QPushButton*>("id1025")->text() + "|" +
                            dialog.findChild<QPushButton*>("id1026")->text();
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
        QCOMPARE(f.ui.exitNowCodes, (std::vector<int>{0, 0}));
        QVERIFY(f.ui.quitCodes.empty());
        QVERIFY(f.SettingsText().find("COM Port") == std::string::npos);
    }
};
ZELT_UI_TEST(Leaving);

class ExchangeGate : public QObject {
    Q_OBJECT
  private slots:
    void timerAndCommandsWaitWhileGetParametersRuns() {
        WindowFixture f;
        f.StartSim();
        f.Start();
        CMainWnd& w = *f.wnd;
        int timerExchanges = 0;
        int progressMaximum = 0;
        bool running = false;
        QTimer::singleShot(0, &w, [&] {
            running = w.ExchangeRunning();
            progressMaximum = w.findChild<QProgressBar*>()->maximum();
            QVERIFY(!w.RunExchange([&] { ++timerExchanges; }));  // the panel timer's poll
            w.RunCommand(40013);                                 // Set Parameters
            w.RunCommand(40027);                                 // language switch
        });
        f.trace.lines.clear();
        w.RunCommand(40012);
        QVERIFY(running);
        QCOMPARE(progressMaximum, 26);
        QCOMPARE(timerExchanges, 0);
        QCOMPARE(f.app.english, 1u);
        for (const std::string& line : f.trace.lines) {
            QVERIFY2(line.find("PC->KVRN") == std::string::npos, line.c_str());
        }
        QVERIFY(!w.findChild<QProgressBar*>()->isVisible());
        QVERIFY(w.RunExchange([&] { ++timerExchanges; }));
        QCOMPARE(timerExchanges, 1);
    }

    void toolbarCommandsAgainstTheSimInBothModes() {
        WindowFixture f;
        f.StartSim("COM3", "--rs485-id 17");
        f.Start();
        CMainWnd& w = *f.wnd;
        QStringList titles;
        f.ui.onDialog = [&](QDialog& dialog) {
            titles << dialog.windowTitle();
            return FakeWindowUi::Click(dialog, 1);  // OK of the link and About dialogs
        };
        for (uint16_t mode : {kCommModeRs232, kCommModeRs485}) {
            f.app.commMode = mode;
            f.app.rs485Id = 17;
            for (int command : {40026, 40012, 40013, 40017, 40012, 40014}) {
                w.RunCommand(command);
                if (StopMessages(f.ui) != 0) {
                    QFAIL(qPrintable(QString::number(command) + ": " + f.ui.messages.back().text));
                }
            }
            QCOMPARE(f.app.savedToController, 1u);
        }
        QCOMPARE(titles.count("Link PC"), 2);
        QCOMPARE(titles.count("About Tessaly Solar Controller Utility"), 2);
    }
};
ZELT_UI_TEST(ExchangeGate);

}  // namespace zelt::uitest

#include "mainwnd_test.moc"
