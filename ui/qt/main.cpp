#include "DisplayCheck.h"
#include "frmSplash.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <string>

// The game takes no command line of its own; argv goes to Qt untouched.
int main(int argc, char* argv[]) {
    const std::string problem = missingDisplayMessage();
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/vantrel.png")));

    frmSplash splash;
    splash.show();
    return QApplication::exec();
}
