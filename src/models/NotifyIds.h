#pragma once
// The private notifications between the windows, by number: the Qt window posts them as events
// of these types, a native window as messages of these values, so a trace or a test reads 1027
// where the schedule editor posted 1027.

namespace zelt {

enum NotifyMessage : int {
    UWM_CURSOR_TIME = 1025,         // wParam: axis minute under the pointer
    UWM_DESELECT_OTHERS = 1026,     // window: the sector window that stays selected
    UWM_SECTOR_SELECTED = 1027,     // window: the sector window now selected
    UWM_SECTOR_DESELECTED = 1028,   // a sector window was unselected by a click
    UWM_NO_SECTOR_SELECTED = 1029,  // no sector window is selected any more
    UWM_START_EDGE_MOVED = 1030,    // wParam: new start minute; window: the sector window
    UWM_END_EDGE_MOVED = 1031,      // wParam: new end minute; window: the sector window
    UWM_SECTOR_RESIZED = 1032,      // window: the sector window whose edge moved
    UWM_START_SEARCH = 1036,        // the main window starts the controller search
    UWM_VOLTAGE_CHANGED = 1037,     // the status read found another system voltage
    UWM_RETRY_STATUS = 1038,        // Battery Fail's "Retry": run the status read again
};

// Notifications that use the serial line wait while an exchange runs.
inline bool NotifyNeedsLine(int message) {
    return message == UWM_START_SEARCH || message == UWM_RETRY_STATUS;
}

}  // namespace zelt
