#include "frmSplash.h"

#include "DpiScaling.h"
#include "Figures.h"
#include "ResourceIds.h"
#include "WindowProc.h"
#include "frmMain.h"

frmSplash::frmSplash(frmMain& main) : m_main(main) {}

frmSplash::~frmSplash() {
    close();
    if (m_picture != nullptr) {
        DeleteObject(m_picture);
    }
}

void frmSplash::close() {
    if (m_hwnd != nullptr) {
        DestroyWindow(m_hwnd);
    }
}

void frmSplash::show(UINT doneMs) {
    registerWindowClass<frmSplash>(kClassName, false);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kSplashWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kSplashHeight) / 2;
    // A tool window gets no taskbar button; WS_POPUP alone has no frame, so
    // the client area is the whole window.
    m_hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, left, top, kSplashWidth,
                             kSplashHeight, nullptr, nullptr, instance, this);
    m_picture = static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    // The window draws the picture into the control itself, at the control's size.
    m_imgSplash = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 0, 0,
                                  m_hwnd, nullptr, instance, nullptr);
    layOut(windowDpi(m_hwnd));
    centreOnMonitor(m_hwnd);
    SetTimer(m_hwnd, kDoneTimerId, doneMs, nullptr);
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    SetFocus(m_hwnd);
}

void frmSplash::layOut(UINT dpi) {
    SetWindowPos(m_hwnd, nullptr, 0, 0, scaleToDpi(kSplashWidth, dpi),
                 scaleToDpi(kSplashHeight, dpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(m_imgSplash, nullptr, scaleToDpi(kSplashPictureLeft, dpi),
                 scaleToDpi(kSplashPictureTop, dpi), scaleToDpi(kSplashPictureWidth, dpi),
                 scaleToDpi(kSplashPictureHeight, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

void frmSplash::drawPicture(HDC dc, const RECT& area) const {
    BITMAP bitmap{};
    GetObjectA(m_picture, sizeof bitmap, &bitmap);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    // At a whole multiple of its size every pixel of the picture becomes a
    // square block of the same colour, which keeps the letters crisp; between
    // multiples neighbouring pixels are blended instead of some rows and
    // columns being doubled and others not.
    const bool wholeMultiple = width % bitmap.bmWidth == 0 && height % bitmap.bmHeight == 0 &&
                               width / bitmap.bmWidth == height / bitmap.bmHeight;
    SetStretchBltMode(dc, wholeMultiple ? COLORONCOLOR : HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, m_picture);
    StretchBlt(dc, area.left, area.top, width, height, source, 0, 0, bitmap.bmWidth,
               bitmap.bmHeight, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

void frmSplash::tmrDone_Timer() {
    m_main.session().splashTimer(frmMain::nowMs());
}

LRESULT frmSplash::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // Any key, Alt combinations included, goes to the session, which
        // ends the splash with it and lets it do nothing else.
        m_main.Form_KeyDown(static_cast<std::int16_t>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kDoneTimerId) {
            tmrDone_Timer();
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        drawPicture(item->hDC, item->rcItem);
        return TRUE;
    }
    case WM_DPICHANGED:
        moveToSuggestedRect(m_hwnd, lParam);
        layOut(HIWORD(wParam));
        return 0;
    case WM_DESTROY:
        KillTimer(m_hwnd, kDoneTimerId);
        // Should the splash be closed from outside while it shows, the
        // program would be left with no window at all; end it instead.
        if (m_main.session().splashShowing()) {
            m_main.session().close();
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
