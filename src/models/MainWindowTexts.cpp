#include "models/MainWindowTexts.h"

#include <array>

#include "base/Trace.h"
#include "config/SectorClock.h"

namespace zelt {

namespace {

constexpr std::array<StatusPane, 3> kPanes{{
    {ID_PANE_FIRMWARE, 100, {"F/W Ver", "韌體版本"}},
    {ID_PANE_SERIAL, 115, {"S/N", "序號"}},
    {ID_PANE_CURSOR_TIME, 105, {"Cursor Time", "游標時間"}},
}};

const StatusPane* FindPane(int paneId) {
    for (const StatusPane& pane : kPanes) {
        if (pane.id == paneId) {
            return &pane;
        }
    }
    return nullptr;
}

}  // namespace

std::span<const StatusPane> StatusPanes() {
    return kPanes;
}

std::string InitialPaneText(int paneId, bool english) {
    const StatusPane* pane = FindPane(paneId);
    return pane != nullptr ? std::string(Pick(pane->label, english)) + ":" : std::string();
}

std::string SwapPaneLabel(int paneId, const std::string& text, bool toEnglish) {
    const StatusPane* pane = FindPane(paneId);
    if (pane == nullptr) {
        return text;
    }
    const std::string oldLabel = Pick(pane->label, !toEnglish);
    if (text.compare(0, oldLabel.size(), oldLabel) != 0) {
        return text;
    }
    return Pick(pane->label, toEnglish) + text.substr(oldLabel.size());
}

std::string CursorTimeText(const CMainApp& app, int minute) {
    const ControllerClock clock = MinuteToControllerClock(minute);
    return StrF(app.Text("Cursor Time: %02d:%02d", "游標時間: %02d:%02d"), clock.hour,
                clock.minute);
}

std::string StaleReadingsText(const CMainApp& app, const TimeOfDay& lastGood) {
    return StrF(app.Text("Last reading %02d:%02d:%02d", "最後讀值 %02d:%02d:%02d"), lastGood.hour,
                lastGood.minute, lastGood.second);
}

}  // namespace zelt
