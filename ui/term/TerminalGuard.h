#pragma once

#include <functional>

// The terminal belongs to the player: whatever way the program leaves, the
// terminal must be as it was. The guard keeps the settings it found and the
// strings that undo full-screen mode, turns the signals that end, stop or
// resize the program into bytes on a pipe that the main loop reads between
// events, and on a crash puts the terminal back from inside the handler.
class TerminalGuard {
public:
    // Signals the main loop hears about through pipeFd().
    enum class Event { None, Quit, Suspend, Continue, Resize };

    // Saves the terminal's settings and installs the handlers; call before
    // ncurses starts, so that ncurses leaves these signals to us.
    TerminalGuard();
    ~TerminalGuard();

    TerminalGuard(const TerminalGuard&) = delete;
    TerminalGuard& operator=(const TerminalGuard&) = delete;

    // The strings that leave full-screen mode (attributes off, cursor shown,
    // keypad and alternate screen left), written by the crash handler. Call
    // once ncurses has loaded the terminal's description.
    void learnLeavingSequence();

    // Becomes readable when a signal arrived.
    int pipeFd() const;
    // The next signal waiting on the pipe, or None.
    Event nextEvent();
    // The signal number behind the last Quit.
    int quitSignal() const { return m_quitSignal; }

    // Puts the terminal's settings back as they were found. ncurses has
    // already left full-screen mode by then.
    void restoreSettings() const;
    // Leaves full-screen mode with `leaveScreen` and the saved settings, then
    // stops the program as Ctrl+Z asks; returns once it is continued.
    void suspend(const std::function<void()>& leaveScreen);
    // After a continue, the player may have changed the terminal's settings
    // in the shell: those are now the ones to give back.
    void resaveSettings();
    // Leaves full-screen mode the same way, then ends the program by the
    // signal that asked for it, so that the parent sees the usual status.
    [[noreturn]] void dieBy(int signal, const std::function<void()>& leaveScreen) const;

private:
    void leave(const std::function<void()>& leaveScreen) const;

    int m_quitSignal = 0;
};
