#pragma once

#include "GameSession.h"
#include "SessionShell.h"

#include <cstdint>
#include <string_view>

// The game's board in a web page. The page script (page.js) owns the DOM, the
// step timer and the keyboard, and calls in here for each event with the time
// it happened; the session plays the game and tells the page what to show
// through the calls below.
class frmMain : public SessionShell {
public:
    // The window's events, by the names the desktop front-ends give them.
    // Form_Load shows the opening picture and starts the game.
    void Form_Load(std::int64_t nowMs);
    void Form_KeyDown(std::int16_t keyCode, std::int16_t shift, std::int64_t nowMs) {
        m_session.keyDown(keyCode, shift, nowMs);
    }
    void tmrStep_Timer(std::int64_t nowMs) { m_session.step(nowMs); }
    // The player closed the open box with its first button (OK or Yes), or
    // with the other or Escape.
    void answerBox(bool firstButton, std::int64_t nowMs);

    // SessionShell.
    void showRow(int row, std::string_view text) override;
    void describeRow(int row, std::string_view description) override;
    void startStepTimer() override;
    void stopStepTimer() override;
    void showBox(const BoxRequest& box) override;
    void sayNews(std::string_view text) override;
    void endProgram() override;

private:
    GameSession m_session{*this};
};
