// The schedule editor as the technician meets it: the view and the schedule panel at their
// places in the parameter panel, real mouse presses, moves and releases, keys and spin
// arrows; the editor takes the area's notifications itself and tells the cursor time.

#include <QtTest>

#include "ui/UiTestSupport.h"
#include "ui/schedule/CScheduleEditor.h"
#include "ui/schedule/CScrollViewSch.h"
#include "ui/schedule/CTimeArea.h"
#include "ui/schedule/CTimeSector.h"
#include "ui/schedule/CWndControlLED.h"

using namespace zelt;
using namespace zelt::uitest;

namespace {

using Ranges = std::vector<std::pair<int, int>>;

// The parameter panel's last group: schedule panel and view at the panel's rectangles.
struct Harness {
    explicit Harness(const std::vector<CTimeSectorData>& record = {}) {
        host.resize(660, 630);
        led = new CWndControlLED(app, &host);
        led->setGeometry(40, 495, 577, 50);
        view = new CScrollViewSch(app, &host);
        view->setGeometry(40, 545, 577, 70);
        editor = new CScheduleEditor(app, *view, *led);
        QObject::connect(editor, &CScheduleEditor::CursorTimeChanged,
                         [this](int minute) { cursorMinute = minute; });
        host.show();
        app.config.sectors = record;
        editor->ReloadFromConfig();
    }
    CTimeArea& Area() { return view->Area(); }
    CTimeSector* Window(int i) { return Area().SectorWindows().at(static_cast<std::size_t>(i)); }
    Ranges Times() const {
        Ranges ranges;
        for (const auto& s : editor->Sectors())
            ranges.emplace_back(s.startMinute, s.endMinute);
        return ranges;
    }
    QString Fields() const {
        return led->StartField().text() + "|" + led->EndField().text() + "|" +
               led->BrightnessField().text();
    }
    // Which of start field, end field, brightness field and Delete button take input.
    QString Enabled() const {
        return QString("%1%2%3%4")
            .arg(led->StartField().isEnabled())
            .arg(led->EndField().isEnabled())
            .arg(led->BrightnessField().isEnabled())
            .arg(led->DeleteButton().isEnabled());
    }
    void ResetFlags() { app.savedToController = app.savedToFile = 1; }
    bool FlagsCleared() const { return app.savedToController == 0 && app.savedToFile == 0; }

    CMainApp app;
    int cursorMinute = -1;
    QWidget host;
    CWndControlLED* led;
    CScrollViewSch* view;
    CScheduleEditor* editor;
};

std::vector<CTimeSectorData> Record(const Ranges& ranges, int brightness = 100) {
    std::vector<CTimeSectorData> sectors;
    for (const auto& [start, end] : ranges)
        sectors.push_back({start, end, brightness});
    return sectors;
}

}  // namespace

class ScheduleTest : public QObject {
    Q_OBJECT

  private slots:
    // The pointer events of the strip and of the sector windows reach the model in area
    // coordinates, with their buttons and keys; the windows follow what it answers.
    void DrawingAndDraggingWithTheRealWidgets() {
        Harness h(Record({{300, 420}, {1300, 1440}}));
        QCOMPARE(h.view->findChild<QWidget*>("id1008")->geometry(), QRect(0, 0, 577, 30));
        QCOMPARE(h.Area().geometry(), QRect(0, 30, 577, 40));
        QCOMPARE(h.Window(0)->geometry(), QRect(120, 7, 48, 26));
        // Right to left up to a neighbour's end, then one frozen where it would enclose one.
        Drag(&h.Area(), {200, 20}, {{168, 20}});
        Drag(&h.Area(), {20, 20}, {{90, 20}, {200, 20}, {330, 20}});
        QCOMPARE(h.Times(), (Ranges{{300, 420}, {1300, 1440}, {420, 500}, {50, 225}}));
        QCOMPARE(h.Window(3)->geometry(), QRect(20, 7, 70, 26));
        QTest::mousePress(&h.Area(), Qt::LeftButton, Qt::NoModifier, {440, 20});
        Move(&h.Area(), {480, 20}, Qt::LeftButton, Qt::ControlModifier);  // abandons the drag
        QTest::mouseRelease(&h.Area(), Qt::LeftButton, Qt::NoModifier, {480, 20});
        Move(&h.Area(), {9999, 20}, Qt::NoButton);
        Settle();
        QVERIFY(h.Times().size() == 4 && h.cursorMinute == 1440);
        // Grips of the sector windows: the start stops at the neighbour, the end at the axis.
        h.ResetFlags();
        CTimeSector* first = h.Window(0);
        Drag(first, {0, 10}, {{-100, 10}});
        QVERIFY(first->geometry().left() == 90 && first->IsSelected() && h.cursorMinute == 225);
        QCOMPARE(h.Fields(), QString("15:45|19:00|100%"));
        CTimeSector* last = h.Window(1);
        h.ResetFlags();
        Drag(last, {last->width() - 1, 10}, {});  // pressed and released: nothing moved
        QVERIFY(!h.FlagsCleared());
        Drag(last, {0, 10}, {{-400, 10}});  // past two neighbours: the nearer one holds it
        QCOMPARE(h.Times()[1], std::pair(500, 1440));
        QCOMPARE(last->geometry().right(), 575);
        // Escape during an edge drag puts the edge back; the rest of the drag moves nothing.
        QTest::mousePress(last, Qt::LeftButton, Qt::NoModifier, {0, 10});
        Move(last, {40, 10});
        QTest::keyClick(last, Qt::Key_Escape);
        Move(last, {80, 10});
        QTest::mouseRelease(last, Qt::LeftButton, Qt::NoModifier, {80, 10});
        Settle();
        QCOMPARE(h.Fields() + h.Enabled() + QString::number(last->x()), QString("||0000200"));
    }

    void SelectionKeysAndDeletes() {
        Harness h(Record({{0, 100}, {300, 420}, {600, 700}, {800, 900}}, 70));
        QCOMPARE(h.Enabled(), QString("0000"));
        Click(h.Window(1));
        QCOMPARE(h.Fields() + h.Enabled(), QString("17:00|19:00|70%1111"));
        QVERIFY(h.editor->SectorSelected());
        Click(h.Window(2), Qt::ControlModifier);
        QCOMPARE(h.view->CountSelected(), 2);
        QCOMPARE(h.Fields() + h.Enabled(), QString("||70%0011"));
        // Delete in a field is no command; on the area it is 1018: both go, the fields empty.
        QTest::keyClick(&h.led->BrightnessField(), Qt::Key_Delete);
        QCOMPARE(h.view->CountSelected(), 2);
        QTest::keyClick(&h.Area(), Qt::Key_Delete);
        QCOMPARE(h.Times(), (Ranges{{0, 100}, {800, 900}}));
        QVERIFY(h.Enabled() == "0000" && h.FlagsCleared());
        Click(h.Window(1));
        QTest::keyClick(&h.led->EndField(), Qt::Key_Escape);
        QVERIFY(h.view->CountSelected() == 0 && h.Enabled() == "0000");
        // The Delete button deletes; command 1019 also on an empty timeline.
        Click(h.Window(1));
        QTest::mouseClick(&h.led->DeleteButton(), Qt::LeftButton);
        QCOMPARE(h.Times(), (Ranges{{0, 100}}));
        h.editor->DeleteAll();
        h.editor->DeleteAll();
        QVERIFY(h.Times().empty() && h.Area().SectorWindows().empty() && h.Enabled() == "0000");
    }

    // The spin buttons: the time spins' reversed range, arrow keys in the fields, positions.
    void SpinsStepThroughTheirButtonsAndKeys() {
        Harness h(Record({{0, 1440}}, 90));
        h.app.config.pwmEnabled = 1;
        Click(h.Window(0));
        CSpinButton& start = h.led->StartSpin();
        start.StepDown();  // earlier than 12:00: nothing, but the spin wraps
        QCOMPARE(start.Position(), -11776);
        h.led->EndSpin().StepDown();
        start.StepUp();
        QCOMPARE(h.Fields(), QString("12:05|11:55|90%"));
        QCOMPARE(h.Window(0)->geometry(), QRect(2, 7, 572, 26));
        QTest::keyClick(&h.led->EndField(), Qt::Key_Up);
        QCOMPARE(h.led->EndField().text(), QString("12:00"));
        for (int i = 0; i < 12; ++i)
            h.led->BrightnessSpin().StepUp();
        QCOMPARE(h.led->BrightnessSpin().Position(), 10);  // the brightness spin does not wrap
        QVERIFY(h.led->BrightnessField().text() == "100%" && h.Window(0)->Brightness() == 100);
    }

    void RecordRoundTripAndScreenshots() {
        Harness h({{0, 180, 100}, {300, 600, 60}, {900, 1440, 30}});
        Click(h.Window(1));
        for (bool english : {true, false}) {
            h.app.english = english;
            h.led->UpdateLanguage(english);
            const QString file =
                QString(ZELT_ARTIFACT_DIR "/schedule_%1.png").arg(english ? "en" : "zh");
            QVERIFY(h.host.grab(QRect(30, 485, 597, 140)).save(file));
        }
        h.editor->ReloadFromConfig();  // after Get Parameters: same sectors, fields empty
        QVERIFY(h.editor->Sectors() == h.app.config.sectors && h.Enabled() == "0000");
    }
};

ZELT_UI_TEST(ScheduleTest);

#include "schedule_test.moc"
