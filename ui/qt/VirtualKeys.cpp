#include "VirtualKeys.h"

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
