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
    void DrawingNewSectorsOnFreeTime() {
        Harness h(Record({{300, 420}}));
        QCOMPARE(h.view->findChild<QWidget*>("id1008")->geometry(), QRect(0, 0, 577, 30));
        QCOMPARE(h.Area().geometry(), QRect(0, 30, 577, 40));
        QCOMPARE(h.Window(0)->geometry(), QRect(120, 7, 48, 26));
        QVERIFY(!h.FlagsCleared());  // a rebuild from the record is no edit

        Drag(&h.Area(), {100, 20}, {{101, 20}});  // 5 minutes make nothing
        Drag(&h.Area(), {350, 3}, {{400, 3}});    // pressed in the band over no sector: made
        Drag(&h.Area(), {140, 3}, {{60, 3}});     // pressed in the band over a sector
        QCOMPARE(h.Times(), (Ranges{{300, 420}, {875, 1000}}));
        QVERIFY(h.FlagsCleared());
        QCOMPARE(h.cursorMinute, 150);  // the last move, over a sector
        // Right to left up to a neighbour's end, then one frozen where it would enclose one.
        h.ResetFlags();
        Drag(&h.Area(), {200, 20}, {{168, 20}});
        Drag(&h.Area(), {20, 20}, {{90, 20}, {200, 20}, {330, 20}});
        QCOMPARE(h.Times(), (Ranges{{300, 420}, {875, 1000}, {420, 500}, {50, 225}}));
        QCOMPARE(h.Window(3)->geometry(), QRect(20, 7, 70, 26));
        // Ctrl during the drag abandons it.
        QTest::mousePress(&h.Area(), Qt::LeftButton, Qt::NoModifier, {440, 20});
        Move(&h.Area(), {480, 20}, Qt::LeftButton, Qt::ControlModifier);
        QTest::mouseRelease(&h.Area(), Qt::LeftButton, Qt::NoModifier, {480, 20});
        QCOMPARE(h.Times().size(), std::size_t{4});
        // A hover move reports the cursor time too.
        Move(&h.Area(), {9999, 20}, Qt::NoButton);
        Settle();
        QCOMPARE(h.cursorMinute, 1440);
    }

    void EdgeDragsStopAtNeighboursAndAxisEnds() {
        Harness h(Record({{0, 100}, {300, 420}, {1300, 1440}}));
        CTimeSector* middle = h.Window(1);
        // Start edge (column 0) dragged left stops at the neighbour's end.
        Drag(middle, {0, 10}, {{-100, 10}, {-130, 10}});
        QCOMPARE(h.Times()[1], std::pair(100, 420));
        QVERIFY(middle->geometry().left() == 40 && middle->IsSelected());
        QCOMPARE(h.Fields(), QString("13:40|19:00|100%"));
        // End edge (last column) dragged right stops at the neighbour's start, left at 10 min.
        Drag(middle, {middle->width() - 1, 10}, {{middle->width() + 900, 10}});
        QCOMPARE(h.Times()[1], std::pair(100, 1300));
        Drag(middle, {middle->width() - 1, 10}, {{-500, 10}});
        QVERIFY(h.Times()[1] == std::pair(100, 110) && middle->width() == 4);
        // The grips at the axis ends: columns 0 and 575 of the area.
        CTimeSector* first = h.Window(0);
        CTimeSector* last = h.Window(2);
        Drag(first, {0, 10}, {{-50, 10}});
        Drag(last, {last->width() - 1, 10}, {{700, 10}});
        QCOMPARE(h.Times(), (Ranges{{0, 100}, {100, 110}, {1300, 1440}}));
        QCOMPARE(last->geometry().right(), 575);
        // A press and release on an edge without a move posts no edge message.
        h.ResetFlags();
        Drag(first, {first->width() - 1, 10}, {});
        QVERIFY(!h.FlagsCleared());
        // Escape during an edge drag abandons it: the edge goes back, the rest of the drag
        // moves nothing and the fields stay empty.
        QTest::mousePress(middle, Qt::LeftButton, Qt::NoModifier, {middle->width() - 1, 10});
        Move(middle, {middle->width() + 40, 10});
        QTest::keyClick(middle, Qt::Key_Escape);
        Move(middle, {middle->width() + 80, 10});
        QTest::mouseRelease(middle, Qt::LeftButton, Qt::NoModifier, {middle->width() + 80, 10});
        Settle();
        QCOMPARE(h.Times()[1], std::pair(100, 110));
        QCOMPARE(h.Fields() + h.Enabled() + QString::number(middle->width()), QString("||00004"));
    }

    void SelectionAndDeletes() {
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
        // Clicking a sector twice deselects it and the editor learns none is selected.
        Click(h.Window(0));
        QCOMPARE(h.Enabled(), QString("1111"));
        Click(h.Window(0));
        QCOMPARE(h.Enabled(), QString("0000"));
        // Escape clears the selection, also when pressed before the selection is reported.
        Click(h.Window(1));
        QTest::keyClick(&h.Area(), Qt::Key_Escape);
        Settle();
        QVERIFY(h.view->CountSelected() == 0 && h.Enabled() == "0000");
        QTest::mouseClick(h.Window(1), Qt::LeftButton, {}, {5, 5});
        QTest::keyClick(&h.Area(), Qt::Key_Escape);
        Settle();
        QCOMPARE(h.Enabled(), QString("0000"));
        // The Delete button deletes.
        Click(h.Window(1));
        QTest::mouseClick(&h.led->DeleteButton(), Qt::LeftButton);
        QCOMPARE(h.Times(), (Ranges{{0, 100}}));
        // Command 1019, also on an empty timeline.
        h.editor->DeleteAll();
        h.editor->DeleteAll();
        QVERIFY(h.Times().empty() && h.Enabled() == "0000");
    }

    void EighthAndNinthSector() {
        Ranges seven;
        for (int i = 0; i < 7; ++i)
            seven.emplace_back(i * 100, i * 100 + 50);
        Harness h(Record(seven));
        Drag(&h.Area(), {300, 20}, {{320, 20}});  // the eighth
        Drag(&h.Area(), {400, 20}, {{420, 20}});  // no ninth by the mouse
        QCOMPARE(h.Times().size(), std::size_t{8});
        seven.emplace_back(1000, 1100);
        seven.emplace_back(1200, 1300);
        h.app.config.sectors = Record(seven);
        h.editor->ReloadFromConfig();  // the record may hold nine
        QCOMPARE(h.Times().size(), std::size_t{9});
        Drag(&h.Area(), {560, 20}, {{570, 20}});
        QCOMPARE(h.Times().size(), std::size_t{9});
    }

    void SpinsAtTheirLimits() {
        Harness h(Record({{0, 1440}}, 90));
        h.app.config.pwmEnabled = 1;
        Click(h.Window(0));
        QCOMPARE(h.Fields(), QString("12:00|12:00|90%"));
        CSpinButton& start = h.led->StartSpin();
        CSpinButton& end = h.led->EndSpin();
        start.StepDown();  // earlier than 12:00: nothing
        end.StepUp();      // later than 12:00: nothing
        QVERIFY(h.Fields() == "12:00|12:00|90%" && !h.FlagsCleared());
        QCOMPARE(start.Position(), -11776);  // the time spins wrap
        end.StepDown();
        start.StepUp();
        QVERIFY(h.Fields() == "12:05|11:55|90%" && h.FlagsCleared());
        QCOMPARE(h.Times(), (Ranges{{5, 1435}}));
        QCOMPARE(h.Window(0)->geometry(), QRect(2, 7, 572, 26));
        QTest::keyClick(&h.led->EndField(), Qt::Key_Up);  // the arrow keys step as the spin does
        QCOMPARE(h.led->EndField().text(), QString("12:00"));
        QStringList steps;
        for (int i = 0; i < 12; ++i) {
            h.led->BrightnessSpin().StepUp();
            steps << h.led->BrightnessField().text();
        }
        QCOMPARE(steps.mid(0, 3), (QStringList{"100%", "0%", "10%"}));
        QCOMPARE(h.led->BrightnessSpin().Position(), 10);  // the brightness spin does not wrap
        QCOMPARE(h.Window(0)->Brightness(), 100);
        h.app.config.pwmEnabled = 0;
        h.led->BrightnessSpin().StepDown();
        QCOMPARE(h.editor->Sectors()[0].brightness, 0);
    }

    void RecordRoundTripAndScreenshots() {
        const auto shown =
            std::vector<CTimeSectorData>{{0, 180, 100}, {300, 600, 60}, {900, 1440, 30}};
        auto record = shown;
        record.insert(record.begin() + 1, CTimeSectorData{720, 720, 100});  // never shown
        record.push_back(CTimeSectorData{0, 1441, 100});
        Harness h(record);
        QVERIFY(h.editor->Sectors() == shown && !h.FlagsCleared());
        Click(h.Window(1));
        for (bool english : {true, false}) {
            h.app.english = english;
            h.led->UpdateLanguage(english);
            const QString file =
                QString(ZELT_ARTIFACT_DIR "/schedule_%1.png").arg(english ? "en" : "zh");
            QVERIFY(h.host.grab(QRect(30, 485, 597, 140)).save(file));
        }
        h.editor->ReloadFromConfig();  // after Get Parameters: same sectors, fields empty
        QVERIFY(h.editor->Sectors() == shown && h.Enabled() == "0000");
    }
};

ZELT_UI_TEST(ScheduleTest);

#include "schedule_test.moc"
