#pragma once

#include "GameServices.h"
#include "GameState.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class PlatformCalls;

// The game's window: eight green board rows on black, the step timer that
// drives the tick, and the services the rules and key commands use. The C++
// object is created by the splash's handover; the Win32 window itself only
// comes into being when the object is first shown, as a form loads on show.
class frmMain final : public GameServices {
public:
    static constexpr const char* kClassName = "frmMain";
    static constexpr const char* kCaption = "Vantrel";
    // Sizes in pixels at 96 dpi; at another DPI each is scaled by dpi / 96.
    static constexpr int kClientWidth = 212;
    static constexpr int kClientHeight = 146;
    static constexpr int kLabelLeft = 8;
    static constexpr int kLabelTop = 8;
    static constexpr int kLabelPitch = 16;
    static constexpr int kLabelHeight = 20;
    static constexpr int kFontHeight = 20;
    static constexpr int kFontCellWidth = 13;
    static constexpr COLORREF kTextColour = RGB(0x00, 0xFF, 0x00);
    static constexpr UINT_PTR kStepTimerId = 1;
    static constexpr UINT kTickMs = 250;
    static constexpr int kFirstLabelId = 100;

    // Runs Form_Initialize.
    explicit frmMain(PlatformCalls& calls);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // Loads the window on the first call (Form_Load, then tmrStep starts),
    // then shows it centred and makes it the active window.
    void show();

    // The window, a row's label and the game, for tests that set up a
    // position or look at what the window shows.
    HWND handle() const { return m_hwnd; }
    HWND label(int row) const { return m_lblGame.at(static_cast<std::size_t>(row)); }
    // The DPI the window is laid out for.
    UINT dpi() const { return m_dpi; }
    GameState& state() { return m_state; }

    // The services the rules and the key commands use.

    void setRowText(int row, std::string_view text) override;
    std::string rowText(int row) const override;
    std::int16_t messageBox(std::string_view prompt, std::int16_t buttons,
                            std::string_view title) override;
    void endProgram() override;

private:
    void Form_Initialize();
    void Form_Load();
    void Form_KeyDown(std::int16_t keyCode, std::int16_t shift);
    void tmrStep_Timer();

    void load();
    void createLabels();
    void applyDpi(UINT dpi);
    void startStepTimer();
    void stopStepTimer();
    int textWidth(const std::string& text) const;

    static void registerClass();
    template <class Window> friend LRESULT CALLBACK routeToWindow(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    PlatformCalls& m_calls;
    GameState m_state;
    HWND m_hwnd = nullptr;
    std::array<HWND, kRows> m_lblGame{};
    HFONT m_font = nullptr;
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
    int m_boxesOpen = 0;
    bool m_ended = false;
};
