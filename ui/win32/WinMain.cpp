#include "PlatformCalls.h"
#include "frmSplash.h"

#include <windows.h>

// The splash is the start-up window: it runs until its handover, and the
// message loop then runs the main window until the program ends.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    PlatformCalls calls;
    frmSplash splash(calls);
    splash.show();
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
