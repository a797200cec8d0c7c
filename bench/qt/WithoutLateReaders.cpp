#include "GameProgram.h"

// The game started as the real program starts it, except that it does not
// ask Qt to join the accessibility bus when no screen reader is on yet: the
// baseline bench/accessibility.py measures that choice against.
int main(int argc, char* argv[]) {
    return runGame(argc, argv);
}
