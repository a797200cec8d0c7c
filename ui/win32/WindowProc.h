#pragma once

#include <windows.h>

// The window procedure of a window owned by a C++ object: the object comes
// with WM_NCCREATE (as CreateWindowEx's last argument), is kept in the
// window's user data, and gets every message from then on. Messages that
// arrive before it (WM_GETMINMAXINFO) take the default path.
template <class Window>
LRESULT CALLBACK routeToWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Window*>(create->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return self->handleMessage(msg, wParam, lParam);
}
