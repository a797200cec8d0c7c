#include "GameProgram.h"

// The game takes no command line: runGame gives Qt the program's name alone.
int main(int argc, char* argv[]) {
    return runGame(argc, argv);
}
