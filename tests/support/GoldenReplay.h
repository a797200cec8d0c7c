#pragma once

#include "GameState.h"
#include "SessionShell.h"

#include <deque>
#include <functional>
#include <istream>
#include <sstream>
#include <string>

// Plays a golden replay (tests/replay/cases/NAME.in) through a front-end's own
// events and writes what the front-end showed as vantrel-replay writes it from
// the session, so that a harness compares it with NAME.out. The harness says
// how its window runs a tick, takes a key, shows a row, holds the state and
// has ended, and hands every box it is asked to show to box(), which writes
// it down and gives the answer. Header only, so that the Windows tests, which
// link nothing of the native test support, share it.
class GoldenReplay {
public:
    struct Window {
        std::function<void()> tick;
        std::function<void(int code)> key;
        std::function<std::string(int row)> row;
        std::function<GameState()> state;
        std::function<bool()> ended;
    };

    // The answer the case gave with `answer`, or else OK, or No to a question.
    int box(int buttons, const std::string& title, const std::string& prompt) {
        int answer = buttons == kButtonsYesNo ? kAnswerNo : kAnswerOk;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        m_out << "box " << buttons << " \"" << title << "\" \"" << prompt << "\" -> " << answer
              << '\n';
        return answer;
    }

    std::string play(std::istream& in, const Window& window) {
        std::string line;
        while (!window.ended() && std::getline(in, line)) {
            std::istringstream words(line);
            std::string command;
            int value = 0;
            words >> command >> value;
            if (command == "tick") {
                window.tick();
                for (int r = 0; r < kRows; ++r) {
                    m_out << '|' << window.row(r) << "|\n";
                }
            } else if (command == "key") {
                window.key(value);
            } else if (command == "answer") {
                m_answers.push_back(value);
            } else if (command == "state") {
                const GameState s = window.state();
                m_out << "state alienCol=" << s.alienCol[0] << ',' << s.alienCol[1] << ','
                      << s.alienCol[2] << ',' << s.alienCol[3] << " waveRow=" << s.waveRow
                      << " shotCol=" << s.shotCol << " shotRow=" << s.shotRow
                      << " cannonCol=" << s.cannonCol << " keyLeft=" << s.keyLeft
                      << " keyRight=" << s.keyRight << " keyFire=" << s.keyFire << '\n';
            }
        }
        if (window.ended()) {
            m_out << "end\n";
        }
        return m_out.str();
    }

    // The cases every front-end plays: the ones without an error.
    static constexpr const char* kCases[] = {"march_and_steer", "help_and_restart", "loss", "win",
                                             "quit"};

private:
    std::deque<int> m_answers;
    std::ostringstream m_out;
};
