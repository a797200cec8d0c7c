#include "TermShell.h"

#include "KeyCommands.h"
#include "TermScreen.h"
#include "TerminalGuard.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <curses.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kEscape = 27;
constexpr int kCtrlL = 12;
// A key pressed with Alt: no key of the game, in a box or out of one.
constexpr int kAltKey = 0;
// The keys only the terminal has, added to the help box's text.
constexpr std::string_view kHelpKeys =
    "\nF1 or ? opens this help, Q asks to quit as Escape does, and Y or N answers.";

std::int64_t monotonicMs() {
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return std::int64_t(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

// A terminal key as the Windows virtual key code the game knows, or 0, which
// it ignores, for the keys it does not use. Many terminal emulators keep F1
// for their own help, so `?` asks for help as well, and `q` asks to quit, as
// it does in most terminal programs.
std::int16_t virtualKey(int key) {
    switch (key) {
    case KEY_LEFT:
        return kKeyLeft;
    case KEY_RIGHT:
        return kKeyRight;
    case ' ':
        return kKeySpace;
    case kEscape:
    case 'q':
    case 'Q':
        return kKeyEscape;
    case 'x':
    case 'X':
        return kKeyX;
    case KEY_F(1):
    case '?':
        return kKeyF1;
    default:
        return 0;
    }
}

} // namespace

TermShell::TermShell(TerminalGuard& guard, TermScreen& screen) : m_guard(guard), m_screen(screen) {}

int TermShell::run() {
    m_session.load(now());
    while (m_running) {
        draw();
        pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {m_guard.pipeFd(), POLLIN, 0}};
        const bool failed = poll(waits, 2, msUntilNextEvent()) < 0 && errno != EINTR;
        handleSignals();
        if (failed || waits[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // The terminal went away without a hangup signal reaching us.
            m_guard.dieBy(SIGHUP, [this] { m_screen.leave(); });
        }
        if (waits[0].revents & POLLIN) {
            readKeys();
        }
        runTimers();
    }
    m_screen.leave();
    m_guard.restoreSettings();
    return 0;
}

std::int64_t TermShell::now() const {
    return m_pausedSince.value_or(monotonicMs()) - m_pausedMs;
}

void TermShell::pauseClock() {
    if (!m_pausedSince) {
        m_pausedSince = monotonicMs();
    }
}

void TermShell::resumeClock() {
    if (m_pausedSince) {
        m_pausedMs += monotonicMs() - *m_pausedSince;
        m_pausedSince.reset();
    }
}

int TermShell::msUntilNextEvent() const {
    std::optional<std::int64_t> due;
    if (m_fits && m_session.splashShowing()) {
        due = m_splashEndsMs;
    } else if (m_fits && m_session.stepTimerRunning()) {
        due = m_session.nextStepDueMs();
    }
    return due ? int(std::max<std::int64_t>(*due - now(), 0)) : -1;
}

void TermShell::draw() {
    if (!m_dirty) {
        return;
    }
    m_dirty = false;
    if (m_session.splashShowing()) {
        m_fits = m_screen.drawSplash();
    } else {
        std::array<std::string, kRows> rows;
        for (int row = 0; row < kRows; ++row) {
            rows[std::size_t(row)] = m_session.rowText(row);
        }
        std::optional<BoxView> box;
        if (const auto& request = m_session.openBox()) {
            box = BoxView{request->title, request->prompt, {"OK"}, m_boxFocus};
            if (request->buttons == kButtonsYesNo) {
                box->buttons = {"Yes", "No"};
            }
            if (request->kind == BoxKind::Help) {
                box->text += std::string(kHelpKeys);
            }
        }
        m_fits = m_screen.drawBoard(rows, m_session.lastNews(), box ? &*box : nullptr);
    }
    // A terminal too small to show the game pauses it until it is larger.
    if (m_fits) {
        resumeClock();
    } else {
        pauseClock();
    }
}

void TermShell::handleSignals() {
    for (;;) {
        switch (m_guard.nextEvent()) {
        case TerminalGuard::Event::None:
            return;
        case TerminalGuard::Event::Quit:
            m_guard.dieBy(m_guard.quitSignal(), [this] { m_screen.leave(); });
        case TerminalGuard::Event::Suspend:
            pauseClock();
            m_guard.suspend([this] { m_screen.leave(); });
            m_guard.resaveSettings();
            m_screen.comeBack();
            break;
        case TerminalGuard::Event::Continue:
            m_screen.repaintAll();
            break;
        case TerminalGuard::Event::Resize:
            m_screen.resize();
            break;
        }
        m_dirty = true;
    }
}

int TermShell::nextKey() {
    const int key = getch();
    if (key != kEscape) {
        return key;
    }
    // An Escape with another key right behind it, within the wait for a
    // sequence, is that key with Alt (or Meta) held: the two are one key,
    // which the game does not use.
    return getch() == ERR ? kEscape : kAltKey;
}

void TermShell::readKeys() {
    int key = 0;
    while (m_running && (key = nextKey()) != ERR) {
        if (key == kCtrlL) {
            // Whatever the game shows, drawn again from scratch over
            // anything another program wrote on the terminal.
            m_screen.repaintAll();
            m_dirty = true;
            continue;
        }
        if (!m_fits) {
            continue; // the game is paused and hidden: keys would act blind
        }
        if (m_session.openBox()) {
            boxKey(key);
        } else {
            m_session.keyDown(virtualKey(key), now());
        }
    }
}

void TermShell::runTimers() {
    if (!m_fits || !m_running) {
        return;
    }
    if (m_session.splashShowing() && now() >= m_splashEndsMs) {
        m_session.splashTimer(now());
    } else if (m_session.stepTimerRunning() && now() >= m_session.nextStepDueMs()) {
        m_session.step(now());
    }
}

void TermShell::showSplash(std::int64_t endsMs) {
    m_splashEndsMs = endsMs;
    m_dirty = true;
}

void TermShell::showBox(const BoxRequest& /*box*/) {
    // The first button is the default; the loop answers once it is chosen.
    m_boxFocus = 0;
    m_dirty = true;
}

void TermShell::boxKey(int key) {
    const BoxRequest& box = *m_session.openBox();
    const bool yesNo = box.buttons == kButtonsYesNo;
    std::int16_t answer = 0;
    switch (key) {
    case '\t':
    case KEY_BTAB:
        m_boxFocus = yesNo ? 1 - m_boxFocus : 0;
        break;
    case KEY_LEFT:
    case KEY_UP:
        m_boxFocus = 0;
        break;
    case KEY_RIGHT:
    case KEY_DOWN:
        m_boxFocus = yesNo ? 1 : 0;
        break;
    case '\r':
    case '\n':
    case KEY_ENTER:
        answer = box.answerOf(m_boxFocus);
        break;
    case kEscape:
        answer = box.escapeAnswer;
        break;
    case 'y':
    case 'Y':
    case 'n':
    case 'N':
        if (!yesNo) {
            return;
        }
        answer = key == 'y' || key == 'Y' ? kAnswerYes : kAnswerNo;
        break;
    default:
        return;
    }
    m_dirty = true;
    if (answer != 0) {
        m_session.answerBox(answer, now());
    }
}
