#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Button sets and answers use the platform's message-box codes, so a native
// front-end can pass them straight through.
constexpr std::int16_t kButtonsOk = 0;
constexpr std::int16_t kButtonsYesNo = 4;
constexpr std::int16_t kAnswerOk = 1;
constexpr std::int16_t kAnswerYes = 6;
constexpr std::int16_t kAnswerNo = 7;

// Everything the game needs from a window, and nothing more. The rules and the
// key commands talk to the screen only through this, so they can be built and
// tested without any GUI toolkit. Each front-end implements it once.
class GameServices {
public:
    virtual ~GameServices() = default;

    // Shows `text` as board row `row` (0 = top, 7 = bottom) at once.
    virtual void setRowText(int row, std::string_view text) = 0;

    // Returns the text of board row `row` exactly as last set, trailing blanks
    // included, or the row's opening text if it was never set.
    virtual std::string rowText(int row) const = 0;

    // Shows a modal box and returns when the player closes it. `buttons` is
    // kButtonsOk or kButtonsYesNo; the answer is kAnswerOk, kAnswerYes or
    // kAnswerNo. The first button is the default.
    virtual std::int16_t messageBox(std::string_view prompt, std::int16_t buttons,
                                    std::string_view title) = 0;

    // Ends the program at once; no further window event may run afterwards.
    virtual void endProgram() = 0;
};
