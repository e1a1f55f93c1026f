#include "win32app/StateDump.h"

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "platform/win32/Wide.h"
#include "win32app/MainWnd.h"
#include "win32app/resource.h"

namespace zelt::win32 {

namespace {

constexpr UINT kPeriodMs = 250;
constexpr UINT_PTR kTimerId = 0x5A44;
// The timer's callback finds the dump through the main window's property.
constexpr const wchar_t* kProperty = L"ZeltStateDump";

std::string TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    std::string utf8 = Utf8(text);
    for (char& c : utf8) {
        if (c == '\r' || c == '\n') {
            c = ' ';  // one control, one line
        }
    }
    return utf8;
}

// A list box has no text of its own: its rows, joined by " | ".
std::string RowsOf(HWND list) {
    std::string rows;
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        const auto length = static_cast<int>(SendMessageW(list, LB_GETTEXTLEN, row, 0));
        std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
        rows += (row > 0 ? " | " : "") + Utf8(text.c_str(), wcslen(text.c_str()));
    }
    return rows;
}

bool HasClass(HWND window, const wchar_t* name) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    return _wcsicmp(className, name) == 0;
}

long long UnixMs(const FILETIME& time) {
    const auto ticks = (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return (ticks - 116444736000000000LL) / 10000;  // 100 ns steps from 1601
}

// Where a test clicks: "left,top,right,bottom" on the screen.
std::string ScreenRect(HWND window, const RECT* inWindow = nullptr) {
    RECT rect;
    if (inWindow != nullptr) {
        rect = *inWindow;
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    } else {
        GetWindowRect(window, &rect);
    }
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

// A button that shows a bitmap in place of its words.
bool ShowsPicture(HWND window) {
    // BS_BITMAP's bit means other things to other classes.
    return HasClass(window, WC_BUTTONW) &&
           (GetWindowLongPtrW(window, GWL_STYLE) & BS_BITMAP) != 0 &&
           SendMessageW(window, BM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
}

// Every descendant control with an id: "prefix.id=text", then "(picture)" and "(disabled)"
// when so.
void DumpControls(HWND parent, const std::string& prefix, std::string& out) {
    struct Context {
        const std::string& prefix;
        std::string& out;
    } context{prefix, out};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM lParam) -> BOOL {
            auto& ctx = *reinterpret_cast<Context*>(lParam);
            const int id = GetDlgCtrlID(child);
            if (id > 0 && IsWindowVisible(child)) {
                const std::string name = ctx.prefix + "." + std::to_string(id);
                ctx.out += name + "=" +
                           (HasClass(child, WC_LISTBOXW) ? RowsOf(child) : TextOf(child)) +
                           (ShowsPicture(child) ? " (picture)" : "") +
                           (IsWindowEnabled(child) ? "" : " (disabled)") + "\n";
                ctx.out += "rect." + name + "=" + ScreenRect(child) + "\n";
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&context));
}

}  // namespace

CStateDump::CStateDump(const CMainWnd& wnd, std::wstring path) : wnd_(wnd), path_(std::move(path)) {
    SetPropW(wnd_.Handle(), kProperty, this);
    timer_ = SetTimer(wnd_.Handle(), kTimerId, kPeriodMs, OnTimer);
}

CStateDump::~CStateDump() {
    KillTimer(wnd_.Handle(), timer_);
    RemovePropW(wnd_.Handle(), kProperty);
    WriteIfChanged();
}

void CALLBACK CStateDump::OnTimer(HWND window, UINT, UINT_PTR, DWORD) {
    if (auto* dump = static_cast<CStateDump*>(GetPropW(window, kProperty))) {
        dump->WriteIfChanged();
    }
}

std::string CStateDump::Snapshot() const {
    HWND main = wnd_.Handle();
    std::string out = "caption=" + TextOf(main) + "\n";
    // For the benchmark: the first paint, and the working set to the MB.
    PROCESS_MEMORY_COUNTERS memory{};
    K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    FILETIME created{};
    FILETIME unused{};
    GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
    out += "started.unixms=" + std::to_string(UnixMs(created)) + "\n";
    out += "firstpaint.unixms=" + std::to_string(wnd_.FirstPaintUnixMs()) + "\n";
    out += "workingset.kb=" + std::to_string(memory.WorkingSetSize / (1 << 20) * 1024) + "\n";
    HWND statusBar = GetDlgItem(main, IDC_STATUS_BAR);
    for (int part = 0; part < 4; ++part) {
        wchar_t text[256] = {};
        if (LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, part, 0)) < 256) {
            SendMessageW(statusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
        }
        out += "pane" + std::to_string(part) + "=" + Utf8(text, wcslen(text)) + "\n";
    }
    HWND toolbar = GetDlgItem(main, IDC_TOOLBAR);
    out += "toolbar=";
    const auto count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if ((button.fsStyle & BTNS_SEP) == 0) {
            out += std::to_string(button.idCommand) +
                   ((button.fsState & TBSTATE_ENABLED) != 0 ? "" : "-") + " ";
        }
    }
    out += "\n";
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        RECT rect{};
        SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
        if ((button.fsStyle & BTNS_SEP) == 0) {
            out += "rect.toolbar." + std::to_string(button.idCommand) + "=" +
                   ScreenRect(toolbar, &rect) + "\n";
        }
    }
    DumpControls(main, "main", out);
    // The dialogs and message boxes of this thread, topmost first; one under a modal one of
    // its own shows "(disabled)".
    struct Context {
        HWND main;
        std::string& out;
    } context{main, out};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM lParam) -> BOOL {
            auto& ctx = *reinterpret_cast<Context*>(lParam);
            if (window != ctx.main && IsWindowVisible(window) &&
                !HasClass(window, TOOLTIPS_CLASSW)) {
                ctx.out += "dialog=" + TextOf(window) +
                           (IsWindowEnabled(window) ? "" : " (disabled)") + "\n";
                DumpControls(window, "dialog", ctx.out);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&context));
    return out;
}

void CStateDump::WriteIfChanged() {
    const std::string now = Snapshot();
    if (now == written_) {
        return;
    }
    // Whole or not at all: a reader never sees half a state.
    const std::wstring temporary = path_ + L".tmp";
    FILE* file = _wfopen(temporary.c_str(), L"wb");
    if (file == nullptr) {
        return;
    }
    const bool ok = std::fwrite(now.data(), 1, now.size(), file) == now.size();
    if (std::fclose(file) == 0 && ok &&
        MoveFileExW(temporary.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) {
        written_ = now;
    }
}

}  // namespace zelt::win32
