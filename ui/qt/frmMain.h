#pragma once

#include "Announcer.h"
#include "GameNews.h"
#include "GameServices.h"
#include "GameState.h"

#include <QFont>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QLabel;

constexpr int kTickMs = 250;
constexpr int kClientWidth = 212;
constexpr int kClientHeight = 146;
constexpr int kRowLeft = 8;
constexpr int kRowTop = 8;
constexpr int kRowPitch = 16;
constexpr int kRowHeight = 20;

// The game's window: eight green text rows on black, the step timer that runs
// the tick, and the services the rules and key commands need. It owns the one
// GameState for its whole life.
class frmMain : public QWidget, public GameServices {
    Q_OBJECT

public:
    // Shows a modal box over `owner` and returns the answer (see GameServices).
    using MessageBoxHandler = std::function<std::int16_t(
        QWidget& owner, std::string_view prompt, std::int16_t buttons, std::string_view title)>;
    // Ends the program; the default never returns.
    using EndProgramHandler = std::function<void()>;

    frmMain();
    ~frmMain() override;

    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // The window's controls, by the names the game's documents give them.
    QLabel& lblGame(int index);
    QTimer& tmrStep() { return m_tmrStep; }

    // The window's events. Qt's own events are routed here; they are public so
    // the splash can drive the start-up the way the game describes it.
    void Form_Initialize();
    void Form_Load();
    void Form_KeyDown(std::int16_t keyCode, std::int16_t shift);
    void tmrStep_Timer();

    // GameServices.
    void setRowText(int row, std::string_view text) override;
    std::string rowText(int row) const override;
    std::int16_t messageBox(std::string_view prompt, std::int16_t buttons,
                            std::string_view title) override;
    void endProgram() override;

    // Seams for tests and measurements; the program itself never calls them.
    GameState& gameState() { return m_state; }
    void setMessageBoxHandler(MessageBoxHandler handler);
    void setEndProgramHandler(EndProgramHandler handler);
    const Announcer& announcer() const { return m_announcer; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createRows();
    void describeRows();
    void publishBoard();

    GameState m_state;
    QFont m_boardFont;
    int m_cellWidth = 0;
    std::array<QLabel*, kRows> m_lblGame{};
    std::array<std::string, kRows> m_rowTexts;
    std::array<std::string, kRows> m_rowDescriptions;
    GameNews m_news;
    Announcer m_announcer{*this};
    QTimer m_tmrStep;
    MessageBoxHandler m_messageBox;
    EndProgramHandler m_endProgram;
    int m_openBoxes = 0;
    int m_keyDownDepth = 0; // inside Form_KeyDown: a box answers the player's key
    bool m_resumeAfterBoxes = false;
    bool m_loaded = false;
    bool m_ended = false;
};
