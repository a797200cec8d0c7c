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

void checkBoardGeometry(const frmMain& main) {
    std::vector<HWND> labels;
    for (int r = 0; r < kRows; ++r) {
        labels.push_back(main.label(r));
    }
    wintest::checkBoardGeometry(main.handle(), labels, main.dpi());
}

GameState freshState() {
    GameState s;
    reset(s);
    return s;
}

using wintest::childRect;
using wintest::px;

void sendKey(HWND hwnd, WPARAM key, LPARAM flags = 1) {
    SendMessageA(hwnd, WM_KEYDOWN, key, flags);
}

// The pixels of `area` of a window's client area as it paints them now.
std::vector<std::uint32_t> painted(HWND w, const RECT& area) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = GetDC(w);
    auto pixels = wintest::capturePixels(dc, area);
    ReleaseDC(w, dc);
    return pixels;
}

std::ptrdiff_t litPixels(HWND w, const RECT& area) {
    const auto pixels = painted(w, area);
    return std::count_if(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p != 0; });
}

// The program's start, and the splash's time running out: the board shows.
void startOnBoard(frmMain& main) {
    main.session().load(frmMain::nowMs());
    main.session().splashTimer(frmMain::nowMs());
}

// Waits for the next tick, seen as a change of the board.
bool waitForTick(const frmMain& main, DWORD timeoutMs = 2000) {
    const auto before = board(main);
    return wintest::until([&] { return board(main) != before; }, timeoutMs);
}

// The board at `dpi`: its geometry, one font for every row, asked for at the
// cell of the DPI, and every glyph of the game taking that cell whatever face
// the system picked, so that the 15 columns of all rows line up and a full
// row fits.
void checkBoardAt(const frmMain& main, UINT dpi) {
    CHECK_EQ(main.dpi(), dpi);
    checkBoardGeometry(main);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(main.label(0), WM_GETFONT, 0, 0));
    for (int r = 0; r < kRows; ++r) {
        CHECK(reinterpret_cast<HFONT>(SendMessageA(main.label(r), WM_GETFONT, 0, 0)) == font);
    }
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    CHECK_EQ(std::string(lf.lfFaceName), "Courier New");
    CHECK_EQ(lf.lfHeight, px(kFontPixelSize, dpi));
    CHECK_EQ(lf.lfWidth, px(kCellWidth, dpi));
    CHECK_EQ(lf.lfWeight, FW_BOLD);
    CHECK(!lf.lfItalic && !lf.lfUnderline && !lf.lfStrikeOut);
    CHECK_EQ(lf.lfCharSet, ANSI_CHARSET);
    HDC dc = GetDC(main.handle());
    HGDIOBJ old = SelectObject(dc, font);
    for (const char glyph : {'V', 'O', '\'', 'A', ' '}) {
        const std::string row(kColumns, glyph);
        SIZE size{};
        GetTextExtentPoint32A(dc, row.c_str(), kColumns, &size);
        CHECK_EQ(size.cx, kColumns * px(kCellWidth, dpi));
    }
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    CHECK_EQ(tm.tmHeight, px(kFontPixelSize, dpi));
    SelectObject(dc, old);
    ReleaseDC(main.handle(), dc);
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

void testBoard() {
    FakeCalls calls;
    frmMain main(calls);
    startOnBoard(main);
    KillTimer(main.handle(), frmMain::kStepTimerId);
    HWND w = main.handle();
    CHECK(GetClassLongPtrA(w, GCLP_HICON) != 0);
    const std::array<std::string, kRows> opening = {"V V V V", "", "", "", "", "", "", "       A"};
    CHECK(board(main) == opening);
    for (int r = 0; r < kRows; ++r) {
        CHECK(lstrcmpiA(wintest::className(main.label(r)).c_str(), "Static") == 0);
        CHECK((GetWindowLongA(main.label(r), GWL_STYLE) & (WS_TABSTOP | SS_NOTIFY)) == 0);
    }
    checkBoardAt(main, USER_DEFAULT_SCREEN_DPI);

    // Green letters on black, nothing else: no pixel has red or blue, and the
    // letters reach full green.
    RECT client;
    GetClientRect(w, &client);
    const auto pixels = painted(w, client);
    CHECK(std::all_of(pixels.begin(), pixels.end(),
                      [](std::uint32_t p) { return (p & 0xFF00FFu) == 0; }));
    CHECK(std::count(pixels.begin(), pixels.end(), 0x00FF00u) > 50);

    // The rectangle Windows suggests is only right for a frame of the new
    // DPI; the client area must come out exact whatever frame the window has.
    const auto fontAt96 = reinterpret_cast<HFONT>(SendMessageA(main.label(0), WM_GETFONT, 0, 0));
    RECT frame;
    GetWindowRect(w, &frame);
    const RECT suggested =
        changeDpi(w, 192, 2 * (frame.right - frame.left), 2 * (frame.bottom - frame.top));
    checkBoardAt(main, 192);
    RECT moved;
    GetWindowRect(w, &moved);
    CHECK_EQ(moved.left, suggested.left);
    CHECK_EQ(moved.top, suggested.top);
    // The rows keep their opening texts (short and empty ones), rows drawn
    // now take the new size (full ones), and the font of the old DPI is gone.
    CHECK(board(main) == opening);
    SendMessageA(w, WM_TIMER, frmMain::kStepTimerId, 0);
    CHECK_EQ(rowShown(main, 7), "       A       ");
    checkBoardAt(main, 192);
    CHECK_EQ(GetObjectType(fontAt96), 0u);

    // And back: everything exactly as it was at 96 dpi.
    changeDpi(w, USER_DEFAULT_SCREEN_DPI, frame.right - frame.left, frame.bottom - frame.top);
    checkBoardAt(main, USER_DEFAULT_SCREEN_DPI);
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
    // overlaps: the row above must not paint over it.
    main.showRow(4, "'");
    const RECT shotRow = childRect(main.label(4));
    ShowWindow(main.label(3), SW_HIDE);
    const auto shotAlone = litPixels(main.handle(), shotRow);
    ShowWindow(main.label(3), SW_SHOW);
    CHECK(shotAlone > 0);
    CHECK_EQ(litPixels(main.handle(), shotRow), shotAlone);

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

    // F1: the help box, OK only; Escape: the quit question, Yes and No. Each
    // is owned by the window, with no icon and the first button the default
    // (their texts are read on the real boxes). No goes on, Yes ends the
    // program.
    const auto asks = [&](WPARAM key, UINT buttons) {
        sendKey(w, key);
        return !calls.boxes.empty() && calls.boxes.back().owner == w &&
               (calls.boxes.back().type & (MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK)) ==
                   (buttons | MB_DEFBUTTON1);
    };
    calls.answers = {IDOK, IDNO, IDYES};
    CHECK(asks(VK_F1, MB_OK));
    CHECK(asks(VK_ESCAPE, MB_YESNO));
    CHECK_EQ(calls.ends, 0);
    CHECK(asks(VK_ESCAPE, MB_YESNO));
    CHECK_EQ(calls.boxes.size(), 3u);
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
    CHECK(wintest::until([&] { return main.state().keyLeft == 1; }, 2000));

    keybd_event(VK_F1, 0, 0, 0);
    keybd_event(VK_F1, 0, KEYEVENTF_KEYUP, 0);
    CHECK(wintest::until([&] { return calls.boxes.size() == 1; }, 2000));
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

    // The opening picture stays until the first beat, which follows a beat
    // later.
    const ULONGLONG shown = GetTickCount64();
    CHECK(waitForTick(main));
    const ULONGLONG firstTick = GetTickCount64() - shown;
    CHECK(firstTick >= kTickMs - 50 && firstTick < 4 * kTickMs);
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
    CHECK(GetTickCount64() - closed >= kTickMs - 50);
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
        // One board window, though the key and the timer both ended the splash.
        CHECK(FindWindowA(frmMain::kClassName, nullptr) == main.handle());
        CHECK(FindWindowExA(nullptr, main.handle(), frmMain::kClassName, nullptr) == nullptr);
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

void testSplashDpiChange() {
    FakeCalls calls;
    frmMain main(calls);
    main.session().load(frmMain::nowMs());
    const frmSplash& splash = main.splash();
    HWND w = splash.handle();
    KillTimer(w, frmSplash::kDoneTimerId);
    changeDpi(w, 192, px(kSplashWidth, 192), px(kSplashHeight, 192));
    wintest::checkSplashGeometry(w, splash.picture(), 192);

    // At twice the DPI every pixel of the picture is a 2 x 2 block of its
    // own colour: nothing blurred, nothing shifted.
    const auto shown = painted(w, childRect(splash.picture()));
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
    wintest::group("board: opening picture, labels, font, colours, geometry, at 96 dpi, "
                   "at 192 dpi and back",
                   testBoard);
    wintest::group("rows shown exactly and labels fit their text", testRowsShown);
    wintest::group("keys reach the game; boxes and the end of the program", testKeys);
    wintest::group("typed keys reach the window, F1 included", testRealKeyboard);
    wintest::group("step timer, stopped by a box and set again by the answer", testTimerAndBoxes);
    wintest::group("news and row descriptions reach a screen reader, each once",
                   testNewsAndDescriptions);
    wintest::group("any key skips the splash once and reaches no command", testSplashKeys);
    wintest::group("splash follows a change of DPI, its picture pixel for pixel",
                   testSplashDpiChange);
    wintest::group("the golden replays, frame by frame and box by box",
                   [&] { testGoldenReplays(argv[1]); });
    return wintest::summary();
}
