#include "DpiScaling.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Windows before 10 (version 1607) have no GetDpiForWindow; linking it would
// stop the program from starting there, so it is looked up when first needed.
GetDpiForWindowFn getDpiForWindow() {
    static const auto fn = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    return fn;
}

} // namespace

UINT windowDpi(HWND hwnd) {
    if (const auto fn = getDpiForWindow()) {
        if (const UINT dpi = fn(hwnd); dpi != 0) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

void resizeClientArea(HWND hwnd, int width, int height) {
    // The frame is whatever the window has now: its caption and borders at
    // its DPI. It does not change with the size of a fixed-border window, so
    // one correction brings the client area to the size asked for.
    RECT frame;
    RECT client;
    GetWindowRect(hwnd, &frame);
    GetClientRect(hwnd, &client);
    const int frameWidth = (frame.right - frame.left) - client.right;
    const int frameHeight = (frame.bottom - frame.top) - client.bottom;
    SetWindowPos(hwnd, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void centreOnMonitor(HWND hwnd) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcMonitor;
    RECT frame;
    GetWindowRect(hwnd, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(hwnd, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void moveToSuggestedRect(HWND hwnd, LPARAM dpiChangedLParam) {
    const auto* suggested = reinterpret_cast<const RECT*>(dpiChangedLParam);
    SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}
