#pragma once

#include "GameSession.h"
#include "SessionShell.h"

#include <cstdint>
#include <string_view>

// The game's board in a web page. The page script (page.js) owns the DOM, the
// timers and the keyboard, and calls the session for each event with the time
// it happened (main.cpp); the session plays the game and tells the page what
// to show through the calls below.
class frmMain : public SessionShell {
public:
    GameSession& session() { return m_session; }

    // The player closed the open box with button `button` (0 the first), or
    // with Escape (-1).
    void answerBox(int button, std::int64_t nowMs);

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

private:
    GameSession m_session{*this};
};
