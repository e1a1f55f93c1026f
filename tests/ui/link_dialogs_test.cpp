// The link and bus scan dialogs against simulated controllers in a private port folder.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/CDlgBusScan.h"
#include "app/CDlgRS232.h"
#include "support/SilentTerminal.h"
#include "support/TestEnv.h"
#include "ui/RecordingWindow.h"
#include "ui/UiTestSupport.h"

using namespace zelt;
using namespace zelt::testing;
using zelt::uitest::ById;

namespace {

// Silent terminals and kvrn-sim as COM ports of a private port folder, and a controller object
// on them.
struct PortBench {
    PortBench() {
        app.commMode = kCommModeRs232;
        app.rs485Id = 250;
        app.comPort = 7;  // the saved port is not among those that exist
    }
    void PlaceSim(int com, const std::string& options = "") {
        sims.push_back(
            std::make_unique<uitest::SimProcess>(folder.path, StrF("COM%d", com), options));
        QVERIFY(sims.back()->Running());
    }
    void PlaceSilent(int com) {
        silent.push_back(std::make_unique<SilentTerminal>());
        std::filesystem::create_symlink(silent.back()->path, folder.File(StrF("COM%d", com)));
    }

    ScratchFolder folder;
    ScopedEnv portDir{"ZELT_PORT_DIR", folder.path.string()};
    std::vector<std::unique_ptr<uitest::SimProcess>> sims;
    std::vector<std::unique_ptr<SilentTerminal>> silent;
    CMainApp app;
    CComPort port;
    CaptureTraceSink trace;
    uitest::RecordingWindow window;
    SystemWallClock wall;
    CControllerCommands commands{app, port, ProcessTickClock(), trace, wall, window};
    int getParameters = 0;
    CDlgRS232::GetParameters countDetectedGet = [this](const LinkAddress&) { ++getParameters; };
};

}  // namespace

class LinkDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    // RS232 then Cancel, RS485 then OK: the ID Auto Detect found stays either way, the mode
    // only with OK.
    void autoDetectThenOkOrCancel() {
        for (const bool rs485 : {false, true}) {
            const bool pressOk = rs485;
            const QString found = rs485 ? "Controller is found at COM3, RS485 ID = 249."
                                        : "Controller is found at COM3.";
            PortBench bench;
            bench.PlaceSim(3, "--rs485-id 249");
            bench.PlaceSilent(5);  // after the controller: listed, never probed
            CDlgRS232* shown = nullptr;
            bool detectTakenDuringGet = true;
            CDlgRS232 dlg(bench.app, bench.port, bench.commands, bench.window,
                          [&](const LinkAddress& at) {
                              // The Get that follows takes Cancel alone, as the walk did.
                              detectTakenDuringGet = ById<QPushButton>(*shown, 1001)->isEnabled();
                              bench.countDetectedGet(at);
                          });
            shown = &dlg;
            std::vector<std::pair<int, int>> probes;
            dlg.SetProbeHook([&](int port, int id) { probes.emplace_back(port, id); });

            auto* list = ById<QComboBox>(dlg, 1000);
            QCOMPARE(QStringLiteral("%1 %2,%3")
                         .arg(list->count())
                         .arg(list->itemText(0), list->itemText(1)),
                     "2 COM 3,COM 5");
            QVERIFY(list->currentIndex() == -1 && dlg.SelectedPort() == 7 && !bench.port.IsOpen());
            QVERIFY(ById<QRadioButton>(dlg, 1014)->isChecked() &&
                    !ById<QLineEdit>(dlg, 1017)->isEnabled());
            if (rs485) {
                ById<QRadioButton>(dlg, 1015)->click();
            }
            ById<QPushButton>(dlg, 1001)->click();

            QCOMPARE(bench.window.messages.size(), 1u);
            QCOMPARE(QString::fromStdString(bench.window.messages[0]), "Detect OK: " + found);
            QVERIFY(bench.getParameters == 1 && bench.port.IsOpen() && dlg.SelectedPort() == 3);
            QVERIFY(!detectTakenDuringGet);
            QCOMPARE(list->currentText() + " " + ById<QLineEdit>(dlg, 1017)->text(),
                     QString("COM 3 249"));
            // (The walk may probe 248 while a late answer of 249 is on its way.)
            QVERIFY(std::count(probes.begin(), probes.end(), std::make_pair(3, rs485 ? 249 : 0)));
            QCOMPARE(bench.app.commMode, kCommModeRs232);  // the mode waits for OK
            QCOMPARE(ById<QRadioButton>(dlg, 1015)->isChecked(), rs485);

            ById<QPushButton>(dlg, pressOk ? 1 : 2)->click();
            QCOMPARE(dlg.result(), pressOk ? QDialog::Accepted : QDialog::Rejected);
            QCOMPARE(bench.app.commMode, rs485 ? kCommModeRs485 : kCommModeRs232);
            QCOMPARE(bench.app.rs485Id, 249);
        }
    }

    // The typed ID counts only when OK is pressed in RS485; a bad one keeps the dialog open
    // (the ID check itself: LinkDialogModel's test).
    void idIsCheckedOnOkInRs485Only() {
        // English, RS485 left checked, typed ID, accepted.
        const std::tuple<bool, bool, const char*, bool> rows[] = {
            {true, true, "256", false}, {false, true, "", false}, {true, false, "abc", true}};
        for (const auto& [english, rs485, typed, accepted] : rows) {
            PortBench bench;
            bench.app.english = english;
            bench.app.commMode = kCommModeRs485;  // opens with RS485 checked
            CDlgRS232 dlg(bench.app, bench.port, bench.commands, bench.window,
                          bench.countDetectedGet);
            QVERIFY(ById<QRadioButton>(dlg, 1015)->isChecked());
            if (!rs485) {
                ById<QRadioButton>(dlg, 1014)->click();
            }
            dlg.show();
            ById<QLineEdit>(dlg, 1017)->setText(typed);
            ById<QPushButton>(dlg, 1)->click();
            QVERIFY2(dlg.isVisible() == !accepted, typed);
            QCOMPARE(bench.app.commMode, rs485 || !accepted ? kCommModeRs485 : kCommModeRs232);
            QCOMPARE(bench.app.rs485Id, 250);
            QStringList shown;
            for (const auto& message : bench.window.messages) {
                shown << QString::fromStdString(message);
            }
            const QString refusal = english
                                        ? "Error: RS485 ID must be a whole number from 1 to 255."
                                        : "錯誤: RS485 ID 必須是 1 到 255 之間的整數.";
            QCOMPARE(shown, accepted ? QStringList() : QStringList{refusal});
        }
    }

    // "Scan Bus" lists each controller the walk finds (2 answers its probe late); the one
    // chosen hands its ID back and the application's own ID stays as it was.
    void busScanListsTheControllersAndHandsBackTheChosenId() {
        PortBench bench;
        bench.PlaceSim(4, "--bus 2,6 --fault late --late-ms 100 --fault-count 1 --fault-id 2");
        CDlgBusScan scan(bench.app, bench.port, ProcessTickClock(), bench.trace, 4, nullptr, 1, 7);
        scan.show();
        QTRY_VERIFY_WITH_TIMEOUT(scan.WalkEnded(), 10000);
        auto* list = ById<QListWidget>(scan, 1023);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), "ID 6    S/N: 12240315000006");
        QCOMPARE(ById<QLabel>(scan, 1024)->text(), "2 controller(s) found.");
        list->setCurrentRow(1);
        ById<QPushButton>(scan, 1)->click();
        QVERIFY(scan.result() == QDialog::Accepted && scan.ChosenId() == 6);
        QCOMPARE(bench.app.rs485Id, 250);
    }
};

ZELT_UI_TEST(LinkDialogsTest);

#include "link_dialogs_test.moc"
