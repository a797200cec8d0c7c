// The smallest ncurses program that does what vantrel-term does between
// keys: eight rows of 15 cells, green on black, redrawn every 250 ms, ended by
// q. bench/term.py measures its memory and file beside vantrel-term's. It uses
// nothing of C++, and is linked so that it does not load the C++ runtime, as
// the same program written in C would not.
#include <clocale>
#include <curses.h>

int main() {
    std::setlocale(LC_ALL, "");
    initscr();
    cbreak();
    noecho();
    keypad(stdscr, TRUE);
    curs_set(0);
    if (has_colors()) {
        start_color();
        init_pair(1, COLOR_GREEN, COLOR_BLACK);
    }
    timeout(250);
    for (int beat = 0; getch() != 'q'; ++beat) {
        attron(COLOR_PAIR(1) | A_BOLD);
        for (int row = 0; row < 8; ++row) {
            mvaddstr(row + 1, 2, (beat + row) % 2 == 0 ? "V V V V        " : " V V V V       ");
        }
        refresh();
    }
    endwin();
    return 0;
}
