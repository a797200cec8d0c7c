#include "TermScreen.h"
#include "TermShell.h"
#include "TerminalGuard.h"
#include "Version.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr char kUsage[] = "usage: vantrel-term [--help | --version]\n";
constexpr char kHelp[] =
    "Play Vantrel, the small arcade game on a board of green text, in this terminal.\n"
    "\n"
    "Keys: Left and Right move the cannon, Space fires, X starts a new game,\n"
    "F1 or ? shows help, Escape asks whether to quit. Ctrl+Z suspends the game.\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n";

int fail(const char* sentence) {
    std::fprintf(stderr, "vantrel-term: %s\n", sentence);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vantrel-term %.*s\n", int(kVersion.size()), kVersion.data());
        return 0;
    }
    if (argc > 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        return fail("standard input and output must be a terminal to play in.");
    }
    const char* term = std::getenv("TERM");
    if (term == nullptr || *term == '\0' || std::strcmp(term, "dumb") == 0) {
        return fail("TERM is unset or dumb; set it to your terminal's type.");
    }
    std::setlocale(LC_ALL, "");

    TerminalGuard guard;
    TermScreen screen;
    if (!screen.open(guard)) {
        return fail("this terminal's type (TERM) is unknown or too limited.");
    }
    TermShell shell(guard, screen);
    return shell.run();
}
