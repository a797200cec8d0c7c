#pragma once

#include "AccessibleDescription.h"
#include "GameSession.h"
#include "SessionShell.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class PlatformCalls;

// The game's window: eight green board rows on black and the step timer, a
// thin shell over the game session, which keeps the game, the rows and the
// rules of boxes and timer. The C++ object is created by the splash's
// handover; the Win32 window itself only comes into being when the object is
// first shown, as a form loads on show.
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

    // Loads the window on the first call (Form_Load, which starts tmrStep),
    // then shows it centred and makes it the active window.
    void show();

    // The window, a row's label and the session, for tests that set up a
    // position or look at what the window shows.
    HWND handle() const { return m_hwnd; }
    HWND label(int row) const { return m_lblGame.at(static_cast<std::size_t>(row)); }
    // The DPI the window is laid out for.
    UINT dpi() const { return m_dpi; }
    GameSession& session() { return m_session; }
    GameState& state() { return m_session.state(); }

    // What the session asks of the window.

    void showRow(int row, std::string_view text) override;
    void describeRow(int row, std::string_view description) override;
    void startStepTimer() override;
    void stopStepTimer() override;
    void showBox(const BoxRequest& box) override;
    void sayNews(std::string_view text) override;
    void endProgram() override;

private:
    void Form_Initialize();
    void Form_Load();
    void Form_KeyDown(std::int16_t keyCode, std::int16_t shift);
    void tmrStep_Timer();

    void load();
    void createLabels();
    void applyDpi(UINT dpi);
    int textWidth(const std::string& text) const;

    static void registerClass();
    static LRESULT CALLBACK labelProc(HWND label, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR row, DWORD_PTR self);
    template <class Window> friend LRESULT CALLBACK routeToWindow(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    PlatformCalls& m_calls;
    GameSession m_session{*this};
    HWND m_hwnd = nullptr;
    std::array<HWND, kRows> m_lblGame{};
    std::array<AccessibleDescription, kRows> m_rowDescriptions;
    AccessibleDescription m_news;
    HFONT m_font = nullptr;
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
};
