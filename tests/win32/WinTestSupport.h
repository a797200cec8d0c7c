#pragma once

// What the Windows test programs share, as they run under Wine without a
// test framework: checks that count and report, a wait that pumps the message
// queue until a condition holds or a deadline passes, the game started as a
// process of its own and found by its windows, and the windows' geometry at a
// DPI, the sizes of session/Figures.h scaled as the windows scale them.

#include "Figures.h"
#include "frmMain.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace wintest {

inline int g_passed = 0;
inline int g_failed = 0;

inline bool check(bool ok, const char* what, const char* file, int line) {
    ++(ok ? g_passed : g_failed);
    if (!ok) {
        std::printf("FAILED %s:%d: %s\n", file, line, what);
        std::fflush(stdout);
    }
    return ok;
}

template <typename A, typename B>
bool checkEqual(const A& actual, const B& expected, const char* what, const char* file, int line) {
    if (check(actual == expected, what, file, line)) {
        return true;
    }
    if constexpr (std::is_convertible_v<A, std::string>) {
        std::printf("    got \"%s\", expected \"%s\"\n", std::string(actual).c_str(),
                    std::string(expected).c_str());
    } else {
        std::printf("    got %lld, expected %lld\n", static_cast<long long>(actual),
                    static_cast<long long>(expected));
    }
    return false;
}

// Runs one group of checks and says so, so a failure can be placed.
inline void group(const char* name, const std::function<void()>& body) {
    const int failedBefore = g_failed;
    body();
    std::printf("%s %s\n", g_failed == failedBefore ? "ok  " : "FAIL", name);
    std::fflush(stdout);
}

// The closing line CTest and the CI read, and the exit code.
inline int summary() {
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}

// Dispatches this thread's messages for `ms` milliseconds. WM_QUIT, which a
// destroyed test window posts, is dropped: the test decides when it ends.
inline void pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message != WM_QUIT) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// Pumps messages until `done` holds or `timeoutMs` passes; returns `done()`.
inline bool until(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end) {
            return false;
        }
        pump(10);
    }
    return true;
}

inline std::string windowText(HWND hwnd) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::string className(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// The game process, ended by force if a check left it running.
class GameProcess {
public:
    explicit GameProcess(const std::string& exe) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string commandLine = "\"" + exe + "\"";
        CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &si, &m_pi);
    }
    ~GameProcess() {
        if (m_pi.hProcess != nullptr && exitCode(0) == -1) {
            TerminateProcess(m_pi.hProcess, 99);
            WaitForSingleObject(m_pi.hProcess, 5000);
        }
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // Its visible top-level window of class `cls` once there is one, or null
    // after `timeoutMs` (at once if 0), doing `alsoWhile` on each look.
    HWND window(
        const std::string& cls, DWORD timeoutMs,
        const std::function<void()>& alsoWhile = [] {}) const {
        HWND found = nullptr;
        const auto next = [&] { return FindWindowExA(nullptr, found, cls.c_str(), nullptr); };
        until(
            [&] {
                alsoWhile();
                for (found = nullptr; (found = next()) != nullptr;) {
                    DWORD owner = 0;
                    GetWindowThreadProcessId(found, &owner);
                    if (owner == m_pi.dwProcessId && IsWindowVisible(found)) {
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }

    // Waits for the process to end and returns its exit code, or -1 if it
    // is still running after `timeoutMs`.
    long long exitCode(DWORD timeoutMs) const {
        DWORD code = 0;
        if (WaitForSingleObject(m_pi.hProcess, timeoutMs) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(m_pi.hProcess, &code)) {
            return -1;
        }
        return code;
    }

    DWORD id() const { return m_pi.dwProcessId; }

private:
    PROCESS_INFORMATION m_pi{};
};

// The board's labels, top row first, and what they show.
inline std::vector<HWND> boardLabels(HWND main) {
    std::vector<HWND> labels;
    for (int row = 0; row < kRows; ++row) {
        labels.push_back(GetDlgItem(main, frmMain::kFirstLabelId + row));
    }
    return labels;
}

inline std::vector<std::string> boardText(HWND main) {
    std::vector<std::string> rows;
    for (HWND label : boardLabels(main)) {
        rows.push_back(windowText(label));
    }
    return rows;
}

// The pixels of `area` of a device context, row by row from the top, each as
// 0x00RRGGBB.
inline std::vector<std::uint32_t> capturePixels(HDC dc, const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        return {};
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC memory = CreateCompatibleDC(dc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, dc, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(first, first + static_cast<std::size_t>(width) * height);
    for (auto& pixel : pixels) {
        pixel &= 0xFFFFFFu;
    }
    SelectObject(memory, previous);
    DeleteObject(dib);
    DeleteDC(memory);
    return pixels;
}

} // namespace wintest

#define CHECK(cond) ::wintest::check((cond), #cond, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected)                                                                 \
    ::wintest::checkEqual((actual), (expected), #actual " == " #expected, __FILE__, __LINE__)
// A check the rest of the test function cannot go on without.
#define REQUIRE(cond)                                                                              \
    if (!CHECK(cond))                                                                              \
    return

namespace wintest {

// A length in pixels at 96 dpi, at `dpi`.
inline int px(int length, UINT dpi) {
    return MulDiv(length, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// A child window's rectangle in its parent's client coordinates.
inline RECT childRect(HWND child) {
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// The board window at `dpi`: the client area, and each row's place, height
// and width for the text it shows (an empty row keeps one cell), inside the
// client area.
inline void checkBoardGeometry(HWND main, UINT dpi) {
    const auto labels = boardLabels(main);
    RECT client;
    GetClientRect(main, &client);
    std::printf("  client %ld x %ld at %u dpi\n", client.right, client.bottom, dpi);
    CHECK_EQ(client.right, px(kClientWidth, dpi));
    CHECK_EQ(client.bottom, px(kClientHeight, dpi));
    for (std::size_t row = 0; row < labels.size(); ++row) {
        const RECT rc = childRect(labels[row]);
        const auto cells =
            static_cast<int>(std::max<std::size_t>(windowText(labels[row]).size(), 1));
        CHECK_EQ(rc.left, px(kRowLeft, dpi));
        CHECK_EQ(rc.top, px(kRowTop + kRowPitch * static_cast<int>(row), dpi));
        CHECK_EQ(rc.bottom - rc.top, px(kRowHeight, dpi));
        CHECK_EQ(rc.right - rc.left, cells * px(kCellWidth, dpi) + px(kRowOverhang, dpi));
        CHECK(rc.right <= client.right);
    }
}

// The splash at `dpi`: its client area and the title picture's place.
inline void checkSplashGeometry(HWND splash, HWND picture, UINT dpi) {
    RECT client;
    GetClientRect(splash, &client);
    CHECK_EQ(client.right, px(kSplashWidth, dpi));
    CHECK_EQ(client.bottom, px(kSplashHeight, dpi));
    const RECT place = childRect(picture);
    CHECK_EQ(place.left, px(kSplashPictureLeft, dpi));
    CHECK_EQ(place.top, px(kSplashPictureTop, dpi));
    CHECK_EQ(place.right - place.left, px(kSplashPictureWidth, dpi));
    CHECK_EQ(place.bottom - place.top, px(kSplashPictureHeight, dpi));
}

} // namespace wintest
