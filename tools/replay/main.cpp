// vantrel-replay: drives the game rules and key commands from a script on
// standard input, for golden tests and debugging. See README.md for the
// commands and the output format.
#include "ReplayCommand.h"
#include "ReplayShell.h"

#include <iostream>
#include <string>

int main() {
    std::ios::sync_with_stdio(false);
    ReplayShell ui(std::cout);

    std::string line;
    for (long lineNo = 1; std::getline(std::cin, line); ++lineNo) {
        const auto parsed = parseReplayLine(line);
        if (!parsed.command) {
            std::cout.flush();
            std::cerr << "line " << lineNo << ": " << parsed.error << '\n';
            return 2;
        }
        const ReplayCommand& c = *parsed.command;
        switch (c.kind) {
        case ReplayCommand::Kind::Skip:
            break;
        case ReplayCommand::Kind::Tick:
            ui.tick();
            ui.printBoard();
            break;
        case ReplayCommand::Kind::Key:
            ui.key(c.code);
            break;
        case ReplayCommand::Kind::Answer:
            ui.setNextAnswer(c.answer);
            break;
        case ReplayCommand::Kind::State:
            ui.printState();
            break;
        }
        if (ui.ended()) {
            std::cout << "end\n";
            return 0;
        }
    }
    return 0;
}
