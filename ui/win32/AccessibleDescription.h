#pragma once

#include <windows.h>

#include <string>

class DescribedClient;

// The accessible description of one window's client area, as a screen
// reader's MSAA layer reads it: for a board row, what stands in which column;
// for the board window, the latest news. Everything else a reader asks (the
// name, which stays the window's exact text, the role, the place) is Windows'
// own answer for that window: the window answers WM_GETOBJECT with Windows'
// standard object for it, wrapped in one that adds the description.
//
// oleacc.dll, which makes the standard object, is loaded when a reader first
// asks, so a player without a screen reader never loads it, and the program
// imports no DLL beyond the five it always needed.
class AccessibleDescription {
public:
    AccessibleDescription() = default;
    ~AccessibleDescription();
    AccessibleDescription(const AccessibleDescription&) = delete;
    AccessibleDescription& operator=(const AccessibleDescription&) = delete;

    // The description is `text` as it stands whenever a reader asks; the
    // string must outlive this object.
    void describeWith(const std::string& text) { m_text = &text; }

    // The answer to WM_GETOBJECT sent to `hwnd`: the object for its client
    // area, or 0 for anything else, and when oleacc.dll is missing, which
    // leaves the request to the window's default handling.
    LRESULT answerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam);

    // The window is gone: an object a reader still holds answers from then
    // on as Windows' standard object for a destroyed window does.
    void detach();

private:
    const std::string* m_text = nullptr;
    DescribedClient* m_object = nullptr;
};
