#include "AccessibleWindows.h"
#include "DisplayCheck.h"
#include "QtArguments.h"
#include "RuntimeFolder.h"
#include "StartupNotice.h"
#include "frmSplash.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <string>

// The game takes no command line: every argument is ignored, and Qt gets the
// program's name alone. Qt's environment variables (QT_QPA_PLATFORM,
// QT_SCALE_FACTOR, ...) still work.
int main(int argc, char* argv[]) {
    const std::string problem = missingDisplayMessage();
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return EXIT_FAILURE;
    }

    const QByteArray startupId = launchStartupId();
    joinAccessibilityBusWhenPresent();
    nameRuntimeFolderWhenUnset();
    QtArguments arguments(argc, argv);
    QApplication app(arguments.argc(), arguments.argv());
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/vantrel.png")));

    frmSplash splash;
    markStartupWindow(splash, startupId);
    splash.show();
    return QApplication::exec();
}
