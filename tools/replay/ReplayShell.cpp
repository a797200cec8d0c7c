#include "ReplayShell.h"

#include "Figures.h"

ReplayShell::ReplayShell(std::ostream& out) : m_out(out) {
    m_session.load(m_nowMs);
    m_session.splashTimer(m_nowMs);
}

void ReplayShell::tick() {
    m_nowMs += kTickMs;
    m_session.step(m_nowMs);
}

void ReplayShell::showBox(const BoxRequest& box) {
    std::int16_t answer = box.escapeAnswer;
    if (m_nextAnswer) {
        answer = *m_nextAnswer;
        m_nextAnswer.reset();
    }
    m_out << "box " << box.buttons << " \"" << box.title << "\" \"" << box.prompt << "\" -> "
          << answer << '\n';
    m_session.answerBox(answer, m_nowMs);
}

void ReplayShell::printBoard() const {
    for (int row = 0; row < kRows; ++row) {
        m_out << '|' << m_session.rowText(row) << "|\n";
    }
}

void ReplayShell::printState() const {
    const GameState& s = m_session.state();
    m_out << "state alienCol=" << s.alienCol[0] << ',' << s.alienCol[1] << ',' << s.alienCol[2]
          << ',' << s.alienCol[3] << " waveRow=" << s.waveRow << " shotCol=" << s.shotCol
          << " shotRow=" << s.shotRow << " cannonCol=" << s.cannonCol << " keyLeft=" << s.keyLeft
          << " keyRight=" << s.keyRight << " keyFire=" << s.keyFire << '\n';
}
