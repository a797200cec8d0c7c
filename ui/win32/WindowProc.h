#pragma once

#include "ResourceIds.h"

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

// Registers the class `name` of the windows owned by `Window` objects, once:
// black, with the arrow cursor, and with the program's icon if asked.
template <class Window> void registerWindowClass(const char* name, bool withIcon) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, name, &existing)) {
        return;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &routeToWindow<Window>;
    wc.hInstance = instance;
    if (withIcon) {
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VANTREL));
        wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_VANTREL),
                                                   IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), 0));
    }
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
}
