#include "ReplayServices.h"

ReplayServices::ReplayServices(std::ostream& out) : m_out(out) {
    // The main window's opening picture, before any tick has drawn.
    m_rows[0] = "V V V V";
    m_rows[kRows - 1] = "       A";
}

void ReplayServices::setRowText(int row, std::string_view text) {
    m_rows.at(row) = text;
}

std::string ReplayServices::rowText(int row) const {
    return m_rows.at(row);
}

std::int16_t ReplayServices::messageBox(std::string_view prompt, std::int16_t buttons,
                                        std::string_view title) {
    std::int16_t answer = buttons == kButtonsYesNo ? kAnswerNo : kAnswerOk;
    if (m_nextAnswer) {
        answer = *m_nextAnswer;
        m_nextAnswer.reset();
    }
    m_out << "box " << buttons << " \"" << title << "\" \"" << prompt << "\" -> " << answer << '\n';
    return answer;
}

void ReplayServices::endProgram() {
    m_ended = true;
}

void ReplayServices::printBoard() const {
    for (const auto& row : m_rows) {
        m_out << '|' << row << "|\n";
    }
}

void ReplayServices::printState(const GameState& s) const {
    m_out << "state alienCol=" << s.alienCol[0] << ',' << s.alienCol[1] << ',' << s.alienCol[2]
          << ',' << s.alienCol[3] << " waveRow=" << s.waveRow << " shotCol=" << s.shotCol
          << " shotRow=" << s.shotRow << " cannonCol=" << s.cannonCol << " keyLeft=" << s.keyLeft
          << " keyRight=" << s.keyRight << " keyFire=" << s.keyFire << '\n';
}
