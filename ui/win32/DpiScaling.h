#pragma once

#include <windows.h>

// The windows are laid out in pixels at 96 dpi. On a denser screen every one
// of those numbers is scaled by the monitor's DPI, so that the board and the
// splash keep their size on the screen and are drawn sharp, not stretched.

constexpr UINT kDesignDpi = USER_DEFAULT_SCREEN_DPI;

// The DPI a window is shown at: its monitor's on systems that can say so, the
// system's otherwise.
UINT windowDpi(HWND hwnd);

// A length of `px` pixels at 96 dpi, at `dpi`, rounded to the nearest pixel.
inline int scaleToDpi(int px, UINT dpi) {
    return MulDiv(px, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

// Resizes a top-level window so that its client area is width x height,
// whatever its frame measures at the DPI it is on; its top-left corner stays.
void resizeClientArea(HWND hwnd, int width, int height);

// Moves a top-level window to the middle of the monitor it is on.
void centreOnMonitor(HWND hwnd);

// Moves and sizes a window to the rectangle that comes with WM_DPICHANGED.
void moveToSuggestedRect(HWND hwnd, LPARAM dpiChangedLParam);
