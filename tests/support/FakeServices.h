#pragma once

#include "GameServices.h"
#include "GameState.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// A window stand-in for tests: keeps the rows, records every call in order and
// answers message boxes from a queue (OK for an OK box and No for a Yes/No box
// once the queue is empty).
class FakeServices : public GameServices {
public:
    struct Box {
        std::string prompt;
        std::int16_t buttons;
        std::string title;
        // The board as it was on screen while the box was open.
        std::array<std::string, kRows> board;
    };

    FakeServices();

    void setRowText(int row, std::string_view text) override;
    // The text of board row `row` exactly as last set, trailing blanks
    // included, or the row's opening text if it was never set.
    std::string rowText(int row) const;
    std::int16_t messageBox(std::string_view prompt, std::int16_t buttons,
                            std::string_view title) override;
    void endProgram() override { ++endCalls; }

    std::array<std::string, kRows> board() const { return m_rows; }

    std::deque<std::int16_t> answers;
    std::vector<Box> boxes;
    int setRowCalls = 0;
    int endCalls = 0;

private:
    std::array<std::string, kRows> m_rows;
};
