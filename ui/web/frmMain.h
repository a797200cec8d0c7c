#pragma once

#include "GameNews.h"
#include "GameServices.h"
#include "GameState.h"
#include "NewsQueue.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The game's board in a web page. The page script (page.js) owns the DOM, the
// step timer and the keyboard, and calls in here for each event; this class
// owns the one GameState and gives the rules their services by calling back
// into the page.
class frmMain : public GameServices {
public:
    // Shows the opening picture, as the desktop window does when it is created.
    frmMain();

    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // The window's events, by the names the desktop front-ends give them.
    void Form_Load();
    void Form_KeyDown(std::int16_t keyCode, std::int16_t shift);
    void tmrStep_Timer();

    // GameServices.
    void setRowText(int row, std::string_view text) override;
    std::string rowText(int row) const override;
    std::int16_t messageBox(std::string_view prompt, std::int16_t buttons,
                            std::string_view title) override;
    void endProgram() override;

private:
    void describeRows();
    void publishBoard();
    void sayNews(bool evenWithinGap);

    GameState m_state;
    std::array<std::string, kRows> m_rowTexts;
    std::array<std::string, kRows> m_rowDescriptions;
    GameNews m_news;
    NewsQueue m_pendingNews;
    // Long enough ago that the first news goes out at once.
    double m_newsSaidAtMs = -NewsQueue::kMinGapMs;
    int m_openBoxes = 0;
    bool m_resumeAfterBoxes = false;
    bool m_ended = false;
};
