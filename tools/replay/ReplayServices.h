#pragma once

#include "GameServices.h"
#include "GameState.h"

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

// The window, played by a script: rows are kept in memory, every message box
// is printed and answered from the script, and ending the program is noted so
// the replay can stop.
class ReplayServices : public GameServices {
public:
    explicit ReplayServices(std::ostream& out);

    void setRowText(int row, std::string_view text) override;
    std::string rowText(int row) const override;
    std::int16_t messageBox(std::string_view prompt, std::int16_t buttons,
                            std::string_view title) override;
    void endProgram() override;

    // The answer the next box returns; used once, then boxes fall back to
    // OK for an OK box and No for a Yes/No box.
    void setNextAnswer(std::int16_t answer) { m_nextAnswer = answer; }
    bool ended() const { return m_ended; }
    void printBoard() const;
    void printState(const GameState& state) const;

private:
    std::ostream& m_out;
    std::array<std::string, kRows> m_rows;
    std::optional<std::int16_t> m_nextAnswer;
    bool m_ended = false;
};
