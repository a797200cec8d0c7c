#include "PlatformCalls.h"
#include "frmMain.h"

#include <windows.h>

// The splash comes first and the main window after it, as the game session
// says; the message loop runs them until the program ends.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    PlatformCalls calls;
    frmMain main(calls);
    main.session().load(frmMain::nowMs());
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
