#pragma once

#include <windows.h>

#include <memory>

class PlatformCalls;
class frmMain;

// The borderless title strip the program opens with. Two seconds after it
// loads, or at the first key press, it hands over to the main window, once.
// Its sizes are the shared ones at 96 dpi, scaled by dpi / 96.
class frmSplash final {
public:
    static constexpr const char* kClassName = "frmSplash";
    static constexpr UINT_PTR kDoneTimerId = 1;

    explicit frmSplash(PlatformCalls& calls);
    ~frmSplash();
    frmSplash(const frmSplash&) = delete;
    frmSplash& operator=(const frmSplash&) = delete;

    // Loads the splash, shows it centred and starts tmrDone.
    void show();

    HWND handle() const { return m_hwnd; }
    HWND picture() const { return m_imgSplash; }
    // The main window once the handover has created it, else null.
    frmMain* mainWindow() const { return m_main.get(); }

private:
    void Form_KeyDown();
    void tmrDone_Timer();
    void handover();
    void layOut(UINT dpi);
    void drawPicture(HDC dc, const RECT& area) const;

    static void registerClass();
    template <class Window> friend LRESULT CALLBACK routeToWindow(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    PlatformCalls& m_calls;
    HWND m_hwnd = nullptr;
    HWND m_imgSplash = nullptr;
    HBITMAP m_picture = nullptr;
    bool m_handedOver = false;
    std::unique_ptr<frmMain> m_main;
};
