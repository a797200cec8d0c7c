// Drives the real Vantrel.exe from outside, as a UI automation tool would:
// it finds the windows by class and title, posts key-downs with virtual key
// codes, reads the board from the labels and answers the message boxes. Each
// key's effect is awaited before the next key; every wait has a deadline.
// Then it reads the file as Explorer and the loader do: version record, icon,
// picture and application manifest.
//
// The screen's DPI is the second argument (96 if none): it is written to the
// Wine prefix before the game starts, and every size the driver checks is
// the size at 96 dpi scaled by dpi / 96. The driver itself is per-monitor DPI
// aware, so what it reads is what is on the screen, unscaled.

#include "KeyCommands.h"
#include "ResourceIds.h"
#include "WinTestSupport.h"
#include "frmMain.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
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
    return wintest::until([&] { return readBoard(labels) != before; }, kEffectMs);
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

// A window's client area in screen coordinates.
RECT clientOnScreen(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
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

// The window that has the keyboard focus in the thread of `hwnd`.
HWND focusOf(HWND hwnd) {
    GUITHREADINFO keyboard{};
    keyboard.cbSize = sizeof keyboard;
    GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &keyboard);
    return keyboard.hwndFocus;
}

// The splash at the DPI under test: a frameless window in the middle of the
// screen with no taskbar button, which holds the keyboard, its size, and the
// picture drawn over the whole of its scaled rectangle.
void checkSplashLooks(HWND splash) {
    const RECT client = clientOnScreen(splash);
    RECT frame;
    GetWindowRect(splash, &frame);
    CHECK(EqualRect(&frame, &client));
    checkCentredOnScreen(splash);
    const auto style = static_cast<DWORD>(GetWindowLongA(splash, GWL_STYLE));
    CHECK((style & WS_POPUP) != 0);
    CHECK((style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)) == 0);
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
    CHECK(focusOf(splash) == splash);
}

// The board window: found by its class and title, a captioned window with a
// close box only and a taskbar button (unowned, no tool window), in the
// middle of the screen, in front and with the keyboard itself (no control
// takes the focus, so it gets every key).
void checkMainLooks(HWND main) {
    CHECK_EQ(wintest::windowText(main), frmMain::kCaption);
    CHECK(FindWindowA(frmMain::kClassName, frmMain::kCaption) == main);
    const auto style = static_cast<DWORD>(GetWindowLongA(main, GWL_STYLE));
    CHECK((style & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU));
    CHECK((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
    CHECK((GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0);
    CHECK(GetWindow(main, GW_OWNER) == nullptr);
    checkCentredOnScreen(main);
    CHECK(GetForegroundWindow() == main);
    CHECK(focusOf(main) == main);
}

// Presses `key` on the board and returns the message box it opens, which
// the board window owns, with its title and prompt; null if none came.
HWND openBox(const wintest::GameProcess& game, HWND main, WPARAM key, std::string_view title,
             std::string_view prompt) {
    postKey(main, key);
    HWND box = game.window("#32770", kEffectMs);
    if (CHECK(box != nullptr)) {
        CHECK_EQ(wintest::windowText(box), std::string(title));
        CHECK_EQ(wintest::windowText(GetDlgItem(box, kBoxTextId)), std::string(prompt));
        CHECK(GetWindow(box, GW_OWNER) == main);
    }
    return box;
}

// Presses a box's button, which must be there, and waits for the box to go.
void answerBox(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    CHECK(button != nullptr);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 2000, &ignored);
    CHECK(wintest::until([&] { return !IsWindow(box); }, kEffectMs));
}

// The board window at the DPI under test, once every row holds 15 cells
// and its label has taken their width.
void checkBoardGeometry(HWND main, const std::vector<HWND>& labels) {
    const LONG fullRow = kColumns * px(kCellWidth) + px(kRowOverhang);
    wintest::until(
        [&] {
            return std::all_of(labels.begin(), labels.end(),
                               [&](HWND label) { return widthOf(childRect(label)) == fullRow; });
        },
        kEffectMs);
    wintest::checkBoardGeometry(main, labels, g_dpi);
}

void playAndQuit(const std::string& exe) {
    wintest::GameProcess game(exe);
    HWND splash = game.window(frmSplash::kClassName, kStartMs);
    REQUIRE(splash != nullptr);
    checkSplashLooks(splash);

    // A space at the splash skips it at once and fires nothing.
    const ULONGLONG keyAt = GetTickCount64();
    postKey(splash, VK_SPACE);
    HWND main = game.window(frmMain::kClassName, kEffectMs);
    REQUIRE(main != nullptr);
    CHECK(GetTickCount64() - keyAt < 1500);
    CHECK(wintest::until([&] { return !IsWindow(splash); }, kEffectMs));
    checkMainLooks(main);

    const auto labels = wintest::boardLabels(main);
    REQUIRE(labels.size() == kRows);
    CHECK(waitForBoardChange(labels));
    CHECK(waitForBoardChange(labels));
    CHECK(!shotInColumn(labels, 7));
    // A tick sets the rows one after another, and this process may look in
    // the middle of one.
    CHECK(wintest::until([&] { return boardHas(labels, 7, "       A       "); }, kEffectMs));

    checkBoardGeometry(main, labels);

    // The cannon steps left, then fires from its new column. Its glyph moves
    // by one cell, and its letter fills a cell of the DPI's size: a font
    // left at its 96 dpi size would draw it half as tall at twice the DPI.
    const RECT cannonBefore = rowInk(labels[7]);
    postKey(main, VK_LEFT);
    CHECK(wintest::until([&] { return boardHas(labels, 7, "      A        "); }, kEffectMs));
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
    postKey(main, VK_SPACE);
    CHECK(wintest::until([&] { return shotInColumn(labels, 6); }, kEffectMs));

    // F1: the help box over the game, OK only, while the board stands still
    // (nearly three ticks, were the timer running).
    HWND box = openBox(game, main, VK_F1, kHelpTitle, kHelpPrompt);
    REQUIRE(box != nullptr);
    CHECK(GetDlgItem(box, IDYES) == nullptr);
    const auto held = readBoard(labels);
    Sleep(700);
    CHECK(readBoard(labels) == held);
    answerBox(box, IDOK);
    CHECK(waitForBoardChange(labels));

    // X restarts: the cannon is back in column 7 and the wave at the top left.
    postKey(main, 'X');
    CHECK(wintest::until(
        [&] {
            return boardHas(labels, 0, " V V V V       ") && boardHas(labels, 7, "       A       ");
        },
        kEffectMs));

    // Escape, No: the game goes on. Escape, Yes: the program ends at once,
    // with exit code 0.
    box = openBox(game, main, VK_ESCAPE, kQuitTitle, kQuitPrompt);
    REQUIRE(box != nullptr);
    CHECK(GetDlgItem(box, IDOK) == nullptr);
    answerBox(box, IDNO);
    CHECK(waitForBoardChange(labels));
    CHECK_EQ(game.exitCode(0), -1);
    box = openBox(game, main, VK_ESCAPE, kQuitTitle, kQuitPrompt);
    REQUIRE(box != nullptr);
    answerBox(box, IDYES);
    CHECK_EQ(game.exitCode(5000), 0);
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

    const char* const strings[][2] = {
        {"FileDescription", "Vantrel."}, {"ProductName", "Vantrel"},
        {"FileVersion", "1.00"},         {"ProductVersion", "1.00"},
        {"InternalName", "Vantrel"},     {"OriginalFilename", "Vantrel.exe"}};
    for (const auto& string : strings) {
        CHECK_EQ(versionString(record, string[0]), string[1]);
    }
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

    HRSRC picture = FindResourceA(file, MAKEINTRESOURCEA(IDB_SPLASH), RT_BITMAP);
    CHECK(picture != nullptr);
    if (picture != nullptr) {
        const auto* info =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(file, picture)));
        CHECK_EQ(info->biWidth, kSplashPictureWidth);
        CHECK_EQ(info->biHeight, kSplashPictureHeight);
        CHECK_EQ(info->biBitCount, 24);
        CHECK_EQ(info->biCompression, static_cast<DWORD>(BI_RGB));
    }
    FreeLibrary(file);
}

// The application manifest, read back as the loader reads it: an activation
// context made from resource 1 of type 24, asked for each of its settings.
// Making the context also resolves the common-controls dependency.
void checkManifest(const std::string& exe) {
    HMODULE file = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    CHECK(file != nullptr);
    if (file != nullptr) {
        CHECK(FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) != nullptr);
        FreeLibrary(file);
    }

    ACTCTXA request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exe.c_str();
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    CHECK(context != INVALID_HANDLE_VALUE);
    if (context == INVALID_HANDLE_VALUE) {
        return;
    }

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
    if (argc != 2 && argc != 3) {
        std::printf("usage: %s PATH\\TO\\Vantrel.exe [DPI]\n", argv[0]);
        return 2;
    }
    const std::string exe = argv[1];
    g_dpi = argc == 3 ? static_cast<UINT>(std::atoi(argv[2])) : USER_DEFAULT_SCREEN_DPI;
    if (g_dpi < 96 || g_dpi > 480) {
        std::printf("DPI %s is not one of 96 to 480\n", argv[2]);
        return 2;
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
    wintest::group("splash skipped by a key; steer, fire, help, restart, quit",
                   [&] { playAndQuit(exe); });
    wintest::group("splash times out, a click aside; the close box ends the program",
                   [&] { waitAndClose(exe); });
    wintest::group("version record in US English", [&] { checkVersionRecord(exe); });
    wintest::group("one 32 x 32 icon and the splash picture", [&] { checkIconAndPicture(exe); });
    wintest::group("application manifest", [&] { checkManifest(exe); });
    if (hadDpi) {
        RegSetKeyValueA(HKEY_CURRENT_USER, desktop, "LogPixels", REG_DWORD, &before, size);
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, desktop, "LogPixels");
    }
    return wintest::summary();
}
