#pragma once
// The program's pictures by resource id: window and dialog icons, the toolbar buttons of both
// languages, the two-language button bitmaps and the schedule editor's resize cursor. The
// pictures are drawn by hand as SVG (res/zelt.qrc); words on them are painted here, so that
// Chinese labels come out in the installed CJK font.

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace zelt {

// Icon resources.
enum IconId : int {
    IDR_MAINFRAME = 181,     // the application's window icon
    IDI_BATTERY_FAIL = 182,  // the Battery Fail warning
    IDI_SEEK_DIM = 183,      // the seek dialog's blink state shown on even ticks
    IDI_SEEK_BRIGHT = 184,   // the seek dialog's blink state shown first
};

// Bitmap resources.
enum BitmapId : int {
    IDB_DELETE_SCHEDULE_EN = 115,  // 142 x 17
    IDB_DELETE_SCHEDULE_CH = 119,  // 142 x 17
    IDB_RESET_EN = 122,            // 60 x 19
    IDB_RESET_CH = 123,            // 60 x 19
};

// Size of a toolbar button's picture with its label.
constexpr int kToolbarImageWidth = 51;
constexpr int kToolbarImageHeight = 42;

// Icon 181, 182, 183 or 184; a null icon for any other id.
QIcon AppIcon(int id);
// Bitmap 115, 119, 122 or 123 at its resource size; a null pixmap for any other id.
QPixmap ResourceBitmap(int id);
// Cursor 109: 32 x 32 horizontal resize, hot spot (8, 8).
QCursor ResizeCursor();
// The 51 x 42 button image of a toolbar command of either language (picture and label); a
// null icon for an id that is on neither toolbar.
QIcon ToolbarIcon(int commandId);
// The label under a toolbar picture ("Open", "開啟", ...); empty for an unknown id.
QString ToolbarLabel(int commandId);

}  // namespace zelt
