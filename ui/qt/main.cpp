#include "AccessibleWindows.h"
#include "GameProgram.h"

// The game takes no command line: runGame gives Qt the program's name alone.
// A screen reader started after the game still finds it.
int main(int argc, char* argv[]) {
    joinAccessibilityBusWhenPresent();
    return runGame(argc, argv);
}
