#include "TermScreen.h"

#include "SplashPicture.h"
#include "TerminalGuard.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <curses.h>
#include <langinfo.h>
#include <string_view>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The board's frame: the 15 columns with a blank on each side inside a
// border, the 8 rows inside a border, and the news on the line below.
constexpr int kFrameWidth = kColumns + 4;
constexpr int kFrameHeight = kRows + 2;
constexpr int kBoardHeight = kFrameHeight + 1;
// A box's text wraps at this width, or narrower in a narrow terminal.
constexpr int kBoxTextWidth = 44;
// How long a lone Escape waits for the rest of a key's sequence, unless the
// player sets ESCDELAY.
constexpr int kEscapeDelayMs = 100;
constexpr int kBoardPair = 1;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlack = 0x000000;
// Terminal descriptions for direct colour send the numbers 0 to 7 as the
// palette's first eight colours, which the player may have changed, so black
// (0) would be palette black. The nearest number they send as a colour of its
// own is this green of 1 in 255, which no eye tells from black.
constexpr std::uint32_t kDirectBlack = 0x000100;

constexpr std::string_view kTooSmall =
    "The terminal is too small for Vantrel: please make it larger.";
constexpr std::string_view kTooSmallShort = "Too small";
constexpr char kUpperHalfBlock[] = "\u2580";

int textWidth(const std::string& text) {
    return static_cast<int>(text.size());
}

// The text in lines of at most `width` characters, broken between words.
// A terminal a few columns wide still gets one character a line.
std::vector<std::string> wrap(const std::string& text, int width) {
    width = std::max(width, 1);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line;
        std::size_t word = start;
        while (word < end) {
            std::size_t next = std::min(text.find(' ', word), end);
            std::string piece = text.substr(word, next - word);
            if (!line.empty() && textWidth(line) + 1 + textWidth(piece) > width) {
                lines.push_back(line);
                line.clear();
            }
            line += (line.empty() ? "" : " ") + piece;
            while (textWidth(line) > width) {
                lines.push_back(line.substr(0, std::size_t(width)));
                line.erase(0, std::size_t(width));
            }
            word = next + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

void usePair(int pair, attr_t attributes) {
    attr_set(attributes, static_cast<short>(pair), nullptr);
}

void fill(int top, int left, int height, int width) {
    for (int y = top; y < top + height; ++y) {
        mvhline(y, left, ' ', width);
    }
}

// A border around the rectangle, with the title centred in its top edge.
void frame(int top, int left, int height, int width, const std::string& title) {
    mvhline(top, left + 1, ACS_HLINE, width - 2);
    mvhline(top + height - 1, left + 1, ACS_HLINE, width - 2);
    mvvline(top + 1, left, ACS_VLINE, height - 2);
    mvvline(top + 1, left + width - 1, ACS_VLINE, height - 2);
    mvaddch(top, left, ACS_ULCORNER);
    mvaddch(top, left + width - 1, ACS_URCORNER);
    mvaddch(top + height - 1, left, ACS_LLCORNER);
    mvaddch(top + height - 1, left + width - 1, ACS_LRCORNER);
    if (!title.empty()) {
        const std::string label = " " + title + " ";
        mvaddnstr(top, left + (width - textWidth(label)) / 2, label.c_str(), width - 2);
    }
}

// The nearest of the 240 colours that 256-colour terminals share: the
// 6 × 6 × 6 cube and the 24 greys. The board's green and black are exact.
int nearestIndexed(std::uint32_t rgb) {
    static constexpr int kLevels[] = {0, 95, 135, 175, 215, 255};
    const int channels[3] = {int(rgb >> 16 & 0xFF), int(rgb >> 8 & 0xFF), int(rgb & 0xFF)};
    const int grey = std::clamp(((channels[0] + channels[1] + channels[2]) / 3 - 3) / 10, 0, 23);
    int cube = 0;
    int cubeDistance = 0;
    int greyDistance = 0;
    for (int channel : channels) {
        const int level = channel < 48 ? 0 : channel < 115 ? 1 : (channel - 35) / 40;
        cube = cube * 6 + level;
        cubeDistance += (channel - kLevels[level]) * (channel - kLevels[level]);
        greyDistance += (channel - 8 - 10 * grey) * (channel - 8 - 10 * grey);
    }
    return greyDistance < cubeDistance ? 232 + grey : 16 + cube;
}

} // namespace

TermScreen::~TermScreen() {
    if (m_screen != nullptr) {
        leave();
        delscreen(m_screen);
    }
}

bool TermScreen::open(TerminalGuard& guard) {
#if NCURSES_VERSION_MAJOR >= 6
    // The size comes from the terminal itself, also when LINES and COLUMNS
    // are set in the environment, so that resizing works. (The older ncurses
    // of macOS asks the terminal unless they are set.)
    use_tioctl(TRUE);
#endif
    // In a UTF-8 locale the frame's lines are Unicode characters, as the
    // splash's half blocks are: some terminals ignore the line-drawing
    // character set while they decode UTF-8.
    m_utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    if (m_utf8) {
        setenv("NCURSES_NO_UTF8_ACS", "1", 0);
    }
    m_screen = newterm(nullptr, stdout, stdin);
    if (m_screen == nullptr) {
        return false;
    }
    set_term(m_screen);
    guard.learnLeavingSequence();
    cbreak();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    leaveok(stdscr, TRUE);
    curs_set(0);
    // A lone Escape is told from the start of an arrow's sequence by the
    // pause after it. A local terminal sends a sequence in one write, but a
    // slow link or a terminal multiplexer can split it by tens of
    // milliseconds; 100 ms covers those and still answers Escape at once to
    // the eye. ncurses has already taken the player's ESCDELAY, if set.
    if (std::getenv("ESCDELAY") == nullptr) {
#if NCURSES_VERSION_MAJOR >= 6
        set_escdelay(kEscapeDelayMs);
#else
        ESCDELAY = kEscapeDelayMs;
#endif
    }
    setUpColours();
    return true;
}

void TermScreen::leave() {
    if (!isendwin()) {
        endwin();
    }
}

void TermScreen::comeBack() {
    // What the player set in the shell meanwhile is what to restore later.
    def_shell_mode();
    // The first refresh after endwin() enters full-screen mode again, but
    // leaves the keypad in the cursor mode the shell had: an arrow would
    // then arrive as Escape and two letters.
    refresh();
    keypad(stdscr, TRUE);
    repaintAll();
}

void TermScreen::resize() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) {
        resizeterm(size.ws_row, size.ws_col);
    }
    repaintAll();
}

void TermScreen::repaintAll() {
    clearok(curscr, TRUE);
}

void TermScreen::setUpColours() {
    if (!has_colors() || start_color() == ERR) {
        return;
    }
    // Outside the board the terminal keeps its own colours, light or dark.
    use_default_colors();
    // Colours as terminfo describes the terminal: direct colour where it
    // says so, else 256 colours, else the basic eight with bold for bright.
    m_colours = Colours::Basic;
#if NCURSES_EXT_COLORS
    if (tigetflag("RGB") > 0 || COLORS >= 0x1000000) {
        m_colours = Colours::Direct;
    } else
#endif
        if (COLORS >= 256) {
        m_colours = Colours::Indexed;
    }
    m_pairs.clear();
    pairOf(kGreen, kBlack); // becomes kBoardPair
}

int TermScreen::colourOf(std::uint32_t rgb) const {
    switch (m_colours) {
    case Colours::Direct:
        return int(rgb == kBlack ? kDirectBlack : rgb);
    case Colours::Indexed:
        return nearestIndexed(rgb);
    default:
        return (rgb >> 8 & 0xFF) >= 0x60 ? COLOR_GREEN : COLOR_BLACK;
    }
}

int TermScreen::pairOf(std::uint32_t foreground, std::uint32_t background) {
    const std::pair<int, int> colours{colourOf(foreground), colourOf(background)};
    const auto found = m_pairs.find(colours);
    if (found != m_pairs.end()) {
        return found->second;
    }
    const int pair = int(m_pairs.size()) + 1;
    if (pair >= std::min(COLOR_PAIRS, SHRT_MAX)) {
        return kBoardPair; // out of pairs: the splash's last shades go green
    }
#if NCURSES_EXT_COLORS
    init_extended_pair(pair, colours.first, colours.second);
#else
    init_pair(short(pair), short(colours.first), short(colours.second));
#endif
    m_pairs.emplace(colours, pair);
    return pair;
}

void TermScreen::drawTooSmall() {
    erase();
    attr_set(A_NORMAL, 0, nullptr);
    const std::string_view text = COLS >= int(kTooSmall.size()) ? kTooSmall : kTooSmallShort;
    const int width = std::min(COLS, int(text.size()));
    mvaddnstr(LINES / 2, (COLS - width) / 2, text.data(), width);
    refresh();
}

bool TermScreen::drawSplash() {
    erase();
    const SplashPicture picture = m_utf8 && m_colours != Colours::None
                                      ? splashPictureFitting(COLS - 4, LINES - 2)
                                      : SplashPicture{};
    const int top = (LINES - picture.height / 2) / 2;
    const int left = (COLS - picture.width) / 2;
    if (picture.width > 0) {
        // A black strip behind the picture, as the splash window has.
        usePair(pairOf(kBlack, kBlack), A_NORMAL);
        fill(top - 1, left - 2, picture.height / 2 + 2, picture.width + 4);
        for (int y = 0; y < picture.height; y += 2) {
            for (int x = 0; x < picture.width; ++x) {
                usePair(pairOf(picture.at(x, y), picture.at(x, y + 1)), A_NORMAL);
                mvaddstr(top + y / 2, left + x, kUpperHalfBlock);
            }
        }
    } else {
        // Without colours or UTF-8 the title is the game's name in letters.
        const std::string title = "Vantrel";
        if (COLS < textWidth(title) || LINES < 1) {
            drawTooSmall();
            return false;
        }
        usePair(m_colours == Colours::None ? 0 : kBoardPair, A_BOLD);
        mvaddstr(LINES / 2, (COLS - textWidth(title)) / 2, title.c_str());
    }
    refresh();
    return true;
}

bool TermScreen::drawBoard(const std::array<std::string, kRows>& rows, const std::string& news,
                           const BoxView* box) {
    erase();
    const bool boardFits = COLS >= kFrameWidth && LINES >= kBoardHeight;
    if (!boardFits && box == nullptr) {
        drawTooSmall();
        return false;
    }
    if (boardFits) {
        const int top = (LINES - kBoardHeight) / 2;
        const int left = (COLS - kFrameWidth) / 2;
        const bool colour = m_colours != Colours::None;
        // With eight colours, bold is what makes the basic green bright.
        usePair(colour ? kBoardPair : 0, m_colours == Colours::Basic ? A_BOLD : A_NORMAL);
        fill(top, left, kFrameHeight, kFrameWidth);
        frame(top, left, kFrameHeight, kFrameWidth, "Vantrel");
        // The glyphs bold, as the board's font is, where colours allow it.
        usePair(colour ? kBoardPair : 0, colour ? A_BOLD : A_NORMAL);
        for (int row = 0; row < kRows; ++row) {
            mvaddnstr(top + 1 + row, left + 2, rows[std::size_t(row)].c_str(), kColumns);
        }
        usePair(0, A_NORMAL);
        const int newsWidth = std::min(COLS, textWidth(news));
        mvaddnstr(top + kFrameHeight, (COLS - newsWidth) / 2, news.c_str(), newsWidth);
    }
    // A box waits for its answer at any size, so it is always drawn (over
    // the board, or alone where the board does not fit) and never hidden
    // behind the too-small line, which would leave its keys unanswerable.
    if (box != nullptr) {
        drawBox(*box);
    }
    refresh();
    return true;
}

void TermScreen::drawBox(const BoxView& box) {
    std::vector<std::string> labels;
    int buttonsWidth = -2;
    for (std::size_t i = 0; i < box.buttons.size(); ++i) {
        // The focused button is bracketed as well as highlighted, so that it
        // shows without colours or reverse video too.
        const bool focused = int(i) == box.focus;
        labels.push_back((focused ? "[ " : "  ") + box.buttons[i] + (focused ? " ]" : "  "));
        buttonsWidth += textWidth(labels.back()) + 2;
    }
    // Whole where it fits: the text within a margin, a blank line above the
    // buttons. Else compact: the text against the border, no blank line, and
    // as many lines as the terminal holds. Else the buttons on one line.
    int margin = 1;
    std::vector<std::string> lines = wrap(box.text, std::min(kBoxTextWidth, COLS - 4));
    int inner = std::max(buttonsWidth, textWidth(box.title) + 2);
    for (const std::string& line : lines) {
        inner = std::max(inner, textWidth(line));
    }
    inner += 2 * margin;
    int height = int(lines.size()) + 4;
    if (inner + 2 > COLS || height > LINES) {
        margin = 0;
        lines = wrap(box.text, COLS - 2);
        inner = COLS - 2;
        height = std::min(int(lines.size()) + 3, LINES);
        const std::size_t shown = std::size_t(std::max(height - 3, 0));
        if (shown < lines.size()) {
            lines.resize(shown);
            if (shown > 0) {
                // The text goes on beyond the terminal: say so.
                std::string& last = lines.back();
                last = last.substr(0, std::size_t(std::max(inner - 3, 0))) + "...";
            }
        }
    }
    if (lines.empty() || buttonsWidth > inner) {
        drawBoxLine(box, labels);
        return;
    }
    const int width = inner + 2;
    const int top = (LINES - height) / 2;
    const int left = (COLS - width) / 2;
    usePair(0, A_NORMAL);
    fill(top, left, height, width);
    frame(top, left, height, width, box.title);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        mvaddstr(top + 1 + int(i), left + 1 + margin, lines[i].c_str());
    }
    drawButtons(labels, top + height - 2, left + (width - buttonsWidth) / 2, box.focus);
}

void TermScreen::drawBoxLine(const BoxView& box, const std::vector<std::string>& labels) {
    // The title, or the text where there is none, then the buttons; in a
    // terminal too narrow for all of them, the marked button alone.
    std::vector<std::string> shown = labels;
    int buttonsWidth = -2;
    for (const std::string& label : shown) {
        buttonsWidth += textWidth(label) + 2;
    }
    if (buttonsWidth > COLS) {
        shown = {labels[std::size_t(box.focus)]};
        buttonsWidth = textWidth(shown.front());
    }
    std::string lead = box.title.empty() ? box.text.substr(0, box.text.find('\n')) : box.title;
    lead = lead.substr(0, std::size_t(std::max(COLS - buttonsWidth - 2, 0)));
    const int width = std::min(COLS, textWidth(lead) + (lead.empty() ? 0 : 2) + buttonsWidth);
    const int y = LINES / 2;
    const int left = (COLS - width) / 2;
    usePair(0, A_NORMAL);
    mvhline(y, 0, ' ', COLS);
    mvaddnstr(y, left, lead.c_str(), COLS);
    drawButtons(shown, y, std::max(left + width - buttonsWidth, 0),
                shown.size() == labels.size() ? box.focus : 0);
}

void TermScreen::drawButtons(const std::vector<std::string>& labels, int y, int x, int focus) {
    for (std::size_t i = 0; i < labels.size(); ++i) {
        usePair(0, int(i) == focus ? A_REVERSE : A_NORMAL);
        mvaddnstr(y, x, labels[i].c_str(), std::max(COLS - x, 0));
        x += textWidth(labels[i]) + 2;
    }
    usePair(0, A_NORMAL);
}
