// Listens to the real Vantrel.exe from another process as a screen reader
// does, and plays one game from the start to its loss: it says a screen
// reader runs, hooks the game's events out of context (name, description and
// live-region changes, alerts, focus, the foreground window) and reads each
// event's object through AccessibleObjectFromEvent, as a reader's MSAA layer
// does; and where UI Automation takes notification handlers it listens to
// those too, as a reader that speaks both does. It checks the news at the
// speaking pace, each item heard once through one of the two, every row named
// by its exact text and described with its columns, and each box holding the
// keyboard with its prompt there once and nothing from the game while it is
// open; and it prints what it heard. Wine's notifications reach no reader
// (Wine 8 lacks the call, Wine 10 takes no handlers), so there the game
// takes its MSAA path; win32_windows_test checks the notification call.

#include "ComObject.h"
#include "KeyCommands.h"
#include "RowDescription.h"
#include "Tick.h"
#include "WinTestSupport.h"
#include "frmMain.h"

#include <windows.h>

#include <oleacc.h>
#include <uiautomationclient.h>

#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kEffectMs = 3000;

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
    std::string result(static_cast<std::size_t>(SysStringLen(text)), '\0');
    for (std::size_t i = 0; i < result.size(); ++i) {
        result[i] = static_cast<char>(text[i]); // the game's texts are ASCII
    }
    SysFreeString(text);
    return result;
}

// UI Automation notifications, received on UI Automation's own threads and
// taken in turn by the listener. (Debian 12's MinGW runtime has no std::mutex.)
struct Notified {
    ULONGLONG at;
    std::string what;
};
SRWLOCK g_notifiedLock = SRWLOCK_INIT;
std::vector<Notified> g_notified;

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
    IUIAutomation* automation = nullptr;
    IUIAutomation5* withNotifications = nullptr;
    IUIAutomationElement* root = nullptr;
    HRESULT result =
        CoCreateInstance(__uuidof(CUIAutomation8), nullptr, CLSCTX_INPROC_SERVER,
                         __uuidof(IUIAutomation), reinterpret_cast<void**>(&automation));
    if (SUCCEEDED(result)) {
        result = automation->QueryInterface(__uuidof(IUIAutomation5),
                                            reinterpret_cast<void**>(&withNotifications));
    }
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
    struct Heard {
        ULONGLONG at;
        std::string what;
    };
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
            const bool board = wintest::className(e.hwnd) == "frmMain";
            if (wintest::className(GetParent(e.hwnd)) == "frmMain") {
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
        std::vector<Notified> notified;
        AcquireSRWLockExclusive(&g_notifiedLock);
        notified.swap(g_notified);
        ReleaseSRWLockExclusive(&g_notifiedLock);
        for (const Notified& n : notified) {
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
    CHECK_EQ(labels.size(), 8u);
    for (std::size_t row = 0; row < labels.size(); ++row) {
        const std::string text = wintest::windowText(labels[row]);
        const Read read = readWindow(labels[row]);
        CHECK_EQ(read.name, text);
        CHECK_EQ(read.description, describeRow(static_cast<int>(row), text));
        std::printf("  row %zu \"%s\": %s\n", row + 1, text.c_str(), read.description.c_str());
    }
}

// A box of the game: it holds the keyboard, its prompt is there once in all
// a reader can read of it, and nothing comes from the game while it is open.
// Runs `whileOpen`, then answers it with `button`.
void checkBox(
    Listener& listener, HWND box, const std::string& prompt, int button,
    const std::function<void()>& whileOpen = [] {}) {
    const ULONGLONG shown = GetTickCount64();
    wintest::pump(300); // what the beat said just before the box arrives first
    listener.hear();
    const std::size_t heardBefore = listener.heard.size();
    GUITHREADINFO keyboard{};
    keyboard.cbSize = sizeof keyboard;
    GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &keyboard);
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
    listener.heard.push_back({shown, "[box] " + dialog.name + " " + prompt});
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
    PostMessageA(game.window(frmSplash::kClassName, 20000, hear), WM_KEYDOWN, VK_SPACE, 1);
    HWND main = game.window(frmMain::kClassName, kEffectMs, hear);
    const auto press = [&](WPARAM key) { PostMessageA(main, WM_KEYDOWN, key, 1); };
    REQUIRE(main != nullptr);

    // The cannon one column right, then a shot every half second until one
    // has hit and one has missed (or two have hit, so that the wave is never
    // shot down), and the wave marches down to the loss.
    const ULONGLONG started = GetTickCount64();
    press(VK_RIGHT);
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
                press(VK_SPACE);
                shot = GetTickCount64();
            }
            return (loss = wintest::findWindowOf(game.id(), "#32770")) != nullptr;
        },
        90000);
    REQUIRE(loss != nullptr);
    const ULONGLONG lost = GetTickCount64();
    std::printf("the rows as read while the loss box is open:\n");
    checkBox(listener, loss, std::string(kLossPrompt), IDOK, [&] { checkRows(main); });
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
        // The session leaves 700 ms between announcements; events arrive
        // with some jitter. An item said both ways comes twice within it.
        CHECK(listener.news[i].at - listener.news[i - 1].at >= 600);
    }
    CHECK(listener.rowDescriptionChanges > 0);

    // The help box and the quit question; Yes ends the game.
    press(VK_F1);
    checkBox(listener, game.window("#32770", kEffectMs, hear), std::string(kHelpPrompt), IDOK);
    press(VK_ESCAPE);
    checkBox(listener, game.window("#32770", kEffectMs, hear), std::string(kQuitPrompt), IDYES);
    CHECK_EQ(game.exitCode(5000), 0);
    UnhookWinEvent(hook);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: %s PATH\\TO\\Vantrel.exe\n", argv[0]);
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // A screen reader says it runs; the game then looks for UI Automation.
    SystemParametersInfoA(SPI_SETSCREENREADER, TRUE, nullptr, SPIF_SENDCHANGE);
    std::printf("UI Automation notifications: %s\n", listenToNotifications().c_str());
    wintest::group("a screen reader hears one game to its loss", [&] { playToLoss(argv[1]); });
    SystemParametersInfoA(SPI_SETSCREENREADER, FALSE, nullptr, SPIF_SENDCHANGE);
    CoUninitialize();
    return wintest::summary();
}
