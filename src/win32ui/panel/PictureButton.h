#pragma once
// Push buttons that show their words as one of the program's bitmaps. Win32 greys a disabled
// button's bitmap by flattening its colours, and a picture of dark words on the grey face
// turns into a blank grey bar: so while such a button is disabled it drops the picture and
// shows its own text (the layout's words for it) greyed, as any disabled push button does.

#include <windows.h>

namespace zelt::win32 {

// Shows the bitmap resource id on a push button in place of its text whenever the button is
// enabled, and the text whenever it is not (the text stays the button's name). A program
// without the picture keeps the text.
void ShowPicture(HWND button, int id);

}  // namespace zelt::win32
