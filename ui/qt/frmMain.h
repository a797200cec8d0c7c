#pragma once

#include "GameSession.h"
#include "SessionShell.h"
#include "frmSplash.h"

#include <QElapsedTimer>
#include <QFont>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

class QLabel;
class QMessageBox;

// The game's window: eight green text rows on black, the step timer, and the
// message boxes, over the GameSession that keeps the game itself, and the
// splash before it. The windows only show what the session asks and pass
// their events on, each with the time of one monotonic clock.
class frmMain : public QWidget, public SessionShell {
    Q_OBJECT

public:
    // Shows a box in place of the real QMessageBox and hands the answer to
    // answerBox, at once or later.
    using BoxHandler = std::function<void(const BoxRequest& box)>;
    // Ends the program; the default never returns.
    using EndProgramHandler = std::function<void()>;

    frmMain();
    ~frmMain() override;

    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // The windows and controls, by the names the game's documents give them.
    frmSplash& splash() { return m_splash; }
    QLabel& lblGame(int index);
    QTimer& tmrStep() { return m_tmrStep; }

    // The window's events. Qt's own events are routed here, and the
    // splash's keys too.
    void Form_KeyDown(std::int16_t keyCode);
    void tmrStep_Timer();

    // The player's answer to the open box.
    void answerBox(std::int16_t answer);

    // The clock of the times the session is given; the program starts with
    // session().load(nowMs()).
    std::int64_t nowMs() const { return m_clock.elapsed(); }

    // SessionShell.
    void showSplash(std::int64_t endsMs) override;
    void hideSplash() override;
    void showRow(int row, std::string_view text) override;
    void describeRow(int row, std::string_view description) override;
    void startStepTimer() override;
    void stopStepTimer() override;
    void showBox(const BoxRequest& box) override;
    void sayNews(std::string_view text) override;
    void endProgram() override;

    // Seams for tests and measurements; the program itself never calls them.
    GameSession& session() { return m_session; }
    void setBoxHandler(BoxHandler handler);
    void setEndProgramHandler(EndProgramHandler handler);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createRows();
    void showWaitingBox();

    QElapsedTimer m_clock;
    QFont m_boardFont;
    int m_cellWidth = 0;
    std::array<QLabel*, kRows> m_lblGame{};
    QTimer m_tmrStep;
    // A loss or win box that came while the player was in another program:
    // it waits, hidden, until the player is back at the game.
    QPointer<QMessageBox> m_waitingBox;
    BoxHandler m_boxHandler;
    EndProgramHandler m_endProgram;
    frmSplash m_splash;
    bool m_placed = false;
    GameSession m_session{*this};
};
