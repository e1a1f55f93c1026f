#include "win32ui/chart/CLiveChartWnd.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/win32/Wide.h"
#include "win32ui/WindowSupport.h"

namespace zelt::win32 {

namespace {

constexpr wchar_t kChartClass[] = L"ZeltLiveChart";
constexpr SIZE kPreferredSize{640, 360};
constexpr COLORREF kBatteryColour = RGB(32, 159, 223);
constexpr COLORREF kChargeColour = RGB(153, 202, 83);
constexpr COLORREF kLoadColour = RGB(246, 166, 37);
constexpr COLORREF kGridColour = RGB(224, 224, 224);
constexpr int kTimeTicks = 7;
constexpr int kValueTicks = 6;

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::wstring ClockLabel(int64_t atMs) {
    const std::time_t seconds = static_cast<std::time_t>(atMs / 1000);
    std::tm local{};
    localtime_s(&local, &seconds);
    wchar_t text[8];
    swprintf(text, std::size(text), L"%02d:%02d", local.tm_hour, local.tm_min);
    return text;
}

std::wstring ValueLabel(double value) {
    wchar_t text[16];
    swprintf(text, std::size(text), L"%.1f", value);
    return text;
}

void TextAt(HDC dc, int x, int y, const std::wstring& text, UINT align) {
    SetTextAlign(dc, align);
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

}  // namespace

CLiveChartWnd::CLiveChartWnd(HWND panel, const PanelStyle& style, std::function<void()> closed)
    : panel_(panel), style_(style), closed_(std::move(closed)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance, kChartClass, &windowClass)) {
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &CLiveChartWnd::Proc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        windowClass.lpszClassName = kChartClass;
        RegisterClassExW(&windowClass);
    }
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kChartClass, L"", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, style.Scale(kPreferredSize.cx),
                              style.Scale(kPreferredSize.cy), GetAncestor(panel, GA_ROOT), nullptr,
                              instance, this);
}

CLiveChartWnd::~CLiveChartWnd() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK CLiveChartWnd::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = WindowObject<CLiveChartWnd>(window, message, lParam);
    if (self != nullptr) {
        switch (message) {
            case WM_CLOSE:
                // Closing only hides: the history goes on while the window is away.
                ShowWindow(window, SW_HIDE);
                if (self->closed_) {
                    self->closed_();
                }
                return 0;
            case WM_PAINT: {
                // A poll each five seconds repaints.
                PaintBuffered(window, [self](HDC memory, const RECT& client) {
                    self->Paint(memory, client);
                });
                return 0;
            }
            case WM_ERASEBKGND:
                return 1;
            default:
                break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void CLiveChartWnd::Append(const ChartSample& sample) {
    history_.Append(sample);
    if (IsWindowVisible(window_)) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

void CLiveChartWnd::SetLanguage(bool english) {
    english_ = english;
    SetWindowTextW(window_, Wide(Pick(texts::kChartTitle, english)).c_str());
    InvalidateRect(window_, nullptr, FALSE);
}

void CLiveChartWnd::Show(bool shown) {
    if (shown && !placed_) {
        PlaceOnScreen();
    }
    ShowWindow(window_, shown ? SW_SHOWNORMAL : SW_HIDE);
}

void CLiveChartWnd::PlaceOnScreen() {
    HWND owner = GetAncestor(panel_, GA_ROOT);
    RECT ownerRect;
    GetWindowRect(owner, &ownerRect);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = std::min<int>(style_.Scale(kPreferredSize.cx), work.right - work.left);
    const int height = std::min<int>(style_.Scale(kPreferredSize.cy), work.bottom - work.top);
    int x = (ownerRect.left + ownerRect.right - width) / 2;
    int y = (ownerRect.top + ownerRect.bottom - height) / 2;
    x = std::clamp<int>(x, work.left, work.right - width);
    y = std::clamp<int>(y, work.top, work.bottom - height);
    SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    placed_ = true;
}

void CLiveChartWnd::Paint(HDC dc, const RECT& client) const {
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont = SelectObject(dc, style_.SmallFont());
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    const int line = metrics.tmHeight;
    const int margin = style_.Scale(8);
    // The plot: room for the value labels left and right, the legend above, times below.
    const RECT plot{client.left + margin + 5 * metrics.tmAveCharWidth + line,
                    client.top + margin + 3 * line,
                    client.right - margin - 5 * metrics.tmAveCharWidth - line,
                    client.bottom - margin - 2 * line};
    if (plot.right <= plot.left || plot.bottom <= plot.top) {
        SelectObject(dc, oldFont);
        return;
    }
    const ChartAxes axes = history_.Axes(NowMs());
    const double span = static_cast<double>(axes.endMs - axes.startMs);
    auto xOf = [&](int64_t atMs) {
        return plot.left + static_cast<int>(std::lround((plot.right - plot.left) *
                                                        (atMs - axes.startMs) / span));
    };
    auto yOf = [&](double value, double low, double high) {
        const double share = high > low ? (value - low) / (high - low) : 0.0;
        return plot.bottom - static_cast<int>(std::lround((plot.bottom - plot.top) * share));
    };

    GdiObject gridPen(CreatePen(PS_SOLID, 1, kGridColour));
    HGDIOBJ oldPen = SelectObject(dc, gridPen.Get());
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    for (int i = 0; i < kTimeTicks; ++i) {
        const int64_t at = axes.startMs + (axes.endMs - axes.startMs) * i / (kTimeTicks - 1);
        const int x = xOf(at);
        MoveToEx(dc, x, plot.top, nullptr);
        LineTo(dc, x, plot.bottom);
        TextAt(dc, x, plot.bottom + 2, ClockLabel(at), TA_CENTER | TA_TOP);
    }
    for (int i = 0; i < kValueTicks; ++i) {
        const double share = static_cast<double>(i) / (kValueTicks - 1);
        const double volts = axes.voltLow + (axes.voltHigh - axes.voltLow) * share;
        const int y = yOf(volts, axes.voltLow, axes.voltHigh);
        MoveToEx(dc, plot.left, y, nullptr);
        LineTo(dc, plot.right, y);
        TextAt(dc, plot.left - 3, y - line / 2, ValueLabel(volts), TA_RIGHT | TA_TOP);
        TextAt(dc, plot.right + 3, y - line / 2, ValueLabel(axes.ampHigh * share),
               TA_LEFT | TA_TOP);
    }
    // The axis titles above their value labels, clear of the top one.
    TextAt(dc, plot.left, plot.top - 2 * line, Wide(Pick(texts::kChartVoltAxis, english_)),
           TA_RIGHT | TA_TOP);
    TextAt(dc, plot.right, plot.top - 2 * line, Wide(Pick(texts::kChartAmpAxis, english_)),
           TA_LEFT | TA_TOP);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, plot.left, plot.top, plot.right + 1, plot.bottom + 1);

    // The three series, and their legend above the plot.
    struct Series {
        COLORREF colour;
        const Bilingual& name;
        double ChartSample::*value;
        bool volts;
    };
    const Series series[] = {
        {kBatteryColour, texts::kChartBattery, &ChartSample::batteryVolts, true},
        {kChargeColour, texts::kChartCharge, &ChartSample::chargeAmps, false},
        {kLoadColour, texts::kChartLoad, &ChartSample::loadAmps, false},
    };
    int legendX = plot.left;
    for (const Series& s : series) {
        GdiObject pen(CreatePen(PS_SOLID, style_.Scale(2), s.colour));
        SelectObject(dc, pen.Get());
        std::vector<POINT> points;
        for (const ChartSample& sample : history_.Samples()) {
            const double value = sample.*s.value;
            points.push_back({xOf(sample.atMs), s.volts ? yOf(value, axes.voltLow, axes.voltHigh)
                                                        : yOf(value, 0.0, axes.ampHigh)});
        }
        if (points.size() > 1) {
            Polyline(dc, points.data(), static_cast<int>(points.size()));
        }
        const int legendY = client.top + margin + line / 2;
        MoveToEx(dc, legendX, legendY, nullptr);
        LineTo(dc, legendX + style_.Scale(16), legendY);
        const std::wstring name = Wide(Pick(s.name, english_));
        TextAt(dc, legendX + style_.Scale(20), legendY - line / 2, name, TA_LEFT | TA_TOP);
        SIZE extent;
        GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &extent);
        legendX += style_.Scale(36) + extent.cx;
        SelectObject(dc, GetStockObject(BLACK_PEN));
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
}

}  // namespace zelt::win32
