#pragma once
// Small pieces every window class of the program needs: its C++ object in the window's user
// data, and painting through an off-screen bitmap.

#include <windows.h>

namespace zelt::win32 {

// The object that CreateWindowEx handed over as its creation parameter, kept in the window's
// user data from WM_NCCREATE on; null before that and after the owner cleared it.
template <typename T>
T* WindowObject(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// WM_PAINT drawn off screen first and copied in one step, so repaints (a drag, a poll) do not
// flicker. paint(dc, client) draws the whole client area.
template <typename Paint>
void PaintBuffered(HWND window, Paint&& paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    paint(memory, client);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(window, &ps);
}

}  // namespace zelt::win32
