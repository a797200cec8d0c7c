#pragma once

#include "frmMain.h"

#include <cstdint>
#include <vector>

// Stands in for the real message boxes and the end of the program, so the
// tests can see every box the game asks for. Each box is answered at once:
// OK for an OK box and No for a Yes/No box.
class BoxRecorder {
public:
    explicit BoxRecorder(frmMain& window) {
        window.setBoxHandler([this, &window](const BoxRequest& box) {
            boxes.push_back(box);
            window.answerBox(box.buttons == kButtonsYesNo ? kAnswerNo : kAnswerOk);
        });
        window.setEndProgramHandler([this] { ++endCalls; });
    }

    std::vector<BoxRequest> boxes;
    int endCalls = 0;
};
