#pragma once

#include <Qt>
#include <QtGlobal>
#include <cstdint>

class QKeyEvent;

// The key commands speak in Windows virtual key codes, so the Qt window turns
// each key event into one of those before handing it on.

// A code that no key command uses: keys with no Windows counterpart get it,
// so they reach the game and are ignored there rather than being dropped
// somewhere in the window layer.
constexpr std::int16_t kVirtualKeyNone = 0;

// Shift-state bits, as the Windows key-down event carries them.
constexpr std::int16_t kShiftBit = 1;
constexpr std::int16_t kCtrlBit = 2;
constexpr std::int16_t kAltBit = 4;

// Translates a Qt key (QKeyEvent::key()) to its virtual key code. Letters and
// digits map to their upper-case ASCII codes whatever the shift state.
std::int16_t virtualKeyCode(int qtKey);

// Translates a key event the way Windows assigns virtual key codes. A key that
// gives a Latin letter, a digit or a named key keeps virtualKeyCode(key()), so
// QWERTY, QWERTZ and AZERTY keep their letters. A key that gives a letter of
// another script (Cyrillic, Greek, ...) or nothing Qt can name takes the code
// of the letter or digit at the same place on a US keyboard, found from its
// keycode: under a Russian layout the key labelled X still restarts.
std::int16_t virtualKeyCode(int qtKey, quint32 nativeScanCode);
std::int16_t virtualKeyCode(const QKeyEvent& event);

// Translates Qt's keyboard modifiers to the Shift/Ctrl/Alt bits.
std::int16_t shiftState(Qt::KeyboardModifiers modifiers);
