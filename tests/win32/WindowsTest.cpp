// The Windows front-end in process, under Wine: the windows are real, only the
// message box and the end of the program are faked, so that the checks can
// look inside while a box is "open" and survive the quit command. The rules
// of the game session behind the window (boxes, the beat, the end) have tests
// of their own; these check what the window does with them.

#include "Figures.h"
#include "GoldenReplay.h"
#include "KeyCommands.h"
#include "NewsQueue.h"
#include "PlatformCalls.h"
#include "ResourceIds.h"
#include "WinTestSupport.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

class FakeCalls final : public PlatformCalls {
public:
    struct Box {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;
    };

    // Answers given in turn; when none is queued, OK for an OK box and No for
    // a Yes/No box, so nothing ends by accident.
    std::deque<int> answers;
    // Runs while the box is "open", as a real box's own message loop would.
    std::function<void()> whileOpen;
    // Gives the answer instead of `answers`, where set.
    std::function<int(const Box&)> decide;
    std::vector<Box> boxes;
    int ends = 0;
    // Whether a UI Automation client listens, as on Windows 10 (1709) and
    // later with a reader running; what the window asked it to say.
    bool notificationsHeard = false;
    std::vector<std::pair<HWND, std::string>> notified;

    int messageBox(HWND owner, const std::string& text, const std::string& caption,
                   UINT type) override {
        boxes.push_back({owner, text, caption, type});
        if (whileOpen) {
            whileOpen();
        }
        if (decide) {
            return decide(boxes.back());
        }
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }

    void endProgram() override { ++ends; }

    bool notify(HWND window, std::string_view text) override {
        notified.emplace_back(window, std::string(text));
        return notificationsHeard;
    }
};

// The windows whose accessible description changed, as hooked out of context.
std::vector<HWND> g_described;

void CALLBACK onDescriptionChange(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD,
                                  DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) {
        g_described.push_back(hwnd);
    }
}

bool described(HWND hwnd) {
    return std::find(g_described.begin(), g_described.end(), hwnd) != g_described.end();
}

std::string rowShown(const frmMain& main, int row) {
    return wintest::windowText(main.label(row));
}

// The board as its labels show it.
std::array<std::string, kRows> board(const frmMain& main) {
    std::array<std::string, kRows> rows;
    for (int r = 0; r < kRows; ++r) {
        rows[static_cast<std::size_t>(r)] = rowShown(main, r);
    }
    return rows;
}

std::vector<HWND> labels(const frmMain& main) {
    std::vector<HWND> all;
    for (int r = 0; r < kRows; ++r) {
        all.push_back(main.label(r));
    }
    return all;
}

void checkBoardGeometry(const frmMain& main) {
    wintest::checkBoardGeometry(main.handle(), labels(main), main.dpi());
}

GameState freshState() {
    GameState s;
    reset(s);
    return s;
}

using wintest::childRect;

void sendKey(HWND hwnd, WPARAM key, LPARAM flags = 1) {
    SendMessageA(hwnd, WM_KEYDOWN, key, flags);
}

int countWindowsOfClass(const char* className) {
    struct Search {
        const char* name;
        int count;
    } search{className, 0};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            char name[64] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (std::string(name) == s->name) {
                ++s->count;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}

// Counts the lit pixels in a band of the window's client area, as painted.
int litPixels(HWND w, int top, int height) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = GetDC(w);
    int lit = 0;
    for (int y = top; y < top + height; ++y) {
        for (int x = 0; x < kClientWidth; ++x) {
            lit += GetPixel(dc, x, y) != RGB(0, 0, 0) ? 1 : 0;
        }
    }
    ReleaseDC(w, dc);
    return lit;
}

// The program's start, and the splash's time running out: the board shows.
void startOnBoard(frmMain& main) {
    main.session().load(frmMain::nowMs());
    main.session().splashTimer(frmMain::nowMs());
}

// Waits for the next tick, seen as a change of the board.
bool waitForTick(const frmMain& main, DWORD timeoutMs = 2000) {
    const auto before = board(main);
    return wintest::pumpUntil([&] { return board(main) != before; }, timeoutMs);
}

void testMainWindowFrame() {
    FakeCalls calls;
    frmMain main(calls);
    startOnBoard(main);
    wintest::pump(100);
    HWND w = main.handle();
    CHECK_EQ(wintest::windowText(w), "Vantrel");

    const auto style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongA(w, GWL_EXSTYLE));
    CHECK((style & WS_CAPTION) == WS_CAPTION);
    CHECK((style & WS_SYSMENU) != 0);
    CHECK((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
    // A taskbar button: an unowned window that is no tool window.
    CHECK((exStyle & WS_EX_TOOLWINDOW) == 0);
    CHECK(GetWindow(w, GW_OWNER) == nullptr);

    RECT frame;
    GetWindowRect(w, &frame);
    CHECK(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)) <= 1);
    CHECK(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)) <= 1);

    auto icon = reinterpret_cast<HICON>(GetClassLongPtrA(w, GCLP_HICON));
    CHECK(icon != nullptr);
    CHECK(IsWindowVisible(w));
    CHECK(GetForegroundWindow() == w);
    // No control takes the focus: the window keeps it, so it gets every key.
    CHECK(GetFocus() == w);
}

void testBoardLabels() {
    FakeCalls calls;
    frmMain main(calls);
    startOnBoard(main);
    HWND w = main.handle();

    const std::array<std::string, kRows> opening = {"V V V V", "", "", "", "", "", "", "       A"};
    CHECK(board(main) == opening);

    // The client area and the rows, short and empty ones among them.
    checkBoardGeometry(main);
    HFONT font = nullptr;
    for (int r = 0; r < kRows; ++r) {
        HWND label = main.label(r);
        char cls[32] = {};
        GetClassNameA(label, cls, sizeof cls);
        CHECK(lstrcmpiA(cls, "Static") == 0);
        const auto style = static_cast<DWORD>(GetWindowLongA(label, GWL_STYLE));
        CHECK((style & (WS_TABSTOP | SS_NOTIFY)) == 0);
        const auto labelFont = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
        CHECK(labelFont != nullptr);
        CHECK(r == 0 || labelFont == font);
        font = labelFont;
    }
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    CHECK_EQ(std::string(lf.lfFaceName), "Courier New");
    CHECK_EQ(lf.lfHeight, kFontPixelSize);
    CHECK_EQ(lf.lfWeight, 700);
    CHECK(!lf.lfItalic && !lf.lfUnderline && !lf.lfStrikeOut);
    CHECK_EQ(lf.lfCharSet, ANSI_CHARSET);

    // Whatever face the system picked, every glyph of the game takes the same
    // cell, so the 15 columns of all rows line up and a full row fits.
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, font);
    for (const char* row : {"VVVVVVVVVVVVVVV", "OOOOOOOOOOOOOOO", "'''''''''''''''",
                            "AAAAAAAAAAAAAAA", "               "}) {
        SIZE size{};
        GetTextExtentPoint32A(dc, row, kColumns, &size);
        CHECK_EQ(size.cx, kColumns * kCellWidth);
    }
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    CHECK_EQ(tm.tmHeight, kFontPixelSize);
    SelectObject(dc, old);
    ReleaseDC(w, dc);

    // Green letters on black, nothing else: every pixel of the client area
    // has no red and no blue, and the letters reach full green.
    UpdateWindow(w);
    wintest::pump(50);
    dc = GetDC(w);
    bool onlyGreenOnBlack = true;
    int fullGreen = 0;
    for (int y = 0; y < kClientHeight; y += 1) {
        for (int x = 0; x < kClientWidth; x += 1) {
            const COLORREF c = GetPixel(dc, x, y);
            onlyGreenOnBlack = onlyGreenOnBlack && GetRValue(c) == 0 && GetBValue(c) == 0;
            fullGreen += c == RGB(0, 255, 0) ? 1 : 0;
        }
    }
    ReleaseDC(w, dc);
    CHECK(onlyGreenOnBlack);
    CHECK(fullGreen > 50);
}

void testRowsShown() {
    FakeCalls calls;
    frmMain main(calls);
    startOnBoard(main);
    KillTimer(main.handle(), frmMain::kStepTimerId);

    // Each label takes the width of its text, trailing blanks included.
    for (const char* text : {"  V   ", "   V V O V    '", ""}) {
        main.showRow(4, text);
        CHECK_EQ(rowShown(main, 4), text);
        checkBoardGeometry(main);
    }
    CHECK(IsWindowVisible(main.label(4)));

    // The shot's glyph sits at the top of its cell, where the row above
    // overlaps by 4 px: the row above must not paint over it.
    main.showRow(4, "'");
    ShowWindow(main.label(3), SW_HIDE);
    const int shotAlone = litPixels(main.handle(), 72, 20);
    ShowWindow(main.label(3), SW_SHOW);
    CHECK(shotAlone > 0);
    CHECK_EQ(litPixels(main.handle(), 72, 20), shotAlone);

    // A beat through the window's own timer event draws full 15-cell rows.
    SendMessageA(main.handle(), WM_TIMER, frmMain::kStepTimerId, 0);
    CHECK_EQ(rowShown(main, 0), " V V V V       ");
    CHECK_EQ(rowShown(main, 3), "               ");
    CHECK_EQ(rowShown(main, 7), "       A       ");
}

void testKeys() {
    FakeCalls calls;
    frmMain main(calls);
    startOnBoard(main);
    HWND w = main.handle();
    // Keys are sent straight to the window procedure, so no beat can run in
    // between and the latches are seen as the keys left them.
    GameState& s = main.state();

    sendKey(w, VK_LEFT);
    sendKey(w, VK_RIGHT, 0x40000001); // an auto-repeat
    sendKey(w, VK_SPACE);
    CHECK_EQ(s.keyLeft, 1);
    CHECK_EQ(s.keyRight, 1);
    CHECK_EQ(s.keyFire, 1);

    // X with Shift and Ctrl held, and with Alt, which turns the key into a
    // system key: both reach the game.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE held[256];
    std::copy(std::begin(keys), std::end(keys), std::begin(held));
    held[VK_SHIFT] = held[VK_CONTROL] = 0x80;
    SetKeyboardState(held);
    s.cannonCol = 2;
    sendKey(w, 'X');
    SetKeyboardState(keys);
    CHECK(s == freshState());
    s.cannonCol = 4;
    SendMessageA(w, WM_SYSKEYDOWN, 'X', 0x20000001);
    CHECK(s == freshState());
    CHECK(calls.boxes.empty());

    // F1: the help box, owned by the window, OK only, no icon, first button default.
    sendKey(w, VK_F1);
    CHECK_EQ(calls.boxes.size(), 1u);
    if (calls.boxes.size() == 1) {
        const auto& box = calls.boxes.back();
        CHECK(box.owner == w);
        CHECK_EQ(box.text, std::string(kHelpPrompt));
        CHECK_EQ(box.caption, std::string(kHelpTitle));
        CHECK_EQ(box.type & (MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK), UINT{MB_OK | MB_DEFBUTTON1});
    }

    // Escape: Yes and No buttons, Yes the default; No goes on, Yes ends the
    // program.
    calls.answers = {IDNO, IDYES};
    sendKey(w, VK_ESCAPE);
    CHECK_EQ(calls.boxes.size(), 2u);
    if (calls.boxes.size() == 2) {
        const auto& box = calls.boxes.back();
        CHECK_EQ(box.text, std::string(kQuitPrompt));
        CHECK_EQ(box.caption, "");
        CHECK_EQ(box.type & (MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK),
                 UINT{MB_YESNO | MB_DEFBUTTON1});
    }
    CHECK_EQ(calls.ends, 0);
    sendKey(w, VK_ESCAPE);
    CHECK_EQ(calls.ends, 1);
}

void testRealKeyboard() {
    // Keys typed on the keyboard, not sent to the window procedure: they must
    // find the window itself, F1 and the arrows included.
    FakeCalls calls;
    frmMain main(calls);
    startOnBoard(main);
    wintest::pump(100);
    KillTimer(main.handle(), frmMain::kStepTimerId);
    SetForegroundWindow(main.handle());

    keybd_event(VK_LEFT, 0, 0, 0);
    keybd_event(VK_LEFT, 0, KEYEVENTF_KEYUP, 0);
    CHECK(wintest::pumpUntil([&] { return main.state().keyLeft == 1; }, 2000));

    keybd_event(VK_F1, 0, 0, 0);
    keybd_event(VK_F1, 0, KEYEVENTF_KEYUP, 0);
    CHECK(wintest::pumpUntil([&] { return calls.boxes.size() == 1; }, 2000));
    wintest::pump(100);
    CHECK_EQ(calls.boxes.size(), 1u);
}

// Whether tmrStep has fallen due: the system makes WM_TIMER when it is
// looked for, and only while the timer is set.
bool stepTimerDue(HWND w) {
    MSG msg;
    return PeekMessageA(&msg, w, WM_TIMER, WM_TIMER, PM_NOREMOVE) != 0 &&
           msg.wParam == frmMain::kStepTimerId;
}

void testTimerAndBoxes() {
    FakeCalls calls;
    frmMain main(calls);
    startOnBoard(main);
    HWND w = main.handle();

    // The opening picture stays until the first beat, which follows 250 ms later.
    const ULONGLONG shown = GetTickCount64();
    CHECK(waitForTick(main));
    const ULONGLONG firstTick = GetTickCount64() - shown;
    CHECK(firstTick >= 200 && firstTick < 1000);
    CHECK_EQ(rowShown(main, 0), " V V V V       ");

    // A box stops tmrStep itself, not only the beats it would bring; the
    // answer sets it again with a full interval.
    bool dueInBox = true;
    ULONGLONG closed = 0;
    calls.whileOpen = [&] {
        Sleep(2 * kTickMs);
        dueInBox = stepTimerDue(w);
        closed = GetTickCount64();
    };
    sendKey(w, VK_F1);
    CHECK_EQ(calls.boxes.size(), 1u);
    CHECK(!dueInBox);
    CHECK(waitForTick(main));
    CHECK(GetTickCount64() - closed >= 200);
}

void testNewsAndDescriptions() {
    // The window gives a screen reader the session's descriptions of the rows
    // and its news, the opening picture's included, and announces each change
    // once; the screen-reader test reads them back through the accessibility
    // objects.
    FakeCalls calls;
    frmMain main(calls);
    CHECK_EQ(main.session().rowDescription(7), "Board row 8 of 8: cannon in column 8");
    CHECK_EQ(main.session().lastNews(), "");
    startOnBoard(main);
    KillTimer(main.handle(), frmMain::kStepTimerId);
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_DESCRIPTIONCHANGE, EVENT_OBJECT_DESCRIPTIONCHANGE, nullptr,
                        onDescriptionChange, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    const auto beat = [&](WPARAM key) {
        g_described.clear();
        sendKey(main.handle(), key);
        SendMessageA(main.handle(), WM_TIMER, frmMain::kStepTimerId, 0);
        wintest::pump(100);
    };

    // With UI Automation listening, a notification says the news and the
    // window's own description change goes unannounced, or a reader that
    // listens to both would say it twice.
    calls.notificationsHeard = true;
    beat(VK_RIGHT);
    CHECK_EQ(main.session().lastNews(), "cannon column 9");
    CHECK_EQ(calls.notified.size(), 1u);
    CHECK(calls.notified.back() == std::make_pair(main.handle(), std::string("cannon column 9")));
    CHECK(!described(main.handle()));
    CHECK(described(main.label(7)));

    // Without it (before Windows 10, or a reader that only uses MSAA), the
    // change of the description is announced.
    calls.notificationsHeard = false;
    Sleep(NewsQueue::kMinGapMs);
    beat(VK_LEFT);
    CHECK_EQ(main.session().lastNews(), "cannon column 8");
    CHECK_EQ(calls.notified.size(), 2u);
    CHECK(described(main.handle()));
    UnhookWinEvent(hook);
}

void testCloseBox() {
    FakeCalls calls;
    frmMain main(calls);
    startOnBoard(main);
    wintest::pump(50);
    MSG stale;
    while (PeekMessageA(&stale, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    SendMessageA(main.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK(main.handle() == nullptr);
    CHECK(calls.boxes.empty());
    CHECK(main.session().ended());
    MSG quit;
    CHECK(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    CHECK_EQ(quit.wParam, 0u);
}

void testSplashLooks() {
    FakeCalls calls;
    frmMain main(calls);
    main.session().load(frmMain::nowMs());
    const frmSplash& splash = main.splash();
    wintest::pump(50);
    HWND w = splash.handle();

    // No frame: the window is its client area.
    wintest::checkSplashGeometry(w, splash.picture(), USER_DEFAULT_SCREEN_DPI);
    RECT frame;
    GetWindowRect(w, &frame);
    CHECK_EQ(frame.right - frame.left, kSplashWidth);
    CHECK_EQ(frame.bottom - frame.top, kSplashHeight);
    CHECK(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)) <= 1);
    CHECK(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)) <= 1);
    const auto style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
    CHECK((style & WS_POPUP) != 0);
    CHECK((style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)) == 0);
    CHECK((GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0);
    CHECK(GetFocus() == w);

    // A click is no key: the splash stays.
    PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 30));
    PostMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(100, 30));
    wintest::pump(200);
    CHECK(IsWindow(w));
    CHECK(main.handle() == nullptr);
}

void testSplashTimer() {
    FakeCalls calls;
    frmMain main(calls);
    const ULONGLONG start = GetTickCount64();
    main.session().load(frmMain::nowMs());
    HWND w = main.splash().handle();
    CHECK(wintest::pumpUntil([&] { return main.handle() != nullptr; }, 5000));
    const ULONGLONG waited = GetTickCount64() - start;
    CHECK(waited >= 1900 && waited < 4000);
    CHECK(!IsWindow(w));
    CHECK(IsWindowVisible(main.handle()));
    CHECK(GetForegroundWindow() == main.handle());
    CHECK_EQ(rowShown(main, 0), "V V V V");
    CHECK_EQ(rowShown(main, 7), "       A");
    CHECK(main.state() == freshState());
}

void testSplashKeys() {
    // Any key skips the splash and only that: the key reaches no command,
    // even when the timer falls due at the same moment.
    for (WPARAM key : {WPARAM{VK_SPACE}, WPARAM{VK_LEFT}, WPARAM{VK_ESCAPE}, WPARAM{'X'},
                       WPARAM{VK_F1}, WPARAM{'Q'}}) {
        FakeCalls calls;
        frmMain main(calls);
        main.session().load(frmMain::nowMs());
        HWND w = main.splash().handle();
        PostMessageA(w, WM_KEYDOWN, key, 1);
        PostMessageA(w, WM_TIMER, frmSplash::kDoneTimerId, 0);
        wintest::pump(300);
        CHECK(!IsWindow(w));
        CHECK_EQ(countWindowsOfClass("frmMain"), 1);
        CHECK(calls.boxes.empty());
        const GameState s = main.state();
        CHECK_EQ(s.keyLeft + s.keyRight + s.keyFire, 0);
    }

    // Alt held with the key makes it a system key; it still skips the splash.
    FakeCalls calls;
    frmMain main(calls);
    main.session().load(frmMain::nowMs());
    SendMessageA(main.splash().handle(), WM_SYSKEYDOWN, VK_F4, 0x20000001);
    CHECK(main.splash().handle() == nullptr);
    CHECK(main.handle() != nullptr);
}

// Tells a window that it is now shown at `dpi`, as Windows does when it goes
// to another monitor, with a suggested rectangle of `width` x `height` in the
// top-left corner of the screen, where even the splash fits at twice the DPI.
// Returns the rectangle.
RECT changeDpi(HWND w, UINT dpi, int width, int height) {
    RECT suggested = {0, 0, width, height};
    SendMessageA(w, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    wintest::pump(50);
    return suggested;
}

// The board at `scale` times 96 dpi: its geometry, and a font whose glyphs
// take the scaled cell.
void checkBoardAt(const frmMain& main, int scale) {
    CHECK_EQ(main.dpi(), static_cast<UINT>(96 * scale));
    checkBoardGeometry(main);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(main.label(0), WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    CHECK_EQ(lf.lfHeight, kFontPixelSize * scale);
    CHECK_EQ(lf.lfWidth, kCellWidth * scale);
    HDC dc = GetDC(main.handle());
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, "VVVVVVVVVVVVVVV", kColumns, &size);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(main.handle(), dc);
    CHECK_EQ(size.cx, kColumns * kCellWidth * scale);
    CHECK_EQ(tm.tmHeight, kFontPixelSize * scale);
}

void testMainDpiChange() {
    FakeCalls calls;
    frmMain main(calls);
    startOnBoard(main);
    KillTimer(main.handle(), frmMain::kStepTimerId);
    HWND w = main.handle();
    CHECK_EQ(main.dpi(), 96u);
    const auto fontAt96 = reinterpret_cast<HFONT>(SendMessageA(main.label(0), WM_GETFONT, 0, 0));

    // The rectangle Windows suggests is only right for a frame of the new
    // DPI; the client area must come out exact whatever frame the window has.
    RECT frame;
    GetWindowRect(w, &frame);
    const RECT suggested =
        changeDpi(w, 192, 2 * (frame.right - frame.left), 2 * (frame.bottom - frame.top));
    checkBoardAt(main, 2);
    RECT moved;
    GetWindowRect(w, &moved);
    CHECK_EQ(moved.left, suggested.left);
    CHECK_EQ(moved.top, suggested.top);
    // The rows keep their opening texts (short and empty ones, measured
    // above), rows drawn now take the new size (full ones), and the font of
    // the old DPI is gone.
    CHECK_EQ(rowShown(main, 0), "V V V V");
    CHECK_EQ(rowShown(main, 7), "       A");
    SendMessageA(w, WM_TIMER, frmMain::kStepTimerId, 0);
    CHECK_EQ(rowShown(main, 7), "       A       ");
    checkBoardAt(main, 2);
    CHECK_EQ(GetObjectType(fontAt96), 0u);

    // And back: everything exactly as it was at 96 dpi.
    changeDpi(w, 96, frame.right - frame.left, frame.bottom - frame.top);
    checkBoardAt(main, 1);
}

void testSplashDpiChange() {
    FakeCalls calls;
    frmMain main(calls);
    main.session().load(frmMain::nowMs());
    const frmSplash& splash = main.splash();
    HWND w = splash.handle();
    KillTimer(w, frmSplash::kDoneTimerId);
    changeDpi(w, 192, 2 * kSplashWidth, 2 * kSplashHeight);
    wintest::checkSplashGeometry(w, splash.picture(), 192);
    const RECT place = childRect(splash.picture());

    // At twice the DPI every pixel of the picture is a 2 x 2 block of its
    // own colour: nothing blurred, nothing shifted.
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC windowDc = GetDC(w);
    const auto shown = wintest::capturePixels(windowDc, place);
    ReleaseDC(w, windowDc);
    auto* bitmap =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(source, bitmap);
    const auto picture =
        wintest::capturePixels(source, RECT{0, 0, kSplashPictureWidth, kSplashPictureHeight});
    SelectObject(source, previous);
    DeleteDC(source);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    CHECK_EQ(shown.size(), picture.size() * 4);
    int wrong = 0;
    int lit = 0;
    for (std::size_t i = 0; i < shown.size() && shown.size() == picture.size() * 4; ++i) {
        const std::size_t x = i % (2 * kSplashPictureWidth);
        const std::size_t y = i / (2 * kSplashPictureWidth);
        const std::uint32_t expected = picture[(y / 2) * kSplashPictureWidth + x / 2];
        wrong += shown[i] != expected ? 1 : 0;
        lit += expected != 0 ? 1 : 0;
    }
    CHECK_EQ(wrong, 0);
    CHECK(lit > 10000);
}

// The golden replays (tests/replay/cases), played through the window: each
// tick is the step timer's event, each key a key-down, each box the fake's.
void testGoldenReplays(const std::string& cases) {
    for (const char* name : GoldenReplay::kCases) {
        FakeCalls calls;
        frmMain main(calls);
        startOnBoard(main);
        KillTimer(main.handle(), frmMain::kStepTimerId);
        GoldenReplay replay;
        calls.decide = [&](const FakeCalls::Box& box) {
            return replay.box(static_cast<int>(box.type & MB_TYPEMASK), box.caption, box.text);
        };
        std::ifstream in(cases + "\\" + name + ".in");
        std::ifstream expected(cases + "\\" + name + ".out");
        CHECK(in && expected);
        std::ostringstream golden;
        golden << expected.rdbuf();
        CHECK_EQ(replay.play(
                     in, {[&] { SendMessageA(main.handle(), WM_TIMER, frmMain::kStepTimerId, 0); },
                          [&](int code) { sendKey(main.handle(), static_cast<WPARAM>(code)); },
                          [&](int row) { return rowShown(main, row); },
                          [&] { return main.state(); }, [&] { return calls.ends != 0; }}),
                 golden.str());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: %s PATH\\TO\\tests\\replay\\cases\n", argv[0]);
        return 2;
    }
    wintest::group("main window frame, size, place and icon", testMainWindowFrame);
    wintest::group("board labels: opening picture, font, colours, geometry", testBoardLabels);
    wintest::group("rows shown exactly and labels fit their text", testRowsShown);
    wintest::group("keys reach the game; boxes and the end of the program", testKeys);
    wintest::group("typed keys reach the window, F1 included", testRealKeyboard);
    wintest::group("step timer, stopped by a box and set again by the answer", testTimerAndBoxes);
    wintest::group("news and row descriptions reach a screen reader, each once",
                   testNewsAndDescriptions);
    wintest::group("close box ends the program without a question", testCloseBox);
    wintest::group("splash frame, picture, and a click that does nothing", testSplashLooks);
    wintest::group("splash hands over after two seconds", testSplashTimer);
    wintest::group("any key skips the splash once and reaches no command", testSplashKeys);
    wintest::group("board window follows a change of DPI and back", testMainDpiChange);
    wintest::group("splash follows a change of DPI, its picture pixel for pixel",
                   testSplashDpiChange);
    wintest::group("the golden replays, frame by frame and box by box",
                   [&] { testGoldenReplays(argv[1]); });
    return wintest::summary();
}
