// Drives the real Vantrel.exe from outside, as a UI automation tool would:
// it finds the windows by class and title, posts key-downs with virtual key
// codes, reads the board from the labels and answers the message boxes. Each
// key's effect is awaited before the next key; every wait has a deadline.
// Then it reads the file as Explorer does: version record, icon, picture.

#include "WinTestSupport.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr DWORD kStartMs = 20000; // a cold Wine may take a while to start a program
constexpr DWORD kEffectMs = 3000;
constexpr int kBoxTextId = 0xFFFF; // the prompt's control in a message box
const std::string kHelpText = "Use the left and right arrow keys to steer, and the space bar to "
                              "shoot. Press Escape to quit and X to restart.";

// The game process, ended by force if a check left it running.
class GameProcess {
public:
    explicit GameProcess(const std::string& exe) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string commandLine = "\"" + exe + "\"";
        m_started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &si, &m_pi) != 0;
    }
    ~GameProcess() {
        if (!m_started) {
            return;
        }
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_pi.hProcess, 99);
            WaitForSingleObject(m_pi.hProcess, 5000);
        }
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool started() const { return m_started; }
    DWORD id() const { return m_pi.dwProcessId; }

    // Waits for the process to end and returns its exit code, or -1 if it
    // is still running after `timeoutMs`.
    long long exitCode(DWORD timeoutMs) const {
        if (WaitForSingleObject(m_pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(m_pi.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_pi{};
    bool m_started = false;
};

std::string className(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// A visible top-level window of the process with the given class, or null.
HWND findWindowOf(DWORD pid, const std::string& cls) {
    struct Search {
        DWORD pid;
        const std::string* cls;
        HWND found;
    } search{pid, &cls, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && IsWindowVisible(hwnd) && className(hwnd) == *s->cls) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(DWORD pid, const std::string& cls, DWORD timeoutMs) {
    HWND found = nullptr;
    wintest::waitUntil([&] { return (found = findWindowOf(pid, cls)) != nullptr; }, timeoutMs);
    return found;
}

// The board's labels, top row first.
std::vector<HWND> boardLabels(HWND main) {
    std::vector<HWND> labels;
    EnumChildWindows(
        main,
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (lstrcmpiA(className(hwnd).c_str(), "Static") == 0) {
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&labels));
    std::sort(labels.begin(), labels.end(), [](HWND a, HWND b) {
        RECT ra;
        RECT rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    return labels;
}

std::vector<std::string> readBoard(const std::vector<HWND>& labels) {
    std::vector<std::string> rows;
    for (HWND label : labels) {
        rows.push_back(wintest::windowText(label));
    }
    return rows;
}

bool boardHas(const std::vector<HWND>& labels, int row, const std::string& text) {
    return readBoard(labels).at(static_cast<std::size_t>(row)) == text;
}

bool waitForBoardChange(const std::vector<HWND>& labels) {
    const auto before = readBoard(labels);
    return wintest::waitUntil([&] { return readBoard(labels) != before; }, kEffectMs);
}

bool shotInColumn(const std::vector<HWND>& labels, std::size_t column) {
    for (const auto& row : readBoard(labels)) {
        if (row.size() > column && row[column] == '\'') {
            return true;
        }
    }
    return false;
}

void postKey(HWND hwnd, WPARAM key) {
    PostMessageA(hwnd, WM_KEYDOWN, key, 1);
}

void pressButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    CHECK(button != nullptr);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 2000, &ignored);
}

// While a box is open the game stands still: the board keeps its picture.
void checkBoardHeldWhileOpen(const std::vector<HWND>& labels) {
    const auto before = readBoard(labels);
    Sleep(700); // nearly three ticks, were the timer running
    CHECK(readBoard(labels) == before);
}

void playAndQuit(const std::string& exe) {
    GameProcess game(exe);
    CHECK(game.started());
    if (!game.started()) {
        return;
    }
    HWND splash = waitForWindow(game.id(), "frmSplash", kStartMs);
    CHECK(splash != nullptr);
    if (splash == nullptr) {
        return;
    }
    RECT frame;
    GetWindowRect(splash, &frame);
    CHECK_EQ(frame.right - frame.left, 656);
    CHECK_EQ(frame.bottom - frame.top, 81);

    // A space at the splash skips it at once and fires nothing.
    const ULONGLONG keyAt = GetTickCount64();
    postKey(splash, VK_SPACE);
    HWND main = waitForWindow(game.id(), "frmMain", kEffectMs);
    CHECK(main != nullptr);
    if (main == nullptr) {
        return;
    }
    CHECK(GetTickCount64() - keyAt < 1500);
    CHECK(wintest::waitUntil([&] { return !IsWindow(splash); }, kEffectMs));
    CHECK_EQ(wintest::windowText(main), "Vantrel");
    CHECK(FindWindowA("frmMain", "Vantrel") == main);

    const auto labels = boardLabels(main);
    CHECK_EQ(labels.size(), 8u);
    if (labels.size() != 8) {
        return;
    }
    CHECK(waitForBoardChange(labels));
    CHECK(waitForBoardChange(labels));
    CHECK(!shotInColumn(labels, 7));
    CHECK(boardHas(labels, 7, "       A       "));

    // The cannon steps left, then fires from its new column.
    postKey(main, VK_LEFT);
    CHECK(wintest::waitUntil([&] { return boardHas(labels, 7, "      A        "); }, kEffectMs));
    postKey(main, VK_SPACE);
    CHECK(wintest::waitUntil([&] { return shotInColumn(labels, 6); }, kEffectMs));

    // F1: the help box over the game, which waits for it.
    postKey(main, VK_F1);
    HWND box = waitForWindow(game.id(), "#32770", kEffectMs);
    CHECK(box != nullptr);
    if (box == nullptr) {
        return;
    }
    CHECK_EQ(wintest::windowText(box), "Help File");
    CHECK_EQ(wintest::windowText(GetDlgItem(box, kBoxTextId)), kHelpText);
    CHECK(GetWindow(box, GW_OWNER) == main);
    CHECK(GetDlgItem(box, IDYES) == nullptr);
    checkBoardHeldWhileOpen(labels);
    pressButton(box, IDOK);
    CHECK(wintest::waitUntil([&] { return !IsWindow(box); }, kEffectMs));
    CHECK(waitForBoardChange(labels));

    // X restarts: the cannon is back in column 7 and the wave at the top left.
    postKey(main, 'X');
    CHECK(wintest::waitUntil(
        [&] {
            return boardHas(labels, 0, " V V V V       ") && boardHas(labels, 7, "       A       ");
        },
        kEffectMs));

    // Escape, No: the game goes on.
    postKey(main, VK_ESCAPE);
    box = waitForWindow(game.id(), "#32770", kEffectMs);
    CHECK(box != nullptr);
    if (box == nullptr) {
        return;
    }
    CHECK_EQ(wintest::windowText(GetDlgItem(box, kBoxTextId)), "Are you sure you want to quit?");
    CHECK(GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr);
    CHECK(GetDlgItem(box, IDOK) == nullptr);
    pressButton(box, IDNO);
    CHECK(wintest::waitUntil([&] { return !IsWindow(box); }, kEffectMs));
    CHECK(waitForBoardChange(labels));
    CHECK_EQ(game.exitCode(0), -1);

    // Escape, Yes: the program ends at once, with exit code 0.
    postKey(main, VK_ESCAPE);
    box = waitForWindow(game.id(), "#32770", kEffectMs);
    CHECK(box != nullptr);
    if (box == nullptr) {
        return;
    }
    pressButton(box, IDYES);
    CHECK_EQ(game.exitCode(5000), 0);
}

void waitAndClose(const std::string& exe) {
    GameProcess game(exe);
    CHECK(game.started());
    if (!game.started()) {
        return;
    }
    HWND splash = waitForWindow(game.id(), "frmSplash", kStartMs);
    CHECK(splash != nullptr);
    if (splash == nullptr) {
        return;
    }
    // Without a key the splash hands over after two seconds.
    const ULONGLONG shown = GetTickCount64();
    HWND main = waitForWindow(game.id(), "frmMain", 6000);
    const ULONGLONG waited = GetTickCount64() - shown;
    CHECK(main != nullptr);
    if (main == nullptr) {
        return;
    }
    CHECK(waited >= 1700);
    CHECK(wintest::waitUntil([&] { return !IsWindow(splash); }, kEffectMs));
    // The close box ends the program without a question.
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK_EQ(game.exitCode(5000), 0);
}

std::string versionString(const std::vector<char>& record, const std::string& name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueA(record.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr) {
        return "(missing)";
    }
    return std::string(value);
}

void checkVersionRecord(const std::string& exe) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    CHECK(size > 0);
    if (size == 0) {
        return;
    }
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

    CHECK_EQ(versionString(record, "FileDescription"), "Vantrel.");
    CHECK_EQ(versionString(record, "ProductName"), "Vantrel");
    CHECK_EQ(versionString(record, "FileVersion"), "1.00");
    CHECK_EQ(versionString(record, "ProductVersion"), "1.00");
    CHECK_EQ(versionString(record, "InternalName"), "Vantrel");
    CHECK_EQ(versionString(record, "OriginalFilename"), "Vantrel.exe");
}

BOOL CALLBACK firstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
    *reinterpret_cast<LPSTR*>(param) = name;
    return FALSE;
}

void checkIconAndPicture(const std::string& exe) {
    // Explorer shows the first icon group of the file.
    CHECK_EQ(static_cast<int>(reinterpret_cast<INT_PTR>(
                 ExtractIconA(nullptr, exe.c_str(), static_cast<UINT>(-1)))),
             1);
    HICON shown = ExtractIconA(nullptr, exe.c_str(), 0);
    CHECK(shown != nullptr && reinterpret_cast<INT_PTR>(shown) != 1);
    if (shown != nullptr) {
        DestroyIcon(shown);
    }

    HMODULE file = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    CHECK(file != nullptr);
    if (file == nullptr) {
        return;
    }
    LPSTR group = nullptr;
    EnumResourceNamesA(file, RT_GROUP_ICON, firstName, reinterpret_cast<LONG_PTR>(&group));
    CHECK(group != nullptr);
    HRSRC found = group != nullptr ? FindResourceA(file, group, RT_GROUP_ICON) : nullptr;
    CHECK(found != nullptr);
    if (found != nullptr) {
        // The group directory: reserved, type 1, count, then 14-byte entries.
        const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(file, found)));
        const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
        CHECK_EQ(count, 1);
        const BYTE* entry = dir + 6;
        CHECK_EQ(entry[0], 32);                                  // width
        CHECK_EQ(entry[1], 32);                                  // height
        CHECK_EQ(*reinterpret_cast<const WORD*>(entry + 6), 24); // bits per pixel
    }

    HRSRC picture = FindResourceA(file, MAKEINTRESOURCEA(101), RT_BITMAP);
    CHECK(picture != nullptr);
    if (picture != nullptr) {
        const auto* info =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(file, picture)));
        CHECK_EQ(info->biWidth, 624);
        CHECK_EQ(info->biHeight, 51);
        CHECK_EQ(info->biBitCount, 24);
        CHECK_EQ(info->biCompression, static_cast<DWORD>(BI_RGB));
    }
    FreeLibrary(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: %s PATH\\TO\\Vantrel.exe\n", argv[0]);
        return 2;
    }
    const std::string exe = argv[1];
    wintest::group("splash skipped by a key; steer, fire, help, restart, quit",
                   [&] { playAndQuit(exe); });
    wintest::group("splash times out; the close box ends the program", [&] { waitAndClose(exe); });
    wintest::group("version record in US English", [&] { checkVersionRecord(exe); });
    wintest::group("one 32 x 32 icon and the splash picture", [&] { checkIconAndPicture(exe); });
    return wintest::summary();
}
