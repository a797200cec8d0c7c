#pragma once

#include <windows.h>

#include <string>

// The two things the windows do that a test cannot let happen for real: a
// modal box waits for a person, and ending the program ends the test too.
// The game uses the real calls; the in-process tests derive a fake.
class PlatformCalls {
public:
    virtual ~PlatformCalls() = default;

    // Shows a modal box owned by `owner` and returns the button pressed
    // (IDOK, IDYES or IDNO).
    virtual int messageBox(HWND owner, const std::string& text, const std::string& caption,
                           UINT type);

    // Ends the process at once with exit code 0; nothing runs afterwards.
    virtual void endProgram();
};
