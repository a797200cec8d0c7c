#include "VirtualKeys.h"

#include "KeyCommands.h"

#include <QChar>
#include <QKeyEvent>

namespace {

// X's keycode on a US keyboard, as X servers and Wayland compositors on Linux
// give it: the kernel's key number plus 8.
constexpr quint32 kUsXKeycode = 53;

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

std::int16_t virtualKeyCode(int qtKey, quint32 nativeScanCode) {
    switch (qtKey) {
    case Qt::Key_Left:
        return kKeyLeft;
    case Qt::Key_Right:
        return kKeyRight;
    case Qt::Key_Space:
        return kKeySpace;
    case Qt::Key_Escape:
        return kKeyEscape;
    case Qt::Key_X:
        return kKeyX;
    case Qt::Key_F1:
        return kKeyF1;
    default:
        break;
    }
    const bool unnamed = isNonLatinLetter(qtKey) || qtKey == 0 || qtKey == Qt::Key_unknown;
    return unnamed && nativeScanCode == kUsXKeycode ? kKeyX : kVirtualKeyNone;
}

std::int16_t virtualKeyCode(const QKeyEvent& event) {
    return virtualKeyCode(event.key(), event.nativeScanCode());
}
