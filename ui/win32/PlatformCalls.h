#pragma once

#include <windows.h>

#include <string>
#include <string_view>

struct IRawElementProviderSimple;

// What the windows do that a test cannot let happen for real, or that Wine,
// which runs the tests, cannot do: a modal box waits for a person, ending the
// program ends the test too, and Wine's UI Automation notifications reach no
// reader.
// The game uses the real calls; the in-process tests derive a fake.
class PlatformCalls {
public:
    PlatformCalls() = default;
    virtual ~PlatformCalls();
    PlatformCalls(const PlatformCalls&) = delete;
    PlatformCalls& operator=(const PlatformCalls&) = delete;

    // Shows a modal box owned by `owner` and returns the button pressed
    // (IDOK, IDYES or IDNO).
    virtual int messageBox(HWND owner, const std::string& text, const std::string& caption,
                           UINT type);

    // Ends the process at once with exit code 0; nothing runs afterwards.
    virtual void endProgram();

    // Has UI Automation say `text` for `window` as a notification, which
    // screen readers speak whatever has the keyboard. Returns whether it was
    // sent: not when no screen reader runs, when no UI Automation client
    // listens, before Windows 10 version 1709, which lacks the call, or under
    // Wine, whose notifications go nowhere.
    virtual bool notify(HWND window, std::string_view text);

private:
    IRawElementProviderSimple* m_notifier = nullptr;
};
