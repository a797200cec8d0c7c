#pragma once

#include "GameServices.h"
#include "frmMain.h"

#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Stands in for the real message boxes and the end of the program, so the
// tests can see every box the game shows and answer it from a script.
class BoxRecorder {
public:
    struct Box {
        std::string prompt;
        std::int16_t buttons;
        std::string title;
        bool timerRunning; // whether tmrStep was running while the box was open
    };

    explicit BoxRecorder(frmMain& window) {
        window.setMessageBoxHandler([this, &window](QWidget&, std::string_view prompt,
                                                    std::int16_t buttons, std::string_view title) {
            boxes.push_back(
                {std::string(prompt), buttons, std::string(title), window.tmrStep().isActive()});
            if (whileOpen) {
                whileOpen();
            }
            if (!answers.empty()) {
                const std::int16_t answer = answers.front();
                answers.pop_front();
                return answer;
            }
            return buttons == kButtonsYesNo ? kAnswerNo : kAnswerOk;
        });
        window.setEndProgramHandler([this] { ++endCalls; });
    }

    std::vector<Box> boxes;
    std::deque<std::int16_t> answers; // the next answers, else OK / No
    std::function<void()> whileOpen;  // runs while a box is "open"
    int endCalls = 0;
};
