#pragma once

#include <QtGlobal>
#include <cstdint>

class QKeyEvent;

// The game's keys speak in Windows virtual key codes, so the Qt windows turn
// each key event into one of those before handing it on.

// The code of every key the game does not use: it reaches the game and is
// ignored there rather than being dropped somewhere in the window layer.
constexpr std::int16_t kVirtualKeyNone = 0;

// Translates a key event: the arrows left and right, Space, Escape, X and F1
// to their codes, anything else to kVirtualKeyNone. X is the key that gives
// X, so QWERTY, QWERTZ and AZERTY keep their letter; a key that gives a letter
// of another script (Cyrillic, Greek, ...) or nothing Qt can name is X where
// it sits in X's place on a US keyboard, found from its keycode: under a
// Russian layout the key labelled X still restarts.
std::int16_t virtualKeyCode(int qtKey, quint32 nativeScanCode);
std::int16_t virtualKeyCode(const QKeyEvent& event);
