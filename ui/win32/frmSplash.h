#pragma once

#include <windows.h>

class frmMain;

// The borderless title strip the program opens with, shown and taken away as
// the game session says; its keys and its timer, tmrDone, go to the session.
// Its sizes are the shared ones at 96 dpi, scaled by dpi / 96.
class frmSplash final {
public:
    static constexpr const char* kClassName = "frmSplash";
    static constexpr UINT_PTR kDoneTimerId = 1;

    explicit frmSplash(frmMain& main);
    ~frmSplash();
    frmSplash(const frmSplash&) = delete;
    frmSplash& operator=(const frmSplash&) = delete;

    // Loads the splash, shows it centred and starts tmrDone to expire in
    // `doneMs`.
    void show(UINT doneMs);
    // Unloads it, once the main window has come.
    void close();

    HWND handle() const { return m_hwnd; }
    HWND picture() const { return m_imgSplash; }

private:
    void tmrDone_Timer();
    void layOut(UINT dpi);
    void drawPicture(HDC dc, const RECT& area) const;

    template <class Window> friend LRESULT CALLBACK routeToWindow(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    frmMain& m_main;
    HWND m_hwnd = nullptr;
    HWND m_imgSplash = nullptr;
    HBITMAP m_picture = nullptr;
};
