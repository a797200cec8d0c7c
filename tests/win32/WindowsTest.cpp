// The Windows front-end in process, under Wine: the windows are real, only the
// message box and the end of the program are faked, so that the checks can
// look inside while a box is "open" and survive the quit command. The rules
// of the game session behind the window (boxes, the beat, the end) have tests
// of their own; these check what the window does with them.

#include "GoldenReplay.h"
#include "PlatformCalls.h"
#include "WinTestSupport.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
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

    // Runs while the box is "open", as a real box's own message loop would,
    // and gives the answer; where unset, OK to an OK box and No to a Yes/No
    // box, so nothing ends by accident.
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
        if (decide) {
            return decide(boxes.back());
        }
        return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }

    void endProgram() override { ++ends; }

    bool notify(HWND window, std::string_view text) override {
        notified.emplace_back(window, std::string(text));
        return notificationsHeard;
    }
};

// A board window past its splash, with the fake calls it shows its boxes
// through; its step timer stopped, so that the test brings the beats, unless
// asked to keep it.
struct Board {
    FakeCalls calls;
    frmMain main{calls};
    HWND w = nullptr;

    explicit Board(bool keepTimer = false) {
        main.session().load(frmMain::nowMs());
        main.session().splashTimer(frmMain::nowMs());
        w = main.handle();
        if (!keepTimer) {
            KillTimer(w, frmMain::kStepTimerId);
        }
    }
    void beat() { SendMessageA(w, WM_TIMER, frmMain::kStepTimerId, 0); }
    std::string row(int r) const { return wintest::windowText(main.label(r)); }
    std::vector<std::string> rows() const { return wintest::boardText(w); }
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

// Waits for the next tick, seen as a change of the board.
bool waitForTick(const Board& board) {
    const auto before = board.rows();
    return wintest::until([&] { return board.rows() != before; }, 2000);
}

// The board at `dpi`: its geometry, one font for every row, and every glyph
// of the game taking the cell of the DPI whatever face the system picked, so
// that the 15 columns of all rows line up and a full row fits.
void checkBoardAt(const frmMain& main, UINT dpi) {
    CHECK_EQ(main.dpi(), dpi);
    wintest::checkBoardGeometry(main.handle(), dpi);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(main.label(0), WM_GETFONT, 0, 0));
    for (int r = 0; r < kRows; ++r) {
        CHECK(reinterpret_cast<HFONT>(SendMessageA(main.label(r), WM_GETFONT, 0, 0)) == font);
    }
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
    Board board;
    HWND w = board.w;
    const frmMain& main = board.main;
    CHECK(GetClassLongPtrA(w, GCLP_HICON) != 0);
    const std::vector<std::string> opening = {"V V V V", "", "", "", "", "", "", "       A"};
    CHECK(board.rows() == opening);
    checkBoardAt(main, USER_DEFAULT_SCREEN_DPI);

    // Green letters on black, nothing else: no pixel has red or blue, and the
    // letters reach full green.
    RECT client;
    GetClientRect(w, &client);
    const auto pixels = painted(w, client);
    CHECK(std::all_of(pixels.begin(), pixels.end(),
                      [](std::uint32_t p) { return (p & 0xFF00FFu) == 0; }));
    CHECK(std::count(pixels.begin(), pixels.end(), 0x00FF00u) > 50);

    // Each label takes the width of its text, trailing blanks included.
    for (const char* text : {"  V   ", "   V V O V    '", ""}) {
        board.main.showRow(4, text);
        CHECK_EQ(board.row(4), text);
        wintest::checkBoardGeometry(w, main.dpi());
    }
    CHECK(IsWindowVisible(main.label(4)));

    // The shot's glyph sits at the top of its cell, where the row above
    // overlaps: the row above must not paint over it.
    board.main.showRow(4, "'");
    const RECT shotRow = childRect(main.label(4));
    ShowWindow(main.label(3), SW_HIDE);
    const auto shotAlone = litPixels(w, shotRow);
    ShowWindow(main.label(3), SW_SHOW);
    CHECK(shotAlone > 0);
    CHECK_EQ(litPixels(w, shotRow), shotAlone);
    board.main.showRow(4, "");

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
    CHECK(board.rows() == opening);
    board.beat();
    CHECK_EQ(board.row(7), "       A       ");
    checkBoardAt(main, 192);
    CHECK_EQ(GetObjectType(fontAt96), 0u);

    // And back: everything exactly as it was at 96 dpi.
    changeDpi(w, USER_DEFAULT_SCREEN_DPI, frame.right - frame.left, frame.bottom - frame.top);
    checkBoardAt(main, USER_DEFAULT_SCREEN_DPI);
}

void testKeys() {
    Board board;
    HWND w = board.w;
    // Keys are sent straight to the window procedure, so no beat can run in
    // between and the latches are seen as the keys left them. (The golden
    // replays send the plain keys.)
    GameState& s = board.main.state();
    sendKey(w, VK_RIGHT, 0x40000001); // an auto-repeat
    CHECK_EQ(s.keyRight, 1);

    // X with Shift and Ctrl held, and with Alt, which turns the key into a
    // system key: both reach the game.
    GameState fresh;
    reset(fresh);
    std::array<BYTE, 256> keys{};
    GetKeyboardState(keys.data());
    auto held = keys;
    held[VK_SHIFT] = held[VK_CONTROL] = 0x80;
    SetKeyboardState(held.data());
    s.cannonCol = 2;
    sendKey(w, 'X');
    SetKeyboardState(keys.data());
    CHECK(s == fresh);
    s.cannonCol = 4;
    SendMessageA(w, WM_SYSKEYDOWN, 'X', 0x20000001);
    CHECK(s == fresh);
    CHECK(board.calls.boxes.empty());
}

void testRealKeyboard() {
    // Keys typed on the keyboard, not sent to the window procedure: they must
    // find the window itself, F1 and the arrows included.
    Board board;
    wintest::pump(100);
    SetForegroundWindow(board.w);

    keybd_event(VK_LEFT, 0, 0, 0);
    keybd_event(VK_LEFT, 0, KEYEVENTF_KEYUP, 0);
    CHECK(wintest::until([&] { return board.main.state().keyLeft == 1; }, 2000));

    keybd_event(VK_F1, 0, 0, 0);
    keybd_event(VK_F1, 0, KEYEVENTF_KEYUP, 0);
    CHECK(wintest::until([&] { return board.calls.boxes.size() == 1; }, 2000));
    wintest::pump(100);
    CHECK_EQ(board.calls.boxes.size(), 1u);
}

void testTimerAndBoxes() {
    Board board(true);

    // The opening picture stays until the first beat, which follows a beat
    // later.
    const ULONGLONG shown = GetTickCount64();
    CHECK(waitForTick(board));
    const ULONGLONG firstTick = GetTickCount64() - shown;
    CHECK(firstTick >= kTickMs - 50 && firstTick < 4 * kTickMs);

    // A box stops tmrStep itself, not only the beats it would bring (the
    // system makes WM_TIMER when it is looked for, and only while the timer
    // is set); the answer sets it again with a full interval.
    bool dueInBox = true;
    ULONGLONG closed = 0;
    board.calls.decide = [&](const FakeCalls::Box&) {
        Sleep(2 * kTickMs);
        MSG msg;
        dueInBox = PeekMessageA(&msg, board.w, WM_TIMER, WM_TIMER, PM_NOREMOVE) != 0 &&
                   msg.wParam == frmMain::kStepTimerId;
        closed = GetTickCount64();
        return IDOK;
    };
    sendKey(board.w, VK_F1);
    CHECK_EQ(board.calls.boxes.size(), 1u);
    CHECK(!dueInBox);
    CHECK(waitForTick(board));
    CHECK(GetTickCount64() - closed >= kTickMs - 50);
}

void testNewsAndDescriptions() {
    // The window gives a screen reader the session's descriptions of the rows
    // and its news, and announces each change once; the screen-reader test
    // reads them back through the accessibility objects.
    Board board;
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_DESCRIPTIONCHANGE, EVENT_OBJECT_DESCRIPTIONCHANGE, nullptr,
                        onDescriptionChange, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);

    // With UI Automation listening, a notification says the news and the
    // window's own description change goes unannounced, or a reader that
    // listens to both would say it twice.
    board.calls.notificationsHeard = true;
    sendKey(board.w, VK_RIGHT);
    board.beat();
    wintest::pump(100);
    CHECK_EQ(board.calls.notified.size(), 1u);
    CHECK(board.calls.notified.back() == std::make_pair(board.w, board.main.session().lastNews()));
    CHECK(!described(board.w));
    CHECK(described(board.main.label(7)));

    // Without it (before Windows 10, or a reader that only uses MSAA) the
    // change of the description is announced, as the screen-reader test hears
    // under Wine.
    UnhookWinEvent(hook);
}

void testSplashKeys() {
    // Any key skips the splash and only that: the key reaches no command,
    // even when the timer falls due at the same moment. Alt held with the key
    // makes it a system key; it still skips the splash.
    const std::pair<UINT, WPARAM> keys[] = {
        {WM_KEYDOWN, VK_SPACE}, {WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_ESCAPE}, {WM_KEYDOWN, 'X'},
        {WM_KEYDOWN, VK_F1},    {WM_KEYDOWN, 'Q'},     {WM_SYSKEYDOWN, VK_F4}};
    for (const auto& [message, key] : keys) {
        FakeCalls calls;
        frmMain main(calls);
        main.session().load(frmMain::nowMs());
        HWND w = main.splash().handle();
        PostMessageA(w, message, key, message == WM_SYSKEYDOWN ? 0x20000001 : 1);
        PostMessageA(w, WM_TIMER, frmSplash::kDoneTimerId, 0);
        wintest::pump(300);
        CHECK(!IsWindow(w));
        // One board window, though the key and the timer both ended the splash.
        CHECK(main.handle() != nullptr && IsWindowVisible(main.handle()));
        CHECK(FindWindowA(frmMain::kClassName, nullptr) == main.handle());
        CHECK(FindWindowExA(nullptr, main.handle(), frmMain::kClassName, nullptr) == nullptr);
        CHECK(calls.boxes.empty());
        const GameState s = main.state();
        CHECK_EQ(s.keyLeft + s.keyRight + s.keyFire, 0);
    }
}

void testSplashDpiChange() {
    FakeCalls calls;
    frmMain main(calls);
    main.session().load(frmMain::nowMs());
    const frmSplash& splash = main.splash();
    HWND w = splash.handle();
    KillTimer(w, frmSplash::kDoneTimerId);
    const auto picture = painted(w, childRect(splash.picture()));
    changeDpi(w, 192, px(kSplashWidth, 192), px(kSplashHeight, 192));
    wintest::checkSplashGeometry(w, splash.picture(), 192);

    // At twice the DPI every pixel of the picture as drawn at 96 dpi is a
    // 2 x 2 block of its own colour: nothing blurred, nothing shifted.
    const auto shown = painted(w, childRect(splash.picture()));
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
// tick is the step timer's event, each key a key-down, each box the fake's,
// which the window owns, with no icon and its first button the default.
void testGoldenReplays(const std::string& cases) {
    for (const char* name : GoldenReplay::kCases) {
        Board board;
        GoldenReplay replay;
        board.calls.decide = [&](const FakeCalls::Box& box) {
            CHECK(box.owner == board.w && (box.type & (MB_ICONMASK | MB_DEFMASK)) == 0);
            return replay.box(static_cast<int>(box.type & MB_TYPEMASK), box.caption, box.text);
        };
        std::ifstream in(cases + "\\" + name + ".in");
        std::ifstream expected(cases + "\\" + name + ".out");
        CHECK(in && expected);
        std::ostringstream golden;
        golden << expected.rdbuf();
        CHECK_EQ(replay.play(in, {[&] { board.beat(); },
                                  [&](int code) { sendKey(board.w, static_cast<WPARAM>(code)); },
                                  [&](int row) { return board.row(row); },
                                  [&] { return board.main.state(); },
                                  [&] { return board.calls.ends != 0; }}),
                 golden.str());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: %s PATH\\TO\\tests\\replay\\cases\n", argv[0]);
        return 2;
    }
    wintest::group("board: opening picture, labels, font, colours, rows shown exactly and "
                   "fitting their text, at 96 dpi, at 192 dpi and back",
                   testBoard);
    wintest::group("keys reach the game, with Shift, Ctrl or Alt held", testKeys);
    wintest::group("typed keys reach the window, F1 included", testRealKeyboard);
    wintest::group("step timer, stopped by a box and set again by the answer", testTimerAndBoxes);
    wintest::group("news and row descriptions reach a screen reader, each once",
                   testNewsAndDescriptions);
    wintest::group("any key skips the splash once and reaches no command", testSplashKeys);
    wintest::group("splash follows a change of DPI, its picture pixel for pixel",
                   testSplashDpiChange);
    wintest::group("the golden replays, frame by frame and box by box, to the end",
                   [&] { testGoldenReplays(argv[1]); });
    return wintest::summary();
}
