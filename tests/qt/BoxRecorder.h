#pragma once

#include "frmMain.h"

#include <cstdint>
#include <vector>

// Stands in for the real message boxes and the end of the program, so the
// tests can see every box the game asks for. Each box is answered at once,
// as Escape would answer it.
class BoxRecorder {
public:
    explicit BoxRecorder(frmMain& window) {
        window.setBoxHandler([this, &window](const BoxRequest& box) {
            boxes.push_back(box);
            window.answerBox(box.escapeAnswer);
        });
        window.setEndProgramHandler([this] { ++endCalls; });
    }

    std::vector<BoxRequest> boxes;
    int endCalls = 0;
};

// The program's start with the splash's time run out: the board shows.
inline void startOnBoard(frmMain& window) {
    window.session().load(window.nowMs());
    window.session().splashTimer(window.nowMs());
}
