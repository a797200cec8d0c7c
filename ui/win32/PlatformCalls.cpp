#include "PlatformCalls.h"

int PlatformCalls::messageBox(HWND owner, const std::string& text, const std::string& caption,
                              UINT type) {
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

void PlatformCalls::endProgram() {
    // ExitProcess rather than PostQuitMessage: the quit question is answered
    // inside a key handler, and no timer or queued key may run after it.
    ExitProcess(0);
}
