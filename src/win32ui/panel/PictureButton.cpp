#include "win32ui/panel/PictureButton.h"

#include <commctrl.h>

namespace zelt::win32 {

namespace {

constexpr UINT_PTR kPictureSubclass = 2;

// The picture while the button is enabled, the text otherwise (or without a picture).
void ShowFor(HWND button, HBITMAP picture) {
    const bool shown = picture != nullptr && IsWindowEnabled(button);
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE,
                      shown ? style | BS_BITMAP : style & ~static_cast<LONG_PTR>(BS_BITMAP));
    // With common controls 6 an image beside the text shows both: the text alone has none.
    SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(shown ? picture : nullptr));
    InvalidateRect(button, nullptr, TRUE);
}

LRESULT CALLBACK PictureProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR picture) {
    if (message == WM_ENABLE) {
        const LRESULT result = DefSubclassProc(button, message, wParam, lParam);
        ShowFor(button, reinterpret_cast<HBITMAP>(picture));
        return result;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(button, &PictureProc, kPictureSubclass);
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

}  // namespace

void ShowPicture(HWND button, int id) {
    auto* picture = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_SHARED));
    if (picture != nullptr) {
        SetWindowSubclass(button, &PictureProc, kPictureSubclass,
                          reinterpret_cast<DWORD_PTR>(picture));
    } else {
        // Another language's picture must not stay behind this language's text.
        RemoveWindowSubclass(button, &PictureProc, kPictureSubclass);
    }
    ShowFor(button, picture);
}

}  // namespace zelt::win32
