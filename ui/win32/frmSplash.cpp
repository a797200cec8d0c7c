#include "frmSplash.h"

#include "PlatformCalls.h"
#include "ResourceIds.h"
#include "WindowProc.h"
#include "frmMain.h"

frmSplash::frmSplash(PlatformCalls& calls) : m_calls(calls) {}

frmSplash::~frmSplash() {
    if (m_hwnd != nullptr) {
        DestroyWindow(m_hwnd);
    }
    if (m_picture != nullptr) {
        DeleteObject(m_picture);
    }
}

void frmSplash::show() {
    registerClass();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    // A tool window gets no taskbar button; WS_POPUP alone has no frame, so
    // the client area is the whole window.
    m_hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, left, top, kWidth, kHeight,
                             nullptr, nullptr, instance, this);
    // SS_BITMAP sizes the control to the bitmap, so the picture is unscaled.
    m_picture = static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    m_imgSplash = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP, kPictureLeft,
                                  kPictureTop, 0, 0, m_hwnd, nullptr, instance, nullptr);
    SendMessageA(m_imgSplash, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_picture));
    SetTimer(m_hwnd, kDoneTimerId, kDoneMs, nullptr);
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    SetFocus(m_hwnd);
}

void frmSplash::Form_KeyDown() {
    handover();
}

void frmSplash::tmrDone_Timer() {
    handover();
}

void frmSplash::handover() {
    // A key press and the timer can both be waiting in the queue; only the
    // first of them may open the main window.
    if (m_handedOver) {
        return;
    }
    m_handedOver = true;
    KillTimer(m_hwnd, kDoneTimerId);
    if (!m_main) {
        m_main = std::make_unique<frmMain>(m_calls);
    }
    m_main->show();
    DestroyWindow(m_hwnd);
}

void frmSplash::registerClass() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, kClassName, &existing)) {
        return;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &routeToWindow<frmSplash>;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
}

LRESULT frmSplash::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // Any key, Alt combinations included, only skips the splash; it is
        // consumed here and never reaches the game.
        Form_KeyDown();
        return 0;
    case WM_TIMER:
        if (wParam == kDoneTimerId) {
            tmrDone_Timer();
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
    case WM_DESTROY:
        KillTimer(m_hwnd, kDoneTimerId);
        // Should the splash be closed from outside before it handed over,
        // the program would be left with no window at all; end it instead.
        if (!m_handedOver) {
            PostQuitMessage(0);
        }
        return 0;
    case WM_NCDESTROY: {
        HWND hwnd = m_hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        m_hwnd = nullptr;
        m_imgSplash = nullptr;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    default:
        return DefWindowProcA(m_hwnd, msg, wParam, lParam);
    }
}
