// The parameter panel as the technician meets it: real widgets on the offscreen platform,
// keys typed into focused fields, focus moved away, spins clicked, a controller on a scripted
// line behind it.

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>
#include <functional>

#include "config/CfgFile.h"
#include "panel/CLiveChart.h"
#include "panel/CPanelControls.h"
#include "panel/CWndMiscPara.h"
#include "schedule/CSpinButton.h"
#include "support/ControllerFixture.h"
#include "ui/UiTestSupport.h"

using namespace zelt;
using zelt::testing::ControllerFixture;

namespace {

class TestPanelHost final : public IPanelHost {
  public:
    explicit TestPanelHost(ControllerFixture& fx) : fx_(fx) {}
    CControllerLink& Link() override { return fx_.ctl; }
    bool RunExchange(const std::function<void()>& exchange) override {
        if (exchangeRunning || fx_.ctl.panel.linkBusy != 0) {
            return false;
        }
        exchangeRunning = true;
        exchange();
        exchangeRunning = false;
        return true;
    }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon) override {
        messages.push_back(caption + ": " + text);
    }
    bool exchangeRunning = false;
    std::vector<std::string> messages;

  private:
    ControllerFixture& fx_;
};

// A record that differs from the defaults in every value the panel stores.
CCfgDocument SampleRecord(int volts) {
    const float k = volts == 24 ? 2.0f : 1.0f;
    CCfgDocument r;
    r.lvrVoltage = 12.6f * k;
    r.lvdVoltage = 11.3f * k;
    r.fcvVoltage = 13.8f * k;
    r.acvVoltage = 14.9f * k;
    r.lowLevelEnabled = 1;
    r.low1Voltage = 11.5f * k;
    r.low2Voltage = 11.0f * k;
    r.low1Brightness = 60;
    r.low2Brightness = 20;
    r.tempCompensation = volts == 24 ? 50 : 20;
    r.pwmEnabled = 1;
    r.maxVout = 13.0f * k;
    r.minVout = 9.5f * k;
    r.lightOnVoltage = 3.5f * k;
    r.lightOffVoltage = 7.0f * k;
    r.operatingMode = 2;
    r.lightingTime = 2;
    r.remoteLevel = 0.0f;  // the never-shown field commits as 0.0
    r.autoDuration = {30, 45, 60, 90, 120, 0, 15, 600};
    r.autoBrightness = {100, 90, 80, 70, 60, 50, 0, 10};
    r.batteryType = 1;
    return r;
}

}  // namespace

class PanelTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<ControllerFixture> fx_;
    std::unique_ptr<TestPanelHost> host_;
    std::unique_ptr<CWndMiscPara> panel_;

    QLineEdit* Edit(int id) {
        return panel_->findChild<QLineEdit*>(QStringLiteral("id%1").arg(id));
    }
    QWidget* Widget(int id) { return panel_->findChild<QWidget*>(QStringLiteral("id%1").arg(id)); }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(Widget(id)); }

    // Shows a record the way "Get Parameters" ends: the record, then the refresh.
    void Show(const CCfgDocument& record, int volts) {
        fx_->app.systemVoltage = static_cast<uint16_t>(volts);
        fx_->app.config = record;
        panel_->RefreshFromConfig();
    }
    // Focuses the field, replaces its text by typing, and moves the focus away.
    void TypeAndLeave(int id, const QString& typed) {
        const bool advance = id >= 3309 && id <= 3316;
        panel_->findChild<QTabWidget*>(QStringLiteral("id3307"))->setCurrentIndex(advance ? 1 : 0);
        QLineEdit* edit = Edit(id);
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, typed);
        edit->clearFocus();
    }

  private slots:
    void init() {
        fx_ = std::make_unique<ControllerFixture>();
        host_ = std::make_unique<TestPanelHost>(*fx_);
        panel_ = std::make_unique<CWndMiscPara>(fx_->app, *host_, nullptr, nullptr);
        panel_->resize(650, 625);
        panel_->show();
        panel_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(panel_.get()));
    }
    void cleanup() {
        panel_.reset();
        host_.reset();
        fx_.reset();
    }

    // Typed text, then focus out: the filter, the ranges and the pair rules.
    void validation_data() {
        QTest::addColumn<int>("volts");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("LVR above range") << 12 << 1028 << "20"
                                         << "13.5";
        QTest::newRow("LVR too close to LVD restores") << 12 << 1028 << "11.6"
                                                       << "12.6";
        QTest::newRow("second point dropped") << 12 << 1028 << "12..9"
                                              << "12.9";
        QTest::newRow("LVR 24 V floor") << 24 << 1028 << "20"
                                        << "23.0";
        QTest::newRow("Low 2 under Low 1") << 12 << 3313 << "11.6"
                                           << "11.4";
        QTest::newRow("Low 2 clamped then under Low 1") << 12 << 3313 << "12.0"
                                                        << "11.4";
        QTest::newRow("brightness rounds up") << 12 << 3311 << "55"
                                              << "60%";
        QTest::newRow("brightness rounds down") << 12 << 3311 << "54"
                                                << "50%";
        QTest::newRow("brightness over 100 cut") << 12 << 3311 << "105"
                                                 << "10%";
        QTest::newRow("temperature empty") << 12 << 3303 << ""
                                           << "20";
        QTest::newRow("temperature 24 V") << 24 << 3303 << "70"
                                          << "60";
        QTest::newRow("hour empty") << 12 << 1033 << ""
                                    << "0";
        QTest::newRow("hour 25 cut") << 12 << 1033 << "25"
                                     << "2";
        QTest::newRow("Min.Vout keeps the gap") << 12 << 1031 << "12.5"
                                                << "12.0";
        QTest::newRow("Max.Vout 24 V range") << 24 << 1030 << "17"
                                             << "18.0";
    }
    void validation() {
        QFETCH(int, volts);
        QFETCH(int, id);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Show(SampleRecord(12), volts);
        TypeAndLeave(id, typed);
        QCOMPARE(Edit(id)->text(), shown);
    }

    // Spin clicks at and inside their limits; a refused step leaves the text as it was.
    void spins_data() {
        QTest::addColumn<int>("volts");
        QTest::addColumn<int>("spinId");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("shown");
        QTest::newRow("LVR at top") << 12 << 1042 << 1028 << "13.5" << true << "13.5";
        QTest::newRow("LVR up") << 12 << 1042 << 1028 << "13.3" << true << "13.4";
        QTest::newRow("LVD at floor") << 12 << 1043 << 1029 << "10.5" << false << "10.5";
        QTest::newRow("LVD up to the gap") << 12 << 1043 << 1029 << "11.6" << true << "11.6";
        QTest::newRow("temperature at top") << 12 << 3402 << 3303 << "30" << true << "30";
        QTest::newRow("temperature down") << 12 << 3402 << 3303 << "30" << false << "20";
        QTest::newRow("temperature 24 V up") << 24 << 3402 << 3303 << "40" << true << "60";
        QTest::newRow("brightness at 100") << 12 << 3312 << 3311 << "100%" << true << "100%";
        QTest::newRow("Min.Vout at floor") << 12 << 1045 << 1031 << "8.0" << false << "8.0";
    }
    void spins() {
        QFETCH(int, volts);
        QFETCH(int, spinId);
        QFETCH(int, id);
        QFETCH(QString, start);
        QFETCH(bool, up);
        QFETCH(QString, shown);
        Show(SampleRecord(volts), volts);
        fx_->app.config.lvrVoltage = 0;  // the spin works on the panel's values only
        TypeAndLeave(id, start);
        auto* spin = panel_->findChild<CSpinButton*>(QStringLiteral("id%1").arg(spinId));
        up ? spin->StepUp() : spin->StepDown();
        QCOMPARE(Edit(id)->text(), shown);
    }

    // Basic and Advance show their own controls; the never-shown ones stay hidden.
    void tabsPwmAndOnBox() {
        auto* tabs = panel_->findChild<QTabWidget*>(QStringLiteral("id3307"));
        const auto visible = [this](int id) { return Widget(id)->isVisible(); };
        CCfgDocument noPwm = SampleRecord(12);
        noPwm.pwmEnabled = 0;
        Show(noPwm, 12);
        QVERIFY(visible(1028) && !visible(3308) && !visible(3309));
        tabs->setCurrentIndex(1);
        QVERIFY(!visible(1028) && !visible(1042) && visible(3308) && visible(3316));
        // PWM off: the load limits, "On" and the Advance rows are unusable, "On" unchecked.
        QVERIFY(Button(3305)->isChecked() && !Button(3306)->isChecked());
        QVERIFY(!Widget(1030)->isEnabled() && !Widget(1045)->isEnabled());
        QVERIFY(!Button(3308)->isEnabled() && !Button(3308)->isChecked());
        QVERIFY(!Widget(3309)->isEnabled() && !Widget(3316)->isEnabled());
        panel_->StoreToConfig();
        QCOMPARE(fx_->app.config.lowLevelEnabled, 0u);

        Show(SampleRecord(12), 12);  // PWM on, low levels on
        QVERIFY(Button(3306)->isChecked() && Widget(1030)->isEnabled());
        QVERIFY(Button(3308)->isChecked() && Widget(3309)->isEnabled());
        QTest::mouseClick(Button(3308), Qt::LeftButton);
        QVERIFY(!Widget(3309)->isEnabled() && !Widget(3316)->isEnabled());
        QVERIFY(Widget(1030)->isEnabled());
        tabs->setCurrentIndex(0);
        QVERIFY(visible(1028) && !visible(3308));
        for (int id : {4000, 4001, 4002, 4003, 3506, 4006}) {
            QVERIFY2(!visible(id), qPrintable(QString::number(id)));
        }
        QVERIFY(!Widget(3305)->isEnabled() && !Widget(1038)->isEnabled() &&
                !Widget(1060)->isEnabled() && !Widget(2027)->isEnabled());
    }

    // Refresh, commit and store give back the record; a refresh keeps the saved flags.
    void refreshStoreRoundTrip_data() {
        QTest::addColumn<int>("volts");
        QTest::newRow("12 V") << 12;
        QTest::newRow("24 V") << 24;
    }
    void refreshStoreRoundTrip() {
        QFETCH(int, volts);
        const CCfgDocument record = SampleRecord(volts);
        fx_->ctl.panel.modeText = "Manual";
        fx_->ctl.panel.lightingTimeText = "8 Hours";
        Show(record, volts);
        QCOMPARE(Edit(1080)->text(), QStringLiteral("100%"));
        QCOMPARE(Edit(3300)->text(), volts == 24 ? QStringLiteral("27.6") : QStringLiteral("13.8"));
        QVERIFY(Widget(1041)->isVisible());
        QCOMPARE(fx_->app.savedToFile + fx_->app.savedToController, 2u);
        fx_->app.config = CCfgDocument{};
        panel_->CommitAllFields();
        panel_->StoreToConfig();
        QVERIFY(fx_->app.config == record);
    }

    // Only the user's typing counts as a change, not a refresh into the focused field.
    void userEditClearsSavedFlags() {
        Edit(1029)->setFocus();
        Show(SampleRecord(12), 12);
        QCOMPARE(fx_->app.savedToFile + fx_->app.savedToController, 2u);
        TypeAndLeave(1029, "11.2");
        QCOMPARE(fx_->app.savedToFile, 0u);
        QCOMPARE(fx_->app.savedToController, 0u);
    }

    // Language: texts, fonts, the charge/discharge row, the mode texts.
    void language() {
        fx_->ctl.panel.modeText = "Schedule";
        fx_->app.systemVoltage = 24;
        fx_->app.english = 0;
        panel_->SetLanguage(false);
        QCOMPARE(panel_->findChild<QGroupBox*>(QStringLiteral("id1025"))->title(),
                 QStringLiteral("電池資訊 24V"));
        QCOMPARE(Button(1053)->text(), QStringLiteral("設成電腦時間"));
        QCOMPARE(Edit(1040)->text(), QStringLiteral("排程"));
        QCOMPARE(Widget(3504)->geometry(), QRect(532, 305, 42, 18));
        QCOMPARE(panel_->findChild<QComboBox*>(QStringLiteral("id4006"))->currentText(),
                 QStringLiteral("鉛酸電池"));
        fx_->app.english = 1;
        panel_->SetLanguage(true);
        QCOMPARE(Edit(1040)->text(), QStringLiteral("Schedule"));
        QCOMPARE(Widget(3504)->geometry(), QRect(555, 305, 42, 18));
    }

    // The panel's buttons send one command each and say when it failed.
    void actions() {
        fx_->AnswerNothing();
        QTest::mouseClick(Button(3302), Qt::LeftButton);
        fx_->AnswerNothing();
        QTest::mouseClick(Button(1057), Qt::LeftButton);
        QTest::mouseClick(Button(1058), Qt::LeftButton);
        QCOMPARE(host_->messages,
                 (std::vector<std::string>{"Fail: Failed to reset charge count.",
                                           "Error: Set RTC Fail !",
                                           "Error: Failed to Update Operating Mode."}));
        QCOMPARE(fx_->requests.size(), 4u);  // reset, clock, mode read twice
        fx_->ctl.panel.chargeCount = 7;
        fx_->AnswerWrite();
        QTest::mouseClick(Button(3302), Qt::LeftButton);
        QCOMPARE(Edit(1048)->text(), QStringLiteral("0"));
        QTest::mouseClick(Button(1055), Qt::LeftButton);
        QVERIFY(Widget(1056)->isEnabled() && !Widget(1057)->isEnabled());
        QCOMPARE(fx_->ctl.panel.usePcTime, 0);
    }

    // The timer: nothing while an exchange runs or the link is busy; a poll feeds the chart.
    void timer() {
        host_->exchangeRunning = true;
        for (int i = 0; i < 5; ++i) {
            panel_->OnPanelTimer();
        }
        host_->exchangeRunning = false;
        fx_->ctl.panel.linkBusy = 1;
        panel_->OnPanelTimer();
        QVERIFY(fx_->requests.empty());
        QVERIFY(fx_->host.displays.empty());
        fx_->ctl.panel.linkBusy = 0;
        panel_->OnPanelTimer();
        QCOMPARE(fx_->host.displays[zelt::Display::PcClock], "12 : 00 : 00");
        QVERIFY(panel_->LiveChart().Samples().empty());
        panel_->OnPanelTimer();  // the fifth tick from the start value polls
        QVERIFY(!fx_->requests.empty());
        QCOMPARE(panel_->LiveChart().Samples().size(), 1u);
    }

    // An hour of readings in the chart; older ones drop out, a clock set back starts afresh.
    void liveChart() {
        CLiveChart& chart = panel_->LiveChart();
        const qint64 start = QDateTime(QDate(2026, 6, 1), QTime(9, 0)).toMSecsSinceEpoch();
        for (int i = 0; i <= 150; ++i) {
            const double t = i / 10.0;
            chart.Append({start + i * 30000, 12.4 + 0.8 * std::sin(t / 3), 4 + 3 * std::sin(t),
                          i > 90 ? 2.5 : 0.0});
        }
        QCOMPARE(chart.Samples().size(), 121u);  // 60 minutes at one reading per 30 s
        chart.show();
        QVERIFY(chart.grab().save(QStringLiteral(ZELT_ARTIFACT_DIR "/live-chart.png")));
        chart.Append({start, 12.0, 0, 0});
        QCOMPARE(chart.Samples().size(), 1u);
    }
};

ZELT_UI_TEST(PanelTest);

// The panel in the running program against kvrn-sim: what the technician types and spins
// reaches the controller and comes back, in both wire protocols, and reaches a saved file.
class PanelWithController : public QObject {
    Q_OBJECT

  private slots:
    void typedAndSpunValuesReadBack_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("RS232") << int{kCommModeRs232};
        QTest::newRow("RS485") << int{kCommModeRs485};
    }
    void typedAndSpunValuesReadBack() {
        QFETCH(int, mode);
        uitest::WindowFixture f;
        f.StartSim("COM3");
        f.Start();  // the start-up search ends with "Get Parameters"
        CMainWnd& w = *f.wnd;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto edit = [&w](int id) {
            return w.findChild<QLineEdit*>(QStringLiteral("id%1").arg(id));
        };
        const auto texts = [&edit](std::initializer_list<int> ids) {
            QStringList out;
            for (int id : ids) {
                out << edit(id)->text();
            }
            return out.join(' ');
        };
        const auto type = [&edit](int id, const QString& text) {
            edit(id)->setFocus();
            edit(id)->selectAll();
            QTest::keyClicks(edit(id), text);
            edit(id)->clearFocus();
        };
        const auto spin = [&w](int id, bool up) {
            auto* s = w.findChild<CSpinButton*>(QStringLiteral("id%1").arg(id));
            up ? s->StepUp() : s->StepDown();
        };
        QCOMPARE(texts({1028, 1029, 3300, 3301, 3303, 3309, 3311, 3313, 3315}),
                 QStringLiteral("12.6 11.1 13.8 14.4 30 11.8 70% 11.5 40%"));
        QVERIFY(!edit(1060)->text().isEmpty() && !edit(1087)->text().isEmpty());
        // PWM comes from the record (a file or a reset) and goes to the controller in RS232
        // (the RS485 protocol has no PWM write); it comes back in either protocol.
        f.app.config.pwmEnabled = 1;
        w.RefreshFromRecord();
        w.RunCommand(40013);
        f.app.commMode = static_cast<uint16_t>(mode);
        w.RunCommand(40012);
        QVERIFY(edit(1030)->isEnabled() && edit(3309)->isEnabled());

        type(1028, "12.9");
        spin(1043, true);  // LVD 11.1 -> 11.2
        type(1030, "13.5");
        spin(1045, true);  // Min.Vout up by 0.1
        const QString minVout = edit(1031)->text();
        w.findChild<QTabWidget*>(QStringLiteral("id3307"))->setCurrentIndex(1);
        type(3309, "11.6");
        spin(3314, false);  // Low 2 11.5 -> 11.4
        QCOMPARE(f.app.savedToController, 0u);
        w.RunCommand(40013);
        w.RunCommand(40012);
        QCOMPARE(f.app.savedToController, 1u);
        QCOMPARE(texts({1028, 1029, 1030, 1031, 3309, 3313}),
                 "12.9 11.2 13.5 " + minVout + " 11.6 11.4");

        const QString file = QString::fromStdString(f.scratch.File("typed.cfg"));
        f.ui.chosenFiles = {file};
        w.RunCommand(57604);
        CCfgDocument saved;
        QVERIFY(LoadCfgFile(file.toStdString(), saved).ok());
        QCOMPARE(StrF("%.1f %.1f %.1f %.1f", saved.lvrVoltage, saved.lvdVoltage, saved.maxVout,
                      saved.low2Voltage),
                 std::string("12.9 11.2 13.5 11.4"));
        if (mode == kCommModeRs232) {
            Screenshots(w);
        }
    }

  private:
    // Both tabs in both languages with the readings of one poll, for the README.
    static void Screenshots(CMainWnd& w) {
        for (int tick = 0; tick < 5; ++tick) {
            w.Panel()->OnPanelTimer();
        }
        if (QWidget* focused = QApplication::focusWidget()) {
            focused->clearFocus();  // no selection highlight in the pictures
        }
        auto* tabs = w.findChild<QTabWidget*>(QStringLiteral("id3307"));
        for (const QString language : {"en", "zh"}) {
            for (int tab = 0; tab < 2; ++tab) {
                tabs->setCurrentIndex(tab);
                QVERIFY(w.Panel()->grab().save(
                    QStringLiteral("%1/panel-%2-%3.png")
                        .arg(ZELT_ARTIFACT_DIR, tab == 0 ? "basic" : "advance", language)));
            }
            w.RunCommand(language == "en" ? 40027 : 40043);
        }
    }
};
ZELT_UI_TEST(PanelWithController);

#include "panel_test.moc"
