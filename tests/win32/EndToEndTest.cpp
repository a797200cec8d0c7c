// Drives the real Vantrel.exe from outside, as a UI automation tool and a
// screen reader would: it finds the windows by class and title, posts
// key-downs, reads the board from the labels and answers the message boxes.
// Each key's effect is awaited before the next key; every wait has a deadline.
//
// With a DPI as the second argument it writes that DPI to the Wine prefix
// before the game starts and checks every size as the size at 96 dpi scaled by
// dpi / 96, reading the screen unscaled as a per-monitor aware program; then
// it reads the file as Explorer and the loader do.
//
// With "reader" instead it says a screen reader runs, listens to one game
// from the start to its loss as a reader's MSAA layer does (the game's events
// hooked out of context, each event's object read) and, where UI Automation
// takes notification handlers, as a reader that speaks both does, and prints
// what it heard. Wine's notifications reach no reader (Wine 8 lacks the call,
// Wine 10 takes no handlers), so there the game takes its MSAA path;
// win32_windows_test checks the notification call.

#include "ComObject.h"
#include "KeyCommands.h"
#include "NewsQueue.h"
#include "RowDescription.h"
#include "Tick.h"
#include "WinTestSupport.h"
#include "frmMain.h"

#include <windows.h>

#include <oleacc.h>
#include <shellapi.h>
#include <uiautomationclient.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr DWORD kStartMs = 20000; // a cold Wine may take a while to start a program
constexpr DWORD kEffectMs = 3000;
constexpr int kBoxTextId = 0xFFFF; // the prompt's control in a message box
UINT g_dpi = USER_DEFAULT_SCREEN_DPI;

// A length in pixels at 96 dpi, at the DPI under test.
int px(int length) {
    return wintest::px(length, g_dpi);
}

void postKey(HWND hwnd, WPARAM key) {
    PostMessageA(hwnd, WM_KEYDOWN, key, 1);
}

using wintest::childRect;

LONG widthOf(const RECT& rc) {
    return rc.right - rc.left;
}

LONG heightOf(const RECT& rc) {
    return rc.bottom - rc.top;
}

// The bounding box of the lit (non-black) pixels on the screen inside
// `area`, relative to its top-left corner; empty if all is black.
RECT inkOnScreen(const RECT& area) {
    HDC screen = GetDC(nullptr);
    const auto pixels = wintest::capturePixels(screen, area);
    ReleaseDC(nullptr, screen);
    const LONG width = widthOf(area);
    RECT ink = {width, heightOf(area), 0, 0};
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] != 0) {
            const auto x = static_cast<LONG>(i) % width;
            const auto y = static_cast<LONG>(i) / width;
            ink.left = std::min(ink.left, x);
            ink.top = std::min(ink.top, y);
            ink.right = std::max(ink.right, x + 1);
            ink.bottom = std::max(ink.bottom, y + 1);
        }
    }
    return ink.right > ink.left ? ink : RECT{};
}

// The lit pixels of one board row as shown, relative to the row's label.
RECT rowInk(HWND label) {
    RECT rc;
    GetWindowRect(label, &rc);
    return inkOnScreen(rc);
}

void checkCentredOnScreen(HWND hwnd) {
    RECT frame;
    GetWindowRect(hwnd, &frame);
    CHECK(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)) <= 1);
    CHECK(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)) <= 1);
}

// Where the keyboard goes in the thread of `hwnd`: its active window and
// the focus.
GUITHREADINFO keyboardOf(HWND hwnd) {
    GUITHREADINFO keyboard{};
    keyboard.cbSize = sizeof keyboard;
    GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &keyboard);
    return keyboard;
}

// The splash at the DPI under test: a frameless window in the middle of the
// screen with no taskbar button, which holds the keyboard, its size, and the
// picture drawn over the whole of its scaled rectangle.
void checkSplashLooks(HWND splash) {
    RECT client;
    GetClientRect(splash, &client);
    MapWindowPoints(splash, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT frame;
    GetWindowRect(splash, &frame);
    CHECK(EqualRect(&frame, &client));
    checkCentredOnScreen(splash);
    CHECK((GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0);
    HWND picture = FindWindowExA(splash, nullptr, "Static", nullptr);
    REQUIRE(picture != nullptr);
    wintest::checkSplashGeometry(splash, picture, g_dpi);
    const RECT place = childRect(picture);
    // The title's letters span the picture from edge to edge; drawn unscaled
    // they would end near the middle of the strip at twice the DPI. Until the
    // splash has painted itself the whole strip may be lit.
    const auto inPicture = [&](const RECT& ink) {
        return widthOf(ink) > 0 && ink.left >= place.left && ink.top >= place.top &&
               ink.right <= place.right && ink.bottom <= place.bottom;
    };
    RECT ink{};
    CHECK(wintest::until([&] { return inPicture(ink = inkOnScreen(client)); }, kEffectMs));
    std::printf("  splash picture ink %ld,%ld to %ld,%ld\n", ink.left, ink.top, ink.right,
                ink.bottom);
    CHECK(widthOf(ink) * 10 >= widthOf(place) * 9);
    CHECK(heightOf(ink) * 10 >= heightOf(place) * 7);
    CHECK(keyboardOf(splash).hwndFocus == splash);
}

// The board window: found by its class and title, a captioned window with a
// close box only and a taskbar button (unowned, no tool window), in the
// middle of the screen, in front and with the keyboard itself (no control
// takes the focus, so it gets every key).
void checkMainLooks(HWND main) {
    CHECK(FindWindowA(frmMain::kClassName, frmMain::kCaption) == main);
    const auto style = static_cast<DWORD>(GetWindowLongA(main, GWL_STYLE));
    CHECK((style & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU));
    CHECK((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
    CHECK((GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0);
    CHECK(GetWindow(main, GW_OWNER) == nullptr);
    checkCentredOnScreen(main);
    CHECK(GetForegroundWindow() == main);
    CHECK(keyboardOf(main).hwndFocus == main);
}

void playAtDpi(const std::string& exe) {
    wintest::GameProcess game(exe);
    HWND splash = game.window(frmSplash::kClassName, kStartMs);
    REQUIRE(splash != nullptr);
    checkSplashLooks(splash);

    // A space at the splash skips it at once (what else it does not do is
    // checked in process).
    const ULONGLONG keyAt = GetTickCount64();
    postKey(splash, VK_SPACE);
    HWND main = game.window(frmMain::kClassName, kEffectMs);
    REQUIRE(main != nullptr);
    CHECK(GetTickCount64() - keyAt < 1500);
    CHECK(wintest::until([&] { return !IsWindow(splash); }, kEffectMs));
    checkMainLooks(main);

    // Once a tick has drawn the board every row holds 15 cells, and its label
    // has taken their width. A tick sets the rows one after another, and this
    // process may look in the middle of one.
    const auto labels = wintest::boardLabels(main);
    const auto cannonRow = [&] { return wintest::windowText(labels[7]); };
    const LONG fullRow = kColumns * px(kCellWidth) + px(kRowOverhang);
    CHECK(wintest::until(
        [&] {
            return cannonRow() == "       A       " &&
                   std::all_of(labels.begin(), labels.end(),
                               [&](HWND label) { return widthOf(childRect(label)) == fullRow; });
        },
        kEffectMs));
    wintest::checkBoardGeometry(main, g_dpi);

    // The cannon steps left. Its glyph moves by one cell, and its letter
    // fills a cell of the DPI's size: a font left at its 96 dpi size would
    // draw it half as tall at twice the DPI.
    const RECT cannonBefore = rowInk(labels[7]);
    postKey(main, VK_LEFT);
    CHECK(wintest::until([&] { return cannonRow() == "      A        "; }, kEffectMs));
    // A row caught between the erase of its background and its text shows
    // no ink at all, which is no new place of the cannon.
    RECT cannonAfter{};
    wintest::until(
        [&] {
            cannonAfter = rowInk(labels[7]);
            return widthOf(cannonAfter) > 0 && cannonAfter.left != cannonBefore.left;
        },
        kEffectMs);
    std::printf("  cannon glyph %ld x %ld, one column = %ld px\n", widthOf(cannonAfter),
                heightOf(cannonAfter), cannonBefore.left - cannonAfter.left);
    CHECK_EQ(cannonBefore.left - cannonAfter.left, px(kCellWidth));
    CHECK(heightOf(cannonAfter) >= px(kFontPixelSize / 2));
    CHECK(heightOf(cannonAfter) <= px(kFontPixelSize));
    CHECK(widthOf(cannonAfter) >= px(8));
    CHECK(widthOf(cannonAfter) <= px(kCellWidth));
}

// Without a key the splash hands over when its time is up, and a click is
// no key; the close box then ends the program without a question.
void waitAndClose(const std::string& exe) {
    wintest::GameProcess game(exe);
    HWND splash = game.window(frmSplash::kClassName, kStartMs);
    REQUIRE(splash != nullptr);
    const ULONGLONG shown = GetTickCount64();
    PostMessageA(splash, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 30));
    PostMessageA(splash, WM_LBUTTONUP, 0, MAKELPARAM(100, 30));
    HWND main = game.window(frmMain::kClassName, 3 * kSplashMs);
    const ULONGLONG waited = GetTickCount64() - shown;
    REQUIRE(main != nullptr);
    std::printf("  the splash handed over after %llu ms\n", waited);
    CHECK(waited >= kSplashMs - 300 && waited < 2 * kSplashMs);
    CHECK(wintest::until([&] { return !IsWindow(splash); }, kEffectMs));
    CHECK(GetForegroundWindow() == main);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK_EQ(game.exitCode(5000), 0);
}

struct WinEvent {
    DWORD event;
    HWND hwnd;
    LONG object;
    LONG child;
    ULONGLONG at;
};
std::vector<WinEvent> g_arrived;

// The events a reader listens to, and how the listing shows each.
const std::map<DWORD, std::string> kListenedTo = {
    {EVENT_SYSTEM_ALERT, "[alert] "},     {EVENT_SYSTEM_FOREGROUND, "[window] "},
    {EVENT_OBJECT_FOCUS, "[focus] "},     {EVENT_OBJECT_NAMECHANGE, "[name] "},
    {EVENT_OBJECT_DESCRIPTIONCHANGE, ""}, {EVENT_OBJECT_LIVEREGIONCHANGED, "[live region] "}};

void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD,
                         DWORD) {
    if (kListenedTo.count(event) != 0) {
        g_arrived.push_back({event, hwnd, object, child, GetTickCount64()});
    }
}

std::string narrow(BSTR text) {
    std::string result(text, text + SysStringLen(text)); // the game's texts are ASCII
    SysFreeString(text);
    return result;
}

// UI Automation notifications, received on UI Automation's own threads and
// taken in turn by the listener. (Debian 12's MinGW runtime has no std::mutex.)
struct Heard {
    ULONGLONG at;
    std::string what;
};
SRWLOCK g_notifiedLock = SRWLOCK_INIT;
std::vector<Heard> g_notified;

#ifdef __IUIAutomation5_INTERFACE_DEFINED__
class NotificationHandler final : public ComObject<IUIAutomationNotificationEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE HandleNotificationEvent(IUIAutomationElement*, NotificationKind,
                                                      NotificationProcessing, BSTR said,
                                                      BSTR) override {
        const std::string what = narrow(SysAllocString(said)); // narrow frees its copy
        AcquireSRWLockExclusive(&g_notifiedLock);
        g_notified.push_back({GetTickCount64(), what});
        ReleaseSRWLockExclusive(&g_notifiedLock);
        return S_OK;
    }
};
#endif

// Adds a handler for every notification on the desktop where the system has
// them, as a reader does at its start, and says how that went. The handler
// stays for the rest of the test, as a reader's does.
std::string listenToNotifications() {
    if (GetProcAddress(LoadLibraryA("uiautomationcore.dll"), "UiaRaiseNotificationEvent") ==
        nullptr) {
        return "none in this system";
    }
#ifdef __IUIAutomation5_INTERFACE_DEFINED__
    IUIAutomation5* withNotifications = nullptr;
    IUIAutomationElement* root = nullptr;
    HRESULT result =
        CoCreateInstance(__uuidof(CUIAutomation8), nullptr, CLSCTX_INPROC_SERVER,
                         __uuidof(IUIAutomation5), reinterpret_cast<void**>(&withNotifications));
    if (SUCCEEDED(result)) {
        result = withNotifications->GetRootElement(&root);
    }
    if (SUCCEEDED(result)) {
        auto* handler = new NotificationHandler;
        result = withNotifications->AddNotificationEventHandler(root, TreeScope_Subtree, nullptr,
                                                                handler);
        handler->Release();
        root->Release();
    }
    char status[64];
    std::snprintf(status, sizeof status, "no handler taken (0x%08lx)",
                  static_cast<unsigned long>(result));
    return SUCCEEDED(result) ? "listening" : status;
#else
    return "this build cannot listen (no IUIAutomation5 in its headers)";
#endif
}

struct Read {
    std::string name = "(gone)";
    std::string description;
};

// An object's name and description, as a reader reads them.
Read readObject(IAccessible* object, VARIANT child) {
    BSTR name = nullptr;
    BSTR description = nullptr;
    object->get_accName(child, &name);
    object->get_accDescription(child, &description);
    object->Release();
    return {narrow(name), narrow(description)};
}

Read readWindow(HWND hwnd) {
    IAccessible* object = nullptr;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return SUCCEEDED(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&object)))
               ? readObject(object, self)
               : Read{};
}

// What the listener heard, in order, with the time it arrived.
struct Listener {
    std::vector<Heard> heard;
    std::vector<Heard> news;
    int rowNameChanges = 0;
    int rowDescriptionChanges = 0;

    // Reads the object of each event that arrived, and takes the
    // notifications. A reader's calls pump messages, so more may arrive
    // meanwhile; they wait for the next turn.
    void hear() {
        std::vector<WinEvent> events;
        events.swap(g_arrived);
        for (const WinEvent& e : events) {
            const bool board = wintest::className(e.hwnd) == frmMain::kClassName;
            if (wintest::className(GetParent(e.hwnd)) == frmMain::kClassName) {
                (e.event == EVENT_OBJECT_NAMECHANGE ? rowNameChanges : rowDescriptionChanges)++;
                continue;
            }
            IAccessible* object = nullptr;
            VARIANT child{};
            Read read;
            if (SUCCEEDED(AccessibleObjectFromEvent(e.hwnd, e.object, e.child, &object, &child))) {
                read = readObject(object, child);
            }
            if (e.event != EVENT_OBJECT_DESCRIPTIONCHANGE) {
                heard.push_back({e.at, kListenedTo.at(e.event) + read.name});
            } else if (board) {
                news.push_back({e.at, read.description});
                heard.push_back(news.back());
            }
        }
        std::vector<Heard> notified;
        AcquireSRWLockExclusive(&g_notifiedLock);
        notified.swap(g_notified);
        ReleaseSRWLockExclusive(&g_notifiedLock);
        for (const Heard& n : notified) {
            news.push_back({n.at, n.what});
            heard.push_back({n.at, "[notification] " + n.what});
        }
        // The two ways' news in the order it came.
        std::stable_sort(news.begin(), news.end(),
                         [](const Heard& a, const Heard& b) { return a.at < b.at; });
    }

    bool heardNews(const std::string& part, ULONGLONG since) const {
        return std::any_of(news.begin(), news.end(), [&](const Heard& h) {
            return h.at >= since && h.what.find(part) != std::string::npos;
        });
    }
};

// Every row, read while a box holds the board still.
void checkRows(HWND main) {
    const auto labels = wintest::boardLabels(main);
    for (std::size_t row = 0; row < labels.size(); ++row) {
        const std::string text = wintest::windowText(labels[row]);
        const Read read = readWindow(labels[row]);
        CHECK_EQ(read.name, text);
        CHECK_EQ(read.description, describeRow(static_cast<int>(row), text));
        std::printf("  row %zu \"%s\": %s\n", row + 1, text.c_str(), read.description.c_str());
    }
}

// A box of the game, owned by the board window, with its title and prompt
// and the buttons for `button` (Yes and No for a question, else OK alone): it
// holds the keyboard, its prompt is there once in all a reader can read of
// it, and nothing comes from the game while it is open. Runs `whileOpen`,
// then answers it with `button` and waits for it to go.
void checkBox(
    Listener& listener, HWND main, HWND box, std::string_view title, std::string_view prompt,
    int button, const std::function<void()>& whileOpen = [] {}) {
    REQUIRE(box != nullptr);
    const ULONGLONG shown = GetTickCount64();
    wintest::pump(300); // what the beat said just before the box arrives first
    listener.hear();
    const std::size_t heardBefore = listener.heard.size();
    CHECK(GetWindow(box, GW_OWNER) == main);
    CHECK_EQ(wintest::windowText(box), std::string(title));
    CHECK_EQ(wintest::windowText(GetDlgItem(box, kBoxTextId)), std::string(prompt));
    const bool question = button != IDOK;
    CHECK((GetDlgItem(box, IDOK) == nullptr) == question);
    CHECK((GetDlgItem(box, IDYES) != nullptr) == question);
    const GUITHREADINFO keyboard = keyboardOf(box);
    CHECK(keyboard.hwndActive == box && GetParent(keyboard.hwndFocus) == box);
    const Read dialog = readWindow(box);
    CHECK_EQ(dialog.name, wintest::windowText(box));
    std::string readable = dialog.name + "\n" + dialog.description + "\n";
    EnumChildWindows(
        box,
        [](HWND child, LPARAM all) -> BOOL {
            const Read read = readWindow(child);
            *reinterpret_cast<std::string*>(all) += read.name + "\n" + read.description + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&readable));
    const auto first = readable.find(prompt);
    CHECK(first != std::string::npos && readable.find(prompt, first + 1) == std::string::npos);
    whileOpen();
    wintest::pump(300);
    listener.hear();
    CHECK_EQ(listener.heard.size(), heardBefore);
    listener.heard.push_back({shown, "[box] " + dialog.name + " " + std::string(prompt)});
    SendMessageTimeoutA(GetDlgItem(box, button), BM_CLICK, 0, 0, SMTO_NORMAL, 2000, nullptr);
    CHECK(wintest::until([&] { return !IsWindow(box); }, kEffectMs));
}

void playToLoss(const std::string& exe) {
    wintest::GameProcess game(exe);
    Listener listener;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
                                         onWinEvent, game.id(), 0, WINEVENT_OUTOFCONTEXT);
    const auto hear = [&] { listener.hear(); };
    const auto until = [&](const std::function<bool()>& done, DWORD timeoutMs) {
        return wintest::until(
            [&] {
                hear();
                return done();
            },
            timeoutMs);
    };
    PostMessageA(game.window(frmSplash::kClassName, kStartMs, hear), WM_KEYDOWN, VK_SPACE, 1);
    HWND main = game.window(frmMain::kClassName, kEffectMs, hear);
    REQUIRE(main != nullptr);

    // The cannon one column right, then a shot every half second until one
    // has hit and one has missed (or two have hit, so that the wave is never
    // shot down), and the wave marches down to the loss.
    const ULONGLONG started = GetTickCount64();
    postKey(main, VK_RIGHT);
    CHECK(until([&] { return listener.heardNews("cannon column 9", started); }, kEffectMs));
    HWND loss = nullptr;
    ULONGLONG shot = 0;
    until(
        [&] {
            const auto hits =
                std::count_if(listener.news.begin(), listener.news.end(),
                              [](const auto& h) { return h.what.find("hit, ") == 0; });
            const bool enough =
                hits >= 2 || (hits > 0 && listener.heardNews("shot missed", started));
            if (GetTickCount64() - shot >= 500 && !enough) {
                postKey(main, VK_SPACE);
                shot = GetTickCount64();
            }
            return (loss = game.window("#32770", 0)) != nullptr;
        },
        90000);
    REQUIRE(loss != nullptr);
    const ULONGLONG lost = GetTickCount64();
    std::printf("the rows as read while the loss box is open:\n");
    checkBox(listener, main, loss, kLossTitle, kLossPrompt, IDOK, [&] { checkRows(main); });
    CHECK(until([&] { return listener.heardNews("new game", lost); }, kEffectMs));

    std::printf("heard, one game from the start to its loss:\n");
    for (const auto& h : listener.heard) {
        std::printf("  %6.2f s  %s\n", (static_cast<double>(h.at) - started) / 1000.0,
                    h.what.c_str());
    }
    std::printf("row name changes %d, row description changes %d\n", listener.rowNameChanges,
                listener.rowDescriptionChanges);
    CHECK(listener.heardNews("wave on row 2", started) && listener.heardNews("hit, ", started) &&
          listener.heardNews("wave on row 8", started));
    for (std::size_t i = 1; i < listener.news.size(); ++i) {
        // The session leaves a gap between announcements; events arrive
        // with some jitter. An item said both ways comes twice within it.
        CHECK(listener.news[i].at - listener.news[i - 1].at >= NewsQueue::kMinGapMs - 100);
    }
    CHECK(listener.rowDescriptionChanges > 0);

    // The help box, then the quit question: No goes on, the board moving and
    // the program running; Yes ends the program with exit code 0.
    postKey(main, VK_F1);
    checkBox(listener, main, game.window("#32770", kEffectMs, hear), kHelpTitle, kHelpPrompt, IDOK);
    postKey(main, VK_ESCAPE);
    checkBox(listener, main, game.window("#32770", kEffectMs, hear), kQuitTitle, kQuitPrompt, IDNO);
    const auto before = wintest::boardText(main);
    CHECK(until([&] { return wintest::boardText(main) != before; }, kEffectMs));
    CHECK_EQ(game.exitCode(0), -1);
    postKey(main, VK_ESCAPE);
    checkBox(listener, main, game.window("#32770", kEffectMs, hear), kQuitTitle, kQuitPrompt,
             IDYES);
    CHECK_EQ(game.exitCode(5000), 0);
    UnhookWinEvent(hook);
}

void checkVersionRecord(const std::string& exe) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    REQUIRE(size > 0);
    std::vector<char> record(size);
    CHECK(GetFileVersionInfoA(exe.c_str(), 0, size, record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    CHECK(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    if (fixed != nullptr) {
        CHECK_EQ(fixed->dwFileVersionMS, 0x00010000u);
        CHECK_EQ(fixed->dwFileVersionLS, 0u);
        CHECK_EQ(fixed->dwProductVersionMS, 0x00010000u);
        CHECK_EQ(fixed->dwProductVersionLS, 0u);
    }

    WORD* translation = nullptr;
    CHECK(VerQueryValueA(record.data(), "\\VarFileInfo\\Translation",
                         reinterpret_cast<void**>(&translation), &length));
    CHECK_EQ(length, 4u);
    if (translation != nullptr && length >= 4) {
        CHECK_EQ(translation[0], 0x0409);
        CHECK_EQ(translation[1], 1200);
    }

    const char* const strings[][2] = {
        {"FileDescription", "Vantrel."}, {"ProductName", "Vantrel"},
        {"FileVersion", "1.00"},         {"ProductVersion", "1.00"},
        {"InternalName", "Vantrel"},     {"OriginalFilename", "Vantrel.exe"}};
    for (const auto& string : strings) {
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + string[0];
        char* value = nullptr;
        CHECK(
            VerQueryValueA(record.data(), path.c_str(), reinterpret_cast<void**>(&value), &length));
        CHECK_EQ(std::string(value != nullptr ? value : "(missing)"), string[1]);
    }
}

// Explorer shows the first icon group of the file; the file has one. (The
// icon's pictures are the asset tests' concern.)
void checkIcon(const std::string& exe) {
    CHECK_EQ(static_cast<int>(reinterpret_cast<INT_PTR>(
                 ExtractIconA(nullptr, exe.c_str(), static_cast<UINT>(-1)))),
             1);
    HICON shown = ExtractIconA(nullptr, exe.c_str(), 0);
    CHECK(shown != nullptr && reinterpret_cast<INT_PTR>(shown) != 1);
    DestroyIcon(shown);
}

// The application manifest, read back as the loader reads it: an activation
// context made from the manifest resource, asked for each of its settings.
// Making the context also resolves the common-controls dependency.
void checkManifest(const std::string& exe) {
    ACTCTXA request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exe.c_str();
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    REQUIRE(context != INVALID_HANDLE_VALUE);

    const auto setting = [&](const wchar_t* space, const wchar_t* name) {
        wchar_t value[128] = {};
        SIZE_T written = 0;
        if (!QueryActCtxSettingsW(0, context, space, name, value, 128, &written)) {
            return std::wstring(L"(missing)");
        }
        return std::wstring(value);
    };
    CHECK(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness") ==
          L"PerMonitorV2, PerMonitor");
    CHECK(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware") ==
          L"true/pm");

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel{};
    CHECK(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &runLevel,
                       sizeof runLevel, nullptr));
    CHECK_EQ(static_cast<int>(runLevel.RunLevel), static_cast<int>(ACTCTX_RUN_LEVEL_AS_INVOKER));

    // The layout of an element differs between versions of Windows, so each
    // system's id is looked for anywhere in the answer.
    BYTE compatibility[512] = {};
    CHECK(QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext,
                       compatibility, sizeof compatibility, nullptr));
    CHECK_EQ(reinterpret_cast<const ACTIVATION_CONTEXT_COMPATIBILITY_INFORMATION*>(compatibility)
                 ->ElementCount,
             4u);
    const GUID systems[] = {
        {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}}, // 7
        {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}}, // 8
        {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}}, // 8.1
        {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}}, // 10, 11
    };
    for (const GUID& id : systems) {
        const BYTE* begin = compatibility;
        const BYTE* end = begin + sizeof compatibility;
        const BYTE* at = std::search(begin, end, reinterpret_cast<const BYTE*>(&id),
                                     reinterpret_cast<const BYTE*>(&id) + sizeof id);
        CHECK(at != end);
    }

    // Version 6 of the common controls: within the context, comctl32.dll is
    // redirected to the side-by-side assembly.
    ULONG_PTR cookie = 0;
    CHECK(ActivateActCtx(context, &cookie));
    ACTCTX_SECTION_KEYED_DATA found{};
    found.cbSize = sizeof found;
    CHECK(FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                   "comctl32.dll", &found));
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);
}

} // namespace

int main(int argc, char** argv) {
    const bool reader = argc == 3 && std::string(argv[2]) == "reader";
    g_dpi = argc == 3 && !reader ? static_cast<UINT>(std::atoi(argv[2])) : 0;
    if (argc != 3 || (!reader && (g_dpi < 96 || g_dpi > 480))) {
        std::printf("usage: %s PATH\\TO\\Vantrel.exe DPI|reader (DPI 96 to 480)\n", argv[0]);
        return 2;
    }
    const std::string exe = argv[1];
    if (reader) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // A screen reader says it runs; the game then looks for UI Automation.
        SystemParametersInfoA(SPI_SETSCREENREADER, TRUE, nullptr, SPIF_SENDCHANGE);
        std::printf("UI Automation notifications: %s\n", listenToNotifications().c_str());
        wintest::group("a screen reader hears one game to its loss; help, quit, No, then Yes",
                       [&] { playToLoss(exe); });
        SystemParametersInfoA(SPI_SETSCREENREADER, FALSE, nullptr, SPIF_SENDCHANGE);
        CoUninitialize();
        return wintest::summary();
    }
    // The screen is read in device pixels, whatever the DPI: an unaware
    // reader would be handed sizes scaled back to 96 dpi.
    if (!SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) &&
        !SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) {
        SetProcessDPIAware();
    }
    // The DPI the prefix gives the programs started after it is set; the test
    // programs after this one get back the one it had.
    const char* const desktop = "Control Panel\\Desktop";
    DWORD before = 0;
    DWORD size = sizeof before;
    const bool hadDpi = RegGetValueA(HKEY_CURRENT_USER, desktop, "LogPixels", RRF_RT_REG_DWORD,
                                     nullptr, &before, &size) == ERROR_SUCCESS;
    CHECK(RegSetKeyValueA(HKEY_CURRENT_USER, desktop, "LogPixels", REG_DWORD, &g_dpi,
                          sizeof g_dpi) == ERROR_SUCCESS);
    std::printf("at %u dpi\n", g_dpi);
    wintest::group("splash skipped by a key; both windows' looks and sizes, the cannon's step",
                   [&] { playAtDpi(exe); });
    wintest::group("splash times out, a click aside; the close box ends the program",
                   [&] { waitAndClose(exe); });
    wintest::group("version record in US English", [&] { checkVersionRecord(exe); });
    wintest::group("one icon for Explorer", [&] { checkIcon(exe); });
    wintest::group("application manifest", [&] { checkManifest(exe); });
    if (hadDpi) {
        RegSetKeyValueA(HKEY_CURRENT_USER, desktop, "LogPixels", REG_DWORD, &before, size);
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, desktop, "LogPixels");
    }
    return wintest::summary();
}
