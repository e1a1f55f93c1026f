// The window while an exchange runs, against kvrn-sim: what the technician does then is
// visibly refused, the clocks keep time whatever is open, Cancel stops the long walks, and
// readings that stopped coming say so.

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/CDlgRS232.h"
#include "app/CDlgSeek.h"
#include "app/CMainWnd.h"
#include "support/SilentTerminal.h"
#include "ui/UiTestSupport.h"
#include "ui/panel/CWndMiscPara.h"
#include "ui/schedule/CScheduleEditor.h"
#include "ui/schedule/CTimeArea.h"

using namespace zelt;
using zelt::uitest::ById;
using zelt::uitest::WindowFixture;

namespace {

int NoSeek(QDialog& dialog) {
    return dynamic_cast<CDlgSeek*>(&dialog) != nullptr ? QDialog::Rejected : dialog.exec();
}

// The clock display id's "hh : mm : ss" as seconds of the day.
int Seconds(CMainWnd& w, int id) {
    return QTime::fromString(ById<QLineEdit>(w, id)->text(), "hh : mm : ss")
               .msecsSinceStartOfDay() /
           1000;
}

// Charge count, battery voltage and capacity, controller clock.
QString LiveTexts(CMainWnd& w) {
    return ById<QLineEdit>(w, 1048)->text() + "|" + ById<QLineEdit>(w, 1049)->text() + "|" +
           ById<QLineEdit>(w, 1050)->text() + "|" + ById<QLineEdit>(w, 1052)->text();
}

QString PanelTexts(CMainWnd& w) {
    QStringList texts;
    for (int id : {1028, 1029, 1030, 1031, 3300, 3301, 3303}) {
        texts << ById<QLineEdit>(w, id)->text();
    }
    return texts.join(' ');
}

}  // namespace

class ExchangeTest : public QObject {
    Q_OBJECT

  private slots:
    // The gate's wiring: during Set and Get a key typed into a field, a sector drawn, Reset and
    // the due poll are refused where the technician sees it (disabled controls); nothing is lost
    // or reported as failed, and afterwards the controller holds what the window shows.
    void inputDuringGetAndSetIsVisiblyRefused() {
        WindowFixture f;
        f.StartSim();
        f.Start();
        CMainWnd& w = *f.wnd;
        auto* editor = w.findChild<CScheduleEditor*>();
        auto* area = ById<CTimeArea>(w, 1009);
        auto* lvr = ById<QLineEdit>(w, 1029);
        uitest::TypeAndLeave(ById<QLineEdit>(w, 1028), "12.9");
        for (int command : {40013, 40012}) {  // Set, Get
            const std::vector<CTimeSectorData> sectors = editor->Sectors();
            const QString typed = lvr->text();
            bool refused = false;
            QTimer::singleShot(0, &w, [&] {
                auto* reset = ById<QAbstractButton>(w, 3302);
                refused = w.LinkWorking() && !lvr->isEnabled() && !area->isEnabled() &&
                          !reset->isEnabled() &&
                          !w.findChild<QAction*>(IdName(40013))->isEnabled() &&
                          w.findChild<QPushButton*>("cancelExchange")->isVisible();
                QTest::keyClicks(lvr, "9");
                uitest::Drag(area, {300, 20}, {{330, 20}});
                QTest::mouseClick(reset, Qt::LeftButton);
                w.Model().Values().pollTicks = 4;
                refused = refused && !w.Model().PanelTick() && lvr->text() == typed &&
                          editor->Sectors() == sectors;
            });
            w.RunCommand(command);
            QVERIFY(w.Model().PanelTick() && !w.findChild<QProgressBar*>()->isVisible());
            QVERIFY2(refused, qPrintable(QString::number(command)));
            QVERIFY(lvr->isEnabled() && area->isEnabled() && ById(w, 3302)->isEnabled());
            QVERIFY(f.ui.messages.empty() && f.app.savedToController == 1);
        }
        QCOMPARE(ById<QLineEdit>(w, 1028)->text(), QStringLiteral("12.9"));
        const QString shown = PanelTexts(w);
        w.RunCommand(40012);
        QCOMPARE(PanelTexts(w), shown);
    }

    // A controller on another port brings its own voltage scale: after the link dialog's OK
    // the next poll converts with the firmware 4 controller's scale, not the previous one's.
    void anotherPortBringsItsOwnVoltageScale() {
        WindowFixture f;
        f.StartSim();  // COM3, firmware 3
        f.Start();
        // Both simulated batteries follow the same curve through the day.
        const auto volts = [&f] {
            return ById<QLineEdit>(*f.wnd, 1049)->text().chopped(2).toDouble();
        };
        const double before = volts();
        QVERIFY(before > 10);
        uitest::SimProcess newer(f.scratch.path / "ports", "COM4", "--firmware 4.01");
        f.ui.onDialog = [](QDialog& dialog) {
            ById<QComboBox>(dialog, 1000)->setCurrentText("COM 4");
            return uitest::FakeWindowUi::Click(dialog, 1);
        };
        f.wnd->RunCommand(40017);
        QCOMPARE(f.app.comPort, 4);
        for (int i = 0; i < 5; ++i) {
            f.wnd->Panel()->OnPanelTimer();
        }
        QVERIFY2(std::abs(volts() - before) < 0.15, qPrintable(QString::number(volts())));
    }

    // Both clocks keep time while About is open for 10 s, and nothing sets the controller's
    // clock on its own.
    void clocksKeepTimeWhileAboutIsOpen() {
        WindowFixture f;
        f.StartSim();
        f.Start();
        CMainWnd& w = *f.wnd;
        w.Panel()->OnPanelTimer();
        const int pc = Seconds(w, 1054);
        const int controller = Seconds(w, 1052);
        f.trace.lines.clear();
        f.ui.onDialog = [](QDialog& dialog) {
            QTimer::singleShot(10000, &dialog, &QDialog::accept);
            return dialog.exec();
        };
        w.RunCommand(40014);  // About
        const int pcAdvance = (Seconds(w, 1054) - pc + 86400) % 86400;
        QVERIFY2(pcAdvance >= 9 && pcAdvance <= 11, qPrintable(QString::number(pcAdvance)));
        QCOMPARE((Seconds(w, 1052) - controller + 86400) % 86400, pcAdvance);
        QVERIFY(
            std::none_of(f.trace.lines.begin(), f.trace.lines.end(),
                         [](const std::string& line) { return line.rfind("Set RTC", 0) == 0; }));
    }

    // Without a controller the live readings stay blank. Cancel during an RS485 Auto Detect
    // over a silent port ends the walk after the probe in flight; the dialog stays for another
    // try and nothing is reported.
    void cancelStopsAnRs485AutoDetect() {
        WindowFixture f;
        testing::SilentTerminal silent;
        std::filesystem::create_symlink(silent.path, f.scratch.path / "ports" / "COM1");
        f.ui.onDialog = NoSeek;
        f.Start();
        f.wnd->RefreshFromRecord();  // as a file opened: no readings, no zeros
        QCOMPARE(LiveTexts(*f.wnd), QString("|||"));
        qint64 cancelToEnd = -1;
        bool dialogStays = false;
        f.ui.onDialog = [&](QDialog& dialog) {
            auto* link = dynamic_cast<CDlgRS232*>(&dialog);
            if (link == nullptr) {
                return int(QDialog::Rejected);
            }
            ById<QRadioButton>(dialog, 1015)->click();
            QElapsedTimer sinceCancel;
            QTimer::singleShot(500, &dialog, [&] {
                sinceCancel.start();
                ById<QPushButton>(dialog, 2)->click();
            });
            ById<QPushButton>(dialog, 1001)->click();  // returns when the walk has ended
            cancelToEnd = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
            dialogStays = !link->Detecting() && link->result() == 0 &&
                          ById<QPushButton>(dialog, 1001)->isEnabled();
            return int(QDialog::Rejected);
        };
        f.wnd->RunCommand(40017);  // Link
        QVERIFY2(cancelToEnd >= 0 && cancelToEnd < 500, qPrintable(QString::number(cancelToEnd)));
        QVERIFY(dialogStays && f.ui.messages.empty());
    }

    // Cancel during Get keeps what the window showed (typed and not yet sent); Cancel during
    // Set says which items were written and leaves "saved to controller" unset.
    void cancelOfGetAndSet() {
        WindowFixture f;
        f.StartSim();
        f.Start();
        CMainWnd& w = *f.wnd;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* progress = w.findChild<QProgressBar*>();
        QElapsedTimer sinceCancel;
        const auto cancelAt = [&](int item) {
            return connect(progress, &QProgressBar::valueChanged, &w,
                           [&w, &sinceCancel, item](int n) {
                               if (n == item && !sinceCancel.isValid()) {
                                   sinceCancel.start();
                                   w.CancelExchange();
                               }
                           });
        };
        uitest::TypeAndLeave(ById<QLineEdit>(w, 1028), "12.9");
        QMetaObject::Connection connection = cancelAt(5);
        w.RunCommand(40012);
        disconnect(connection);
        QVERIFY(sinceCancel.isValid() && sinceCancel.elapsed() < 500);
        QCOMPARE(ById<QLineEdit>(w, 1028)->text(), QStringLiteral("12.9"));
        QCOMPARE(f.app.savedToController, 0u);
        QVERIFY(f.ui.messages.empty());

        sinceCancel.invalidate();
        connection = cancelAt(4);
        w.RunCommand(40013);
        disconnect(connection);
        QVERIFY(sinceCancel.isValid() && sinceCancel.elapsed() < 500);
        QCOMPARE(f.app.savedToController, 0u);
        QCOMPARE(f.ui.messages.size(), 1u);
        QCOMPARE(f.ui.messages[0].caption, QStringLiteral("Cancelled"));
        QVERIFY2(f.ui.messages[0].text.startsWith("Set Parameters was cancelled. Written to the "
                                                  "controller:\nSet Volt for Load\n"),
                 qPrintable(f.ui.messages[0].text));
        QVERIFY(!f.ui.messages[0].text.contains("Set RTC"));
    }

    // A foreign vendor ID makes the start-up Get leave the program while it still has the
    // controller clock to correct: whatever the link thread runs then has ended when the event
    // loop returns, before the window goes.
    void leavingDuringAnExchangeWaitsForIt() {
        for (int run = 0; run < 3; ++run) {
            WindowFixture f;
            f.StartSim("COM3", "--vendor-id 7 --clock-offset -3");
            QCOMPARE(f.RunUntilQuit(), 0);
            const std::size_t traced = f.trace.lines.size();
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
            QCOMPARE(f.trace.lines.size(), traced);
            QCOMPARE(f.ui.quitCodes, std::vector<int>{0});
        }
    }

    // The first readings show once the start-up has ended. Readings that stop coming, or that
    // no poll reads while a dialog is open, are greyed with the time of the last good poll from
    // the second failed poll on, and come back with the next good one.
    void staleReadingsAreShownAsSuch() {
        WindowFixture f;
        f.StartSim();
        f.Start();
        CMainWnd& w = *f.wnd;
        // The first poll came as soon as the start-up Get ended.
        QVERIFY2(QRegularExpression("\\d+\\|1\\d\\.\\d V\\|\\d+%\\|\\d\\d : \\d\\d : \\d\\d")
                     .match(LiveTexts(w))
                     .hasMatch(),
                 qPrintable(LiveTexts(w)));
        auto* pane = w.findChild<QLabel*>("staleReadings");
        const auto poll = [&w] {
            w.Model().Values().pollTicks = 4;
            w.Panel()->OnPanelTimer();
        };
        poll();
        QVERIFY(pane->isHidden());
        const QString lastGood = ById<QLineEdit>(w, 1054)->text().remove(' ');
        f.sim.reset();  // the controller is switched off
        poll();
        poll();
        QVERIFY(!pane->isHidden() && ById(w, 1049)->property("stale").toBool());
        QCOMPARE(pane->text(), "Last reading " + lastGood);
        f.StartSim();  // back on the same COM: the poll opens the port again by itself
        poll();
        QVERIFY(pane->isHidden() && !ById(w, 1049)->property("stale").toBool());
        f.sim.reset();  // and so does Get Parameters
        f.StartSim();
        w.RunCommand(40012);
        QCOMPARE(f.ui.messages.size(), 0u);
        f.ui.onDialog = [&w](QDialog&) {
            for (int tick = 0; tick < 10; ++tick) {
                w.Panel()->OnPanelTimer();
            }
            return int(QDialog::Rejected);
        };
        w.RunCommand(40014);  // About
        QVERIFY(!pane->isHidden() && ById(w, 1049)->property("stale").toBool());
    }
};

ZELT_UI_TEST(ExchangeTest);

#include "exchange_test.moc"
