#pragma once

#include <cstdint>
#include <string_view>

// Button sets and answers use the platform's message-box codes, so a native
// front-end can pass them straight through.
constexpr std::int16_t kButtonsOk = 0;
constexpr std::int16_t kButtonsYesNo = 4;
constexpr std::int16_t kAnswerOk = 1;
constexpr std::int16_t kAnswerYes = 6;
constexpr std::int16_t kAnswerNo = 7;

// The eight board rows the drawing pass writes. The game session keeps them;
// a test fake can too.
class BoardRows {
public:
    virtual ~BoardRows() = default;

    // Shows `text` as board row `row` (0 = top, 7 = bottom) at once.
    virtual void setRowText(int row, std::string_view text) = 0;
};

// Everything the rules need from a window when a box is answered on the spot:
// the rows, a modal box and the end of the program. The tests of the rules
// implement it with a fake; the game session answers boxes later instead and
// uses the phases of the tick and the key actions directly.
class GameServices : public BoardRows {
public:
    // Shows a modal box and returns when the player closes it. `buttons` is
    // kButtonsOk or kButtonsYesNo; the answer is kAnswerOk, kAnswerYes or
    // kAnswerNo. The first button is the default.
    virtual std::int16_t messageBox(std::string_view prompt, std::int16_t buttons,
                                    std::string_view title) = 0;

    // Ends the program at once; no further window event may run afterwards.
    virtual void endProgram() = 0;
};
