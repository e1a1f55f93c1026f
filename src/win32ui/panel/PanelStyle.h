#pragma once
// The look the Win32 panel, its chart and its schedule share: the pixel scale of the panel's
// layout (96 dots per inch), the fonts by language and the panel's erase colour. Chinese texts
// take a CJK face of the Big5 character set, so they never fall back to boxes.

#include <windows.h>

namespace zelt::win32 {

class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    GdiObject& operator=(GdiObject&& other) noexcept;

    void Reset(HGDIOBJ object = nullptr);
    HGDIOBJ Get() const { return object_; }
    HFONT Font() const { return static_cast<HFONT>(object_); }
    HBRUSH Brush() const { return static_cast<HBRUSH>(object_); }
    HPEN Pen() const { return static_cast<HPEN>(object_); }

  private:
    HGDIOBJ object_ = nullptr;
};

// The program's resize cursor id, or the system's west-east arrows without it.
HCURSOR ResizeCursor(int id);

class PanelStyle {
  public:
    explicit PanelStyle(HWND window);

    // Panel layout pixels (96 dots per inch) to the window's pixels.
    int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    RECT Scale(int left, int top, int right, int bottom) const;

    // Fonts for the language: group titles, labels and fields, the chart's small print.
    void SetLanguage(bool english);
    HFONT GroupFont() const { return group_.Font(); }
    HFONT LabelFont() const { return label_.Font(); }
    HFONT SmallFont() const { return small_.Font(); }

    // The erase colour: the button face as a COLORREF, minus one.
    COLORREF Background() const { return background_; }
    HBRUSH BackgroundBrush() const { return backgroundBrush_.Brush(); }

  private:
    GdiObject MakeFont(int cellHeight, int averageWidth, int weight, bool english) const;

    int dpi_;
    COLORREF background_;
    GdiObject backgroundBrush_;
    GdiObject group_;
    GdiObject label_;
    GdiObject small_;
};

}  // namespace zelt::win32
