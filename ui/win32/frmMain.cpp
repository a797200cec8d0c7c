#include "frmMain.h"

#include "DpiScaling.h"
#include "Figures.h"
#include "PlatformCalls.h"
#include "WindowProc.h"
#include "modButtons.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kLabelStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFTNOWORDWRAP | SS_NOPREFIX;

} // namespace

frmMain::frmMain(PlatformCalls& calls) : m_calls(calls) {
    for (int row = 0; row < kRows; ++row) {
        m_rowDescriptions[static_cast<std::size_t>(row)].describeWith(
            m_session.rowDescription(row));
    }
    m_news.describeWith(m_session.lastNews());
    Form_Initialize();
}

frmMain::~frmMain() {
    if (m_hwnd != nullptr) {
        DestroyWindow(m_hwnd);
    }
    if (m_font != nullptr) {
        DeleteObject(m_font);
    }
}

std::int64_t frmMain::nowMs() {
    return static_cast<std::int64_t>(GetTickCount64());
}

void frmMain::Form_Initialize() {
    InitCommonControls();
}

void frmMain::Form_KeyDown(std::int16_t keyCode) {
    m_session.keyDown(keyCode, nowMs());
}

void frmMain::tmrStep_Timer() {
    m_session.step(nowMs());
}

void frmMain::showSplash(std::int64_t endsMs) {
    m_splash.show(static_cast<UINT>(std::max<std::int64_t>(endsMs - nowMs(), 0)));
}

void frmMain::hideSplash() {
    // The main window is shown before the splash goes, so that it takes the
    // foreground that the splash holds.
    if (m_hwnd == nullptr) {
        load();
    }
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    SetFocus(m_hwnd);
    m_splash.close();
}

void frmMain::load() {
    registerWindowClass<frmMain>(kClassName, true);
    // The window is made at its size at 96 dpi in the middle of the primary
    // screen; once it exists it knows the DPI of its monitor and takes its
    // real size, font and place from that, all before it is first shown.
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    m_hwnd = CreateWindowExA(0, kClassName, kCaption, kWindowStyle, left, top, width, height,
                             nullptr, nullptr, GetModuleHandleA(nullptr), this);
    createLabels();
    applyDpi(windowDpi(m_hwnd));
    centreOnMonitor(m_hwnd);
}

void frmMain::createLabels() {
    for (int row = 0; row < kRows; ++row) {
        HWND label =
            CreateWindowExA(0, "STATIC", "", kLabelStyle, 0, 0, 0, 0, m_hwnd,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstLabelId + row)),
                            GetModuleHandleA(nullptr), nullptr);
        // Each label is 4 px taller than the row pitch, and a static paints its
        // whole rectangle. Putting every row above the one before it means the
        // overlap covers only the empty bottom of the row above, never the top
        // of a cell, where the shot's glyph sits.
        SetWindowPos(label, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // The label stays a plain static control; only a screen reader's
        // request for its accessible object is answered here.
        SetWindowSubclass(label, &frmMain::labelProc, static_cast<UINT_PTR>(row),
                          reinterpret_cast<DWORD_PTR>(this));
        m_lblGame[static_cast<std::size_t>(row)] = label;
    }
}

void frmMain::applyDpi(UINT dpi) {
    m_dpi = dpi;
    // A positive height asks for the character cell rather than the em, and
    // the explicit width keeps every glyph in a cell of 13 x 20 px at 96 dpi
    // whichever fixed-pitch face the system substitutes, so the 15 columns
    // line up and a full row fits. The font is made at the cell size of this
    // DPI, so the letters are drawn for it rather than enlarged.
    HFONT previous = m_font;
    m_font =
        CreateFontA(scaleToDpi(kFontPixelSize, dpi), scaleToDpi(kCellWidth, dpi), 0, 0, FW_BOLD,
                    FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
    resizeClientArea(m_hwnd, scaleToDpi(kClientWidth, dpi), scaleToDpi(kClientHeight, dpi));
    for (int row = 0; row < kRows; ++row) {
        HWND label = m_lblGame[static_cast<std::size_t>(row)];
        SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        SetWindowPos(label, nullptr, scaleToDpi(kRowLeft, dpi),
                     scaleToDpi(kRowTop + kRowPitch * row, dpi), textWidth(m_session.rowText(row)),
                     scaleToDpi(kRowHeight, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(m_hwnd, nullptr, TRUE);
    if (previous != nullptr) {
        DeleteObject(previous);
    }
}

int frmMain::textWidth(const std::string& text) const {
    // An empty label keeps the width of one cell, as an auto-sized label does.
    const std::string measured = text.empty() ? std::string(" ") : text;
    HDC dc = GetDC(m_hwnd);
    HGDIOBJ previous = SelectObject(dc, m_font);
    SIZE extent{};
    GetTextExtentPoint32A(dc, measured.c_str(), static_cast<int>(measured.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(m_hwnd, dc);
    // The overhang of the last bold glyph, scaled like everything else.
    return extent.cx + scaleToDpi(kRowOverhang, m_dpi);
}

void frmMain::showRow(int row, std::string_view text) {
    HWND label = m_lblGame.at(static_cast<std::size_t>(row));
    const std::string copy(text);
    SetWindowTextA(label, copy.c_str());
    SetWindowPos(label, nullptr, 0, 0, textWidth(copy), scaleToDpi(kRowHeight, m_dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmMain::describeRow(int row, std::string_view /*description*/) {
    if (HWND label = m_lblGame.at(static_cast<std::size_t>(row))) {
        // A reader that keeps what it read of the row reads it again.
        NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, label, OBJID_CLIENT, CHILDID_SELF);
    }
}

void frmMain::sayNews(std::string_view text) {
    // The news becomes the description of the window, which has the
    // keyboard. On Windows 10 (1709) and later, with a UI Automation reader
    // listening, a notification says it. Otherwise the change of the
    // description is announced, and MSAA readers speak a change of the
    // focused object's description. Never both: a reader that listens to
    // both (NVDA) would say the news twice.
    if (m_hwnd != nullptr && !m_calls.notify(m_hwnd, text)) {
        NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, m_hwnd, OBJID_CLIENT, CHILDID_SELF);
    }
}

void frmMain::showBox(const BoxRequest& box) {
    // The box is modal and its own message loop runs until the player
    // answers; the session has stopped tmrStep and ignores keys meanwhile.
    const UINT type = (box.buttons == kButtonsYesNo ? MB_YESNO : MB_OK) | MB_DEFBUTTON1;
    const int answer = m_calls.messageBox(m_hwnd, box.prompt, box.title, type);
    m_session.answerBox(static_cast<std::int16_t>(answer), nowMs());
}

void frmMain::endProgram() {
    m_calls.endProgram();
}

void frmMain::startStepTimer() {
    SetTimer(m_hwnd, kStepTimerId, kTickMs, nullptr);
}

void frmMain::stopStepTimer() {
    KillTimer(m_hwnd, kStepTimerId);
}

LRESULT CALLBACK frmMain::labelProc(HWND label, UINT msg, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR row, DWORD_PTR self) {
    auto& description = reinterpret_cast<frmMain*>(self)->m_rowDescriptions.at(row);
    if (msg == WM_GETOBJECT) {
        if (const LRESULT answer = description.answerGetObject(label, wParam, lParam)) {
            return answer;
        }
    } else if (msg == WM_NCDESTROY) {
        description.detach();
        RemoveWindowSubclass(label, &frmMain::labelProc, row);
    }
    return DefSubclassProc(label, msg, wParam, lParam);
}

LRESULT frmMain::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // A key or a tick that arrives while a box is open (the box has the
    // keyboard then, but a message posted to this window still comes) or after
    // the end goes to the session all the same, which ignores it.
    switch (msg) {
    case WM_KEYDOWN:
        Form_KeyDown(static_cast<std::int16_t>(wParam));
        return 0;
    case WM_SYSKEYDOWN:
        // Alt and F10 combinations are keys of the game too. Only Alt+F4 goes
        // on to the system, so that it closes the window; letting the others
        // through would open the system menu, which then takes the arrows.
        Form_KeyDown(static_cast<std::int16_t>(wParam));
        if (wParam == VK_F4) {
            return DefWindowProcA(m_hwnd, msg, wParam, lParam);
        }
        return 0;
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        return 0;
    case WM_HELP:
        // F1 already reached Form_KeyDown; the system's help request adds nothing.
        return TRUE;
    case WM_TIMER:
        if (wParam == kStepTimerId) {
            tmrStep_Timer();
        }
        return 0;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, kTextColour);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
    }
    case WM_DPICHANGED:
        // The window went to a monitor of another DPI, or the player changed
        // the scale: it takes the place Windows suggests, then the size, font
        // and layout of the new DPI.
        moveToSuggestedRect(m_hwnd, lParam);
        applyDpi(HIWORD(wParam));
        return 0;
    case WM_GETOBJECT:
        if (const LRESULT answer = m_news.answerGetObject(m_hwnd, wParam, lParam)) {
            return answer;
        }
        return DefWindowProcA(m_hwnd, msg, wParam, lParam);
    case WM_DESTROY:
        // Closing the main window, with the close box or Alt+F4, ends the
        // program without a question.
        m_session.close();
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        m_news.detach();
        HWND hwnd = m_hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        m_hwnd = nullptr;
        m_lblGame.fill(nullptr);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    default:
        return DefWindowProcA(m_hwnd, msg, wParam, lParam);
    }
}
