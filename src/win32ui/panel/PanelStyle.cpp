#include "win32ui/panel/PanelStyle.h"

#include <cwchar>

namespace zelt::win32 {

namespace {

// The dialog face of each language; a face a system lacks is mapped by its character set.
constexpr wchar_t kEnglishFace[] = L"MS Shell Dlg 2";
constexpr wchar_t kChineseFace[] = L"PMingLiU";

}  // namespace

HCURSOR ResizeCursor(int id) {
    static const HCURSOR cursor = [id] {
        HCURSOR own = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
        return own != nullptr ? own : LoadCursorW(nullptr, IDC_SIZEWE);
    }();
    return cursor;
}

GdiObject& GdiObject::operator=(GdiObject&& other) noexcept {
    if (this != &other) {
        Reset(other.object_);
        other.object_ = nullptr;
    }
    return *this;
}

void GdiObject::Reset(HGDIOBJ object) {
    if (object_ != nullptr) {
        DeleteObject(object_);
    }
    object_ = object;
}

PanelStyle::PanelStyle(HWND window) {
    HDC dc = GetDC(window);
    dpi_ = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    if (dpi_ <= 0) {
        dpi_ = 96;
    }
    background_ = GetSysColor(COLOR_BTNFACE) - 1u;
    backgroundBrush_.Reset(CreateSolidBrush(background_));
    SetLanguage(true);
}

RECT PanelStyle::Scale(int left, int top, int right, int bottom) const {
    return {Scale(left), Scale(top), Scale(right), Scale(bottom)};
}

void PanelStyle::SetLanguage(bool english) {
    group_ = english ? MakeFont(16, 6, FW_BOLD, true) : MakeFont(16, 7, FW_NORMAL, false);
    label_ = MakeFont(15, 6, FW_NORMAL, english);
    small_ = MakeFont(13, 0, FW_NORMAL, english);
}

GdiObject PanelStyle::MakeFont(int cellHeight, int averageWidth, int weight, bool english) const {
    LOGFONTW font{};
    font.lfHeight = Scale(cellHeight);  // positive: the whole cell, as the layout gives it
    // A CJK face's average character is near its em: narrowing it to a Latin width squeezes
    // every glyph, so Chinese keeps the face's own width.
    font.lfWidth = english ? Scale(averageWidth) : 0;
    font.lfWeight = weight;
    font.lfCharSet = english ? DEFAULT_CHARSET : CHINESEBIG5_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    wcsncpy(font.lfFaceName, english ? kEnglishFace : kChineseFace, LF_FACESIZE - 1);
    return GdiObject(CreateFontIndirectW(&font));
}

}  // namespace zelt::win32
