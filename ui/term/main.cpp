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

constexpr char kUsage[] = "usage: vantrel-term [-h | --help | -V | --version]\n";
constexpr char kHelp[] =
    "Play Vantrel, the small arcade game on a board of green text, in this terminal.\n"
    "\n"
    "Keys: Left and Right move the cannon, Space fires, X starts a new game,\n"
    "F1 or ? shows help, Escape or Q asks whether to quit, Y or N answers.\n"
    "Ctrl+L redraws the screen, Ctrl+Z suspends the game.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "  -V, --version  show the version and exit\n";

int fail(const char* sentence) {
    std::fprintf(stderr, "vantrel-term: %s\n", sentence);
    return 2;
}

bool is(const char* argument, const char* shortForm, const char* longForm) {
    return std::strcmp(argument, shortForm) == 0 || std::strcmp(argument, longForm) == 0;
}

// A bad command line: what was wrong with it, then the usage.
int misused(const char* what, const char* argument) {
    std::fprintf(stderr, "vantrel-term: %s '%s'\n%s", what, argument, kUsage);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1) {
        const char* option = argv[1];
        const bool help = is(option, "-h", "--help");
        if (!help && !is(option, "-V", "--version")) {
            return misused(option[0] == '-' ? "unknown option" : "unexpected argument", option);
        }
        if (argc > 2) {
            return misused("unexpected argument", argv[2]);
        }
        if (help) {
            std::printf("%s%s", kUsage, kHelp);
        } else {
            std::printf("vantrel-term %.*s\n", int(kVersion.size()), kVersion.data());
        }
        return 0;
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
