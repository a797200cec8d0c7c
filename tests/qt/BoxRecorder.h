#pragma once

#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdint>
#include <functional>
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

// The board on the screen and held still, so that only the test runs a beat;
// a quit would not end the test run.
inline bool showStill(frmMain& window) {
    window.setEndProgramHandler([] {});
    startOnBoard(window);
    window.tmrStep().stop();
    return QTest::qWaitForWindowExposed(&window);
}

// Answers the next real modal box once it is up: checks it with `inspect`,
// then presses `key` on it. Polls rather than waiting a fixed time, and stops
// looking after five seconds.
inline void answerRealBox(std::function<void(QMessageBox&)> inspect, Qt::Key key) {
    auto* poll = new QTimer;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        const bool up = box != nullptr && box->isVisible();
        if (!up && waited.elapsed() < 5000) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        if (up) {
            inspect(*box);
            QTest::keyClick(box->windowHandle(), key);
        }
    });
    poll->start(10);
}
