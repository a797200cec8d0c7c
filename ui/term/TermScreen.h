#pragma once

#include "GameState.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class TerminalGuard;
struct screen;

// A message box as the terminal shows it: a bordered box with the title in
// its top edge, the text, and a row of buttons, one of them focused.
struct BoxView {
    std::string title;
    std::string text; // '\n' starts a new paragraph
    std::vector<std::string> buttons;
    int focus = 0;
};

// Everything the program draws, with ncurses: the splash, the board in its
// frame with the news under it, a box over it, and the line that asks for a
// larger terminal. Each draw paints the whole screen and lets ncurses send
// only what changed.
class TermScreen {
public:
    TermScreen() = default;
    ~TermScreen();

    TermScreen(const TermScreen&) = delete;
    TermScreen& operator=(const TermScreen&) = delete;

    // Enters full-screen mode; false if the terminal's type is unknown or
    // cannot address the cursor.
    bool open(TerminalGuard& guard);
    // Leaves full-screen mode, restoring the terminal's own modes.
    void leave();
    // Back to full-screen mode after a suspend, every mode as at the start
    // (keypad included) and every cell repainted.
    void comeBack();
    // The terminal's size changed, or its contents may have been disturbed.
    void resize();
    void repaintAll();

    // Each returns false, and shows the too-small line instead, when the
    // terminal cannot hold what it should show. A box is shown at any size,
    // compactly or on one line where it does not fit whole.
    bool drawSplash();
    bool drawBoard(const std::array<std::string, kRows>& rows, const std::string& news,
                   const BoxView* box);

private:
    enum class Colours { None, Basic, Indexed, Direct };

    void setUpColours();
    int colourOf(std::uint32_t rgb) const;
    int pairOf(std::uint32_t foreground, std::uint32_t background);
    void drawTooSmall();
    void drawBox(const BoxView& box);
    void drawBoxLine(const BoxView& box, const std::vector<std::string>& labels);
    void drawButtons(const std::vector<std::string>& labels, int y, int x, int focus);

    screen* m_screen = nullptr;
    Colours m_colours = Colours::None;
    bool m_utf8 = false;
    std::map<std::pair<int, int>, int> m_pairs;
};
