#include "VirtualKeys.h"

#include <QChar>
#include <QKeyEvent>
#include <string_view>

namespace {

// Keys whose Qt code is not already the virtual key code. Letters and digits
// need no entry: Qt uses their upper-case ASCII codes, as Windows does.
struct KeyPair {
    int qtKey;
    std::int16_t code;
};

constexpr KeyPair kKeyTable[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},      {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},     {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},      {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},         {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},     {Qt::Key_Up, 38},       {Qt::Key_Right, 39},       {Qt::Key_Down, 40},
    {Qt::Key_Print, 44},    {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},      {Qt::Key_Meta, 91},
    {Qt::Key_Menu, 93},     {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145},
};

constexpr int kFirstFunctionKeyCode = 112; // F1
constexpr int kFunctionKeys = 24;

// The letters and digits of a US keyboard by their X keycode, which on Linux
// is the kernel's key number plus 8 (X servers and Wayland compositors alike).
// Each entry is the first keycode of a row and that row's characters.
struct KeyRow {
    quint32 firstKeycode;
    const char* characters;
};

constexpr KeyRow kUsRows[] = {
    {10, "1234567890"},
    {24, "QWERTYUIOP"},
    {38, "ASDFGHJKL"},
    {52, "ZXCVBNM"},
};

std::int16_t usKeyAt(quint32 keycode) {
    for (const auto& row : kUsRows) {
        const std::string_view characters(row.characters);
        if (keycode >= row.firstKeycode && keycode < row.firstKeycode + characters.size()) {
            return static_cast<std::int16_t>(characters[keycode - row.firstKeycode]);
        }
    }
    return kVirtualKeyNone;
}

// Whether the key gives a letter of a script other than Latin. Qt names such
// keys by the letter's code point; accented Latin letters (the French and
// German layouts' own keys) do not count.
bool isNonLatinLetter(int qtKey) {
    if (qtKey <= 0x7f || qtKey > 0xffff) {
        return false;
    }
    const QChar character(static_cast<char16_t>(qtKey));
    return character.isLetter() && character.script() != QChar::Script_Latin;
}

} // namespace

std::int16_t virtualKeyCode(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return static_cast<std::int16_t>(qtKey);
    }
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeys) {
        return static_cast<std::int16_t>(kFirstFunctionKeyCode + (qtKey - Qt::Key_F1));
    }
    for (const auto& entry : kKeyTable) {
        if (entry.qtKey == qtKey) {
            return entry.code;
        }
    }
    return kVirtualKeyNone;
}

std::int16_t virtualKeyCode(int qtKey, quint32 nativeScanCode) {
    const std::int16_t code = virtualKeyCode(qtKey);
    if (code != kVirtualKeyNone) {
        return code;
    }
    if (isNonLatinLetter(qtKey) || qtKey == 0 || qtKey == Qt::Key_unknown) {
        return usKeyAt(nativeScanCode);
    }
    return kVirtualKeyNone;
}

std::int16_t virtualKeyCode(const QKeyEvent& event) {
    return virtualKeyCode(event.key(), event.nativeScanCode());
}

std::int16_t shiftState(Qt::KeyboardModifiers modifiers) {
    std::int16_t state = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        state |= kShiftBit;
    }
    if (modifiers.testFlag(Qt::ControlModifier)) {
        state |= kCtrlBit;
    }
    if (modifiers.testFlag(Qt::AltModifier)) {
        state |= kAltBit;
    }
    return state;
}
