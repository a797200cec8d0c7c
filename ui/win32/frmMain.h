#pragma once

#include "AccessibleDescription.h"
#include "GameSession.h"
#include "SessionShell.h"
#include "frmSplash.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class PlatformCalls;

// The game's window: eight green board rows on black and the step timer, a
// thin shell over the game session, which keeps the game, the rows, the
// splash's course and the rules of boxes and timer. The splash window comes
// first; the Win32 main window only comes into being when the session takes
// the splash away, as a form loads on show.
class frmMain final : public SessionShell {
public:
    static constexpr const char* kClassName = "frmMain";
    static constexpr const char* kCaption = "Vantrel";
    static constexpr COLORREF kTextColour = RGB(0x00, 0xFF, 0x00);
    static constexpr UINT_PTR kStepTimerId = 1;
    static constexpr int kFirstLabelId = 100;

    // Runs Form_Initialize.
    explicit frmMain(PlatformCalls& calls);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // The clock of the times the session is given: milliseconds since the
    // system started, which never go back or jump with the time of day. The
    // program starts with session().load(nowMs()).
    static std::int64_t nowMs();

    // The window (null until the splash has gone), a row's label, the splash
    // and the session, for tests that set up a position or look at what the
    // windows show.
    HWND handle() const { return m_hwnd; }
    HWND label(int row) const { return m_lblGame.at(static_cast<std::size_t>(row)); }
    // The DPI the window is laid out for.
    UINT dpi() const { return m_dpi; }
    frmSplash& splash() { return m_splash; }
    GameSession& session() { return m_session; }
    GameState& state() { return m_session.state(); }

    // What the session asks of the window.
    void showSplash(std::int64_t endsMs) override;
    void hideSplash() override;
    void showRow(int row, std::string_view text) override;
    void describeRow(int row, std::string_view description) override;
    void startStepTimer() override;
    void stopStepTimer() override;
    void showBox(const BoxRequest& box) override;
    void sayNews(std::string_view text) override;
    void endProgram() override;

    // A key-down in either window.
    void Form_KeyDown(std::int16_t keyCode);

private:
    void Form_Initialize();
    void tmrStep_Timer();

    void load();
    void createLabels();
    void applyDpi(UINT dpi);
    int textWidth(const std::string& text) const;

    static LRESULT CALLBACK labelProc(HWND label, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR row, DWORD_PTR self);
    template <class Window> friend LRESULT CALLBACK routeToWindow(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    PlatformCalls& m_calls;
    GameSession m_session{*this};
    frmSplash m_splash{*this};
    HWND m_hwnd = nullptr;
    std::array<HWND, kRows> m_lblGame{};
    std::array<AccessibleDescription, kRows> m_rowDescriptions;
    AccessibleDescription m_news;
    HFONT m_font = nullptr;
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
};
