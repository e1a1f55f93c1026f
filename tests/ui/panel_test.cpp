// The parameter panel as the technician meets it: real widgets on the offscreen platform,
// keys typed into focused fields, focus moved away, spins clicked, a controller on a scripted
// line behind it.

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QTabWidget>
#include <QtTest>

#include "config/CfgFile.h"
#include "support/ControllerFixture.h"
#include "ui/RecordingWindow.h"
#include "ui/UiTestSupport.h"
#include "ui/panel/CLiveChart.h"
#include "ui/panel/CWndMiscPara.h"
#include "ui/schedule/CScheduleEditor.h"
#include "ui/schedule/CTimeArea.h"
#include "ui/schedule/CTimeSector.h"
#include "ui/schedule/CWndControlLED.h"

using namespace zelt;
using zelt::testing::Bytes;
using zelt::testing::ControllerFixture;
using zelt::uitest::ById;

namespace {

// The window's controller commands on the scripted line.
struct PanelBench : ControllerFixture {
    explicit PanelBench(Framing framing = Framing::Rs232Ascii) : ControllerFixture(framing) {
        app.commMode = framing == Framing::Rs232Ascii ? kCommModeRs232 : kCommModeRs485;
        app.rs485Id = 250;
        app.systemVoltage = 12;
        Teach(commands.Link(), 12);  // as the start-up Get leaves it
    }
    CMainApp app;
    uitest::RecordingWindow window;
    CControllerCommands commands{app, link.port, link.clock, link.trace, wall, window};
};

// The main window's side of the panel (whether an exchange holds the line: the window tests).
class TestPanelHost final : public IPanelHost {
  public:
    explicit TestPanelHost(PanelBench& fx) : fx_(fx) {}
    PanelValues& Values() override { return fx_.commands.Values(); }
    bool PanelTick() override {
        if (!fx_.commands.TickClocks()) {
            return false;
        }
        fx_.commands.Poll();
        return true;
    }
    void ResetChargeCount() override { fx_.commands.ResetChargeCount(); }
    void SetControllerClock() override { fx_.commands.SetRtc(); }
    void UpdateOperatingMode() override { fx_.commands.UpdateOperatingMode(); }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon) override {
        fx_.window.messages.push_back(caption + ": " + text);
    }

  private:
    PanelBench& fx_;
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
    std::unique_ptr<PanelBench> fx_;
    std::unique_ptr<TestPanelHost> host_;
    std::unique_ptr<CWndMiscPara> panel_;

    QLineEdit* Edit(int id) { return ById<QLineEdit>(*panel_, id); }
    QWidget* Widget(int id) { return ById(*panel_, id); }
    QAbstractButton* Button(int id) { return ById<QAbstractButton>(*panel_, id); }
    QTabWidget* Tabs() { return ById<QTabWidget>(*panel_, 3307); }
    int Disabled(std::initializer_list<int> ids) {
        return int(std::count_if(ids.begin(), ids.end(),
                                 [this](int id) { return !Widget(id)->isEnabled(); }));
    }
    QString Flags() const {
        return QStringLiteral("%1%2").arg(fx_->app.savedToFile).arg(fx_->app.savedToController);
    }

    // Shows a record the way "Get Parameters" ends: the record, then the refresh.
    void Show(const CCfgDocument& record, int volts) {
        fx_->app.systemVoltage = static_cast<uint16_t>(volts);
        fx_->app.config = record;
        panel_->RefreshFromConfig();
    }
    void TypeAndLeave(int id, const QString& typed) {
        Tabs()->setCurrentIndex(id >= 3309 && id <= 3316 ? 1 : 0);  // the Advance rows
        uitest::TypeAndLeave(Edit(id), typed);
    }

  private slots:
    void init() {
        fx_ = std::make_unique<PanelBench>();
        host_ = std::make_unique<TestPanelHost>(*fx_);
        panel_ = std::make_unique<CWndMiscPara>(fx_->app, *host_, nullptr);
        fx_->window.onDisplay = [this](zelt::Display display, const std::string& text) {
            panel_->SetDisplay(display, Qs(text));
        };
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

    // Typed text, focus out, then a spin click when a spin is named: the rules' own table is
    // panel_rules_test's; these rows prove the keys, the focus-out and the spins reach them,
    // and that a spin step stops at the bound, compared as the field's float.
    void typedThenSpun() {
        struct Row {
            int volts, id;
            const char* typed;
            int spinId;  // 0: no click; negative: the down arrow
            const char* shown;
        };
        const Row rows[] = {{12, 1028, "12..9", 0, "12.9"},
                            {12, 3311, "105", 0, "10%"},  // the 101st percent is not typed
                            {24, 1030, "17", 0, "18.0"},
                            {12, 1028, "13.3", 1042, "13.4"},
                            {12, 3303, "30", -3402, "20"},
                            {12, 3303, "25", 3402, "30"},
                            {12, 3313, "10.8", -3314, "10.8"}};
        for (const Row& row : rows) {
            Show(SampleRecord(12), row.volts);
            fx_->app.config.lvrVoltage = 0;  // the panel works on its own values only
            TypeAndLeave(row.id, row.typed);
            if (row.spinId != 0) {
                uitest::Spin(*panel_, std::abs(row.spinId), row.spinId > 0);
            }
            QVERIFY2(Edit(row.id)->text() == row.shown,
                     qPrintable(QStringLiteral("%1 \"%2\": %3")
                                    .arg(row.id)
                                    .arg(row.typed, Edit(row.id)->text())));
        }
    }

    // Basic and Advance show their own controls; the never-shown ones stay hidden.
    void tabsPwmAndOnBox() {
        const auto visible = [this](int id) { return Widget(id)->isVisible(); };
        CCfgDocument noPwm = SampleRecord(12);
        noPwm.pwmEnabled = 0;
        Show(noPwm, 12);
        QVERIFY(visible(1028) && !visible(3308) && !visible(3309));
        Tabs()->setCurrentIndex(1);
        QVERIFY(!visible(1028) && !visible(1042) && visible(3308) && visible(3316));
        // PWM off: the load limits, "On" and the Advance rows are unusable, "On" unchecked.
        QVERIFY(Button(3305)->isChecked() && !Button(3306)->isChecked() &&
                !Button(3308)->isChecked());
        QCOMPARE(Disabled({1030, 1045, 3308, 3309, 3316}), 5);
        panel_->StoreToConfig();  // what "On" shows is no change of the record
        QCOMPARE(fx_->app.config.lowLevelEnabled, 1u);

        Show(SampleRecord(12), 12);  // PWM on, low levels on
        QVERIFY(Button(3306)->isChecked() && Widget(1030)->isEnabled());
        QVERIFY(Button(3308)->isChecked() && Widget(3309)->isEnabled());
        QTest::mouseClick(Button(3308), Qt::LeftButton);
        QVERIFY(!Widget(3309)->isEnabled() && !Widget(3316)->isEnabled() &&
                Widget(1030)->isEnabled());
        Tabs()->setCurrentIndex(0);
        QVERIFY(visible(1028) && !visible(3308));
        for (int id : {4000, 4001, 4002, 4003, 3506, 4006}) {  // never shown, never enabled
            QVERIFY2(!visible(id), qPrintable(QString::number(id)));
        }
        QCOMPARE(Disabled({3305, 1038, 1060, 2027}), 4);
    }

    // Refresh and store give back the record; a refresh, even into the focused field,
    // keeps the saved flags, the user's typing clears both.
    void refreshStoreRoundTripAndSavedFlags() {
        fx_->commands.Values().operatingModeCode = 2;  // Manual
        fx_->commands.Values().lightingTimeCode = 2;   // 8 hours
        for (int volts : {12, 24}) {
            const CCfgDocument record = SampleRecord(volts);
            fx_->app.savedToFile = fx_->app.savedToController = 1;
            Edit(1029)->setFocus();
            Show(record, volts);
            QCOMPARE(Edit(1080)->text(), QStringLiteral("100%"));
            QCOMPARE(Edit(3300)->text(), QString(volts == 24 ? "27.6" : "13.8"));
            QVERIFY(Widget(1041)->isVisible());
            QCOMPARE(Flags(), QStringLiteral("11"));
            fx_->app.config = CCfgDocument{};
            panel_->StoreToConfig();
            QVERIFY(fx_->app.config == record);
        }
        TypeAndLeave(1029, "21.2");
        QCOMPARE(Flags(), QStringLiteral("00"));
    }

    // The language relabels the mode and battery texts (the rest in the screenshots).
    void language() {
        fx_->commands.Values().operatingModeCode = 1;  // Schedule
        fx_->app.english = 0;
        panel_->SetLanguage(false);
        QCOMPARE(Edit(1040)->text() + "|" + ById<QComboBox>(*panel_, 4006)->currentText(),
                 QString("排程|鉛酸電池"));
        fx_->app.english = 1;
        panel_->SetLanguage(true);
        QCOMPARE(Edit(1040)->text(), QString("Schedule"));
    }

    // The panel's buttons send one command each and say when it failed.
    void actions() {
        for (int id : {3302, 1057, 1058}) {  // reset the charge count, set the clock, read the mode
            fx_->AnswerNothing();
            QTest::mouseClick(Button(id), Qt::LeftButton);
        }
        QCOMPARE(fx_->window.messages.front(), std::string("Fail: Failed to reset charge count."));
        QCOMPARE(fx_->requests.size(), 4u);  // reset, clock, mode read twice
        fx_->commands.Values().chargeCount = 7;
        fx_->AnswerWrite();
        QTest::mouseClick(Button(3302), Qt::LeftButton);
        QCOMPARE(Edit(1048)->text(), QStringLiteral("0"));
        QTest::mouseClick(Button(1055), Qt::LeftButton);
        QVERIFY(Widget(1056)->isEnabled() && !Widget(1057)->isEnabled());
        QCOMPARE(fx_->commands.Values().usePcTime, 0);
    }

    // The timer ticks the clocks and polls when due; a poll feeds the chart.
    // RS485 has no "Get Switch Mode": Update takes the mode from the status byte, and says so
    // when nothing answers.
    void updateModeOverRs485() {
        PanelBench bench(Framing::Rs485Binary);
        bench.AnswerRead({0x12});  // manual, lighting time code 1
        bench.commands.UpdateOperatingMode();
        QCOMPARE(bench.commands.Values().operatingModeCode, 2);
        QCOMPARE(bench.commands.Values().lightingTimeCode, 1);
        QVERIFY(bench.window.messages.empty());
        bench.commands.UpdateOperatingMode();
        QCOMPARE(bench.window.messages.back(), "Error: Failed to Update Operating Mode.");
    }
    void timerAndChart() {
        QVERIFY(panel_->LiveChart().Samples().empty());
        for (int i = 0; i < 5; ++i) {
            panel_->OnPanelTimer();
        }
        QVERIFY(!fx_->requests.empty() && !Edit(1054)->text().isEmpty());
        QCOMPARE(panel_->LiveChart().Samples().size(), 1u);

        // The status read fails, the readings answer: shown, and a 24 V battery on the 12 V
        // system known before ends the program.
        fx_->AnswerNothing();
        for (const Bytes& word : {Bytes{189, 64}, {0, 0}, {0, 0}, {125, 0}, {0, 0}, {0, 7}}) {
            fx_->AnswerRead(word);  // 18.11 V, the other readings, count 7
        }
        fx_->commands.Poll();
        QCOMPARE(Edit(1049)->text() + "|" + Edit(1048)->text(), QStringLiteral("18.1 V|7"));
        QVERIFY(fx_->window.messages.back().starts_with("Power Fail: The battery voltage is too"));
    }
};

ZELT_UI_TEST(PanelTest);

// The panel and the schedule in the running program against kvrn-sim: what the technician
// types, spins and draws reaches the controller and comes back, in both wire protocols, and
// reaches a saved file.
class PanelWithController : public QObject {
    Q_OBJECT

  private slots:
    void typedSpunAndDrawnValuesReadBack_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("RS232") << int{kCommModeRs232};
        QTest::newRow("RS485") << int{kCommModeRs485};
    }
    void typedSpunAndDrawnValuesReadBack() {
        QFETCH(int, mode);
        uitest::WindowFixture f;
        f.StartSim("COM3", "--rs485-id 17");
        f.Start();  // the start-up search ends with "Get Parameters"
        CMainWnd& w = *f.wnd;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto edit = [&w](int id) { return ById<QLineEdit>(w, id); };
        const auto texts = [&edit](std::initializer_list<int> ids) {
            QStringList out;
            for (int id : ids) {
                out << edit(id)->text();
            }
            return out.join(' ');
        };
        auto* editor = w.findChild<CScheduleEditor*>();
        auto* area = ById<CTimeArea>(w, 1009);
        QVERIFY(!editor->Sectors().empty());  // the controller's schedule
        QCOMPARE(texts({1028, 1029, 3300, 3301, 3303, 3309, 3311, 3313, 3315}),
                 QStringLiteral("12.6 11.1 13.8 14.4 30 11.8 70% 11.5 40%"));
        QVERIFY(!edit(1060)->text().isEmpty() && !edit(1087)->text().isEmpty());
        // PWM comes from the record (a file or a reset) and goes to the controller in RS232
        // (the RS485 protocol has no PWM write); it comes back in either protocol.
        f.app.config.pwmEnabled = 1;
        w.RefreshFromRecord();
        w.RunCommand(40013);
        f.app.commMode = static_cast<uint16_t>(mode);
        f.app.rs485Id = 17;
        w.RunCommand(40012);
        QVERIFY(edit(1030)->isEnabled() && edit(3309)->isEnabled());

        editor->DeleteAll();  // two sectors drawn, one widened, the other deleted
        uitest::Drag(area, {100, 20}, {{120, 20}});
        uitest::Drag(area, {200, 20}, {{240, 20}});
        CTimeSector* second = area->SectorWindows().at(1);
        uitest::Drag(second, {second->width() - 1, 10}, {{second->width() + 20, 10}});
        uitest::Click(area->SectorWindows().at(0));
        QTest::mouseClick(&w.findChild<CWndControlLED*>()->DeleteButton(), Qt::LeftButton);
        const std::vector<CTimeSectorData> drawn{{500, 650, 100}};
        QCOMPARE(editor->Sectors(), drawn);
        uitest::TypeAndLeave(edit(1028), "12.9");
        uitest::Spin(w, 1043, true);  // LVD 11.1 -> 11.2
        uitest::TypeAndLeave(edit(1030), "13.5");
        uitest::Spin(w, 1045, true);  // Min.Vout up by 0.1
        const QString minVout = edit(1031)->text();
        ById<QTabWidget>(w, 3307)->setCurrentIndex(1);
        uitest::TypeAndLeave(edit(3309), "11.6");
        uitest::Spin(w, 3314, false);  // Low 2 11.5 -> 11.4
        QCOMPARE(f.app.savedToController, 0u);
        w.RunCommand(40013);
        editor->DeleteAll();
        w.RunCommand(40012);
        QVERIFY(f.app.savedToController == 1 && f.ui.messages.empty());
        QCOMPARE(editor->Sectors(), drawn);
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
        QCOMPARE(saved.sectors, drawn);
        const std::size_t messages = f.ui.messages.size();  // the save's
        f.ui.onDialog = [](QDialog& dialog) { return uitest::FakeWindowUi::Click(dialog, 1); };
        for (int command : {40026, 40017, 40014, 40013, 40012}) {  // Reset, Link (OK), About
            w.RunCommand(command);
        }
        QVERIFY(f.ui.messages.size() == messages && f.app.savedToController == 1);
        QCOMPARE(f.ui.dialogs.size(), 3u);  // the seek, Link PC and About
        if (mode == kCommModeRs232) {
            Screenshots(w);
        }
    }

  private:
    // Both tabs in both languages with the readings of one poll, for the README; the
    // language moves the charge/discharge row and retitles the groups.
    static void Screenshots(CMainWnd& w) {
        for (int tick = 0; tick < 5; ++tick) {
            w.Panel()->OnPanelTimer();
        }
        if (QWidget* focused = QApplication::focusWidget()) {
            focused->clearFocus();  // no selection highlight in the pictures
        }
        auto* tabs = ById<QTabWidget>(w, 3307);
        for (const QString language : {"en", "zh"}) {
            QCOMPARE(ById(w, 3504)->geometry().x(), language == "en" ? 555 : 532);
            for (int tab = 0; tab < 2; ++tab) {
                tabs->setCurrentIndex(tab);
                QVERIFY(w.Panel()->grab().save(
                    QStringLiteral("%1/panel-%2-%3.png")
                        .arg(ZELT_ARTIFACT_DIR, tab == 0 ? "basic" : "advance", language)));
            }
            w.RunCommand(language == "en" ? 40027 : 40043);
            if (language == "en") {
                QCOMPARE(ById<QGroupBox>(w, 1025)->title(), QStringLiteral("電池資訊 12V"));
                QCOMPARE(ById<QAbstractButton>(w, 1053)->text(), QStringLiteral("設成電腦時間"));
            }
        }
    }
};
ZELT_UI_TEST(PanelWithController);

#include "panel_test.moc"