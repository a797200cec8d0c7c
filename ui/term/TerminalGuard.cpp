#include "TerminalGuard.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <curses.h>
#include <fcntl.h>
#include <initializer_list>
#include <termios.h>
#include <unistd.h>

namespace {

// Signal handlers can reach only globals. There is one terminal per program.
int g_pipe[2] = {-1, -1};
termios g_settings{};
bool g_haveSettings = false;
char g_leaving[256] = {};
std::size_t g_leavingLength = 0;

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

void writeAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

void onSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe means the loop has plenty to read already.
    [[maybe_unused]] const ssize_t ignored = write(g_pipe[1], &byte, 1);
    errno = saved;
}

// Only async-signal-safe calls: the program is in an unknown state.
void onCrash(int signal) {
    writeAll(STDOUT_FILENO, g_leaving, g_leavingLength);
    if (g_haveSettings) {
        tcsetattr(STDIN_FILENO, TCSADRAIN, &g_settings);
    }
    std::signal(signal, SIG_DFL);
    raise(signal);
}

void install(int signal, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Without SA_RESTART a signal also wakes the loop's poll() at once.
    action.sa_flags = handler == onCrash ? SA_RESETHAND : 0;
    sigaction(signal, &action, nullptr);
}

void appendCapability(const char* name) {
    const char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<const char*>(-1)) {
        return;
    }
    const std::size_t length = std::strlen(value);
    if (g_leavingLength + length < sizeof g_leaving) {
        std::memcpy(g_leaving + g_leavingLength, value, length);
        g_leavingLength += length;
    }
}

} // namespace

TerminalGuard::TerminalGuard() {
    g_haveSettings = tcgetattr(STDIN_FILENO, &g_settings) == 0;
    if (pipe(g_pipe) == 0) {
        for (int fd : g_pipe) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    for (int signal : kQuitSignals) {
        install(signal, onSignal);
    }
    for (int signal : {SIGTSTP, SIGCONT, SIGWINCH}) {
        install(signal, onSignal);
    }
    for (int signal : kCrashSignals) {
        install(signal, onCrash);
    }
}

TerminalGuard::~TerminalGuard() {
    restoreSettings();
}

void TerminalGuard::learnLeavingSequence() {
    g_leavingLength = 0;
    for (const char* name : {"sgr0", "cnorm", "rmkx", "rmcup"}) {
        appendCapability(name);
    }
}

int TerminalGuard::pipeFd() const {
    return g_pipe[0];
}

TerminalGuard::Event TerminalGuard::nextEvent() {
    unsigned char byte = 0;
    if (read(g_pipe[0], &byte, 1) != 1) {
        return Event::None;
    }
    switch (byte) {
    case SIGTSTP:
        return Event::Suspend;
    case SIGCONT:
        return Event::Continue;
    case SIGWINCH:
        return Event::Resize;
    default:
        m_quitSignal = byte;
        return Event::Quit;
    }
}

void TerminalGuard::restoreSettings() const {
    if (g_haveSettings) {
        tcsetattr(STDIN_FILENO, TCSADRAIN, &g_settings);
    }
}

void TerminalGuard::suspend(const std::function<void()>& leaveScreen) {
    leave(leaveScreen);
    std::signal(SIGTSTP, SIG_DFL);
    raise(SIGTSTP);
    // Here again after `fg`.
    install(SIGTSTP, onSignal);
}

void TerminalGuard::resaveSettings() {
    g_haveSettings = tcgetattr(STDIN_FILENO, &g_settings) == 0;
}

void TerminalGuard::dieBy(int signal, const std::function<void()>& leaveScreen) const {
    leave(leaveScreen);
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
    // A signal whose default is not to end the program still ends it.
    _exit(128 + signal);
}

void TerminalGuard::leave(const std::function<void()>& leaveScreen) const {
    // Once the rest of a stopped job has stopped, the shell takes the
    // terminal back, possibly before we are done: with SIGTTOU held, the
    // kernel lets a process outside the foreground set the terminal's modes
    // instead of stopping it halfway.
    sigset_t hold;
    sigset_t before;
    sigemptyset(&hold);
    sigaddset(&hold, SIGTTOU);
    sigprocmask(SIG_BLOCK, &hold, &before);
    leaveScreen();
    restoreSettings();
    sigprocmask(SIG_SETMASK, &before, nullptr);
}
