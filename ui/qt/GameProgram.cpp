#include "GameProgram.h"

#include "AccessibleWindows.h"
#include "DisplayCheck.h"
#include "QtArguments.h"
#include "RuntimeFolder.h"
#include "StartupNotice.h"
#include "Version.h"
#include "frmSplash.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <string>

int runGame(int argc, char* argv[], const std::function<void(frmSplash&)>& beforeShow,
            LateReaders lateReaders) {
    const std::string problem = missingDisplayMessage();
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return EXIT_FAILURE;
    }

    const QByteArray startupId = launchStartupId();
    if (lateReaders == LateReaders::Join) {
        joinAccessibilityBusWhenPresent();
    }
    nameRuntimeFolderWhenUnset();
    // Every argument is ignored: Qt gets the program's name alone. Qt's
    // environment variables (QT_QPA_PLATFORM, QT_SCALE_FACTOR, ...) still work.
    QtArguments arguments(argc, argv);
    QApplication app(arguments.argc(), arguments.argv());
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(
        QString::fromUtf8(kVersion.data(), static_cast<qsizetype>(kVersion.size())));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/vantrel.png")));

    frmSplash splash;
    markStartupWindow(splash, startupId);
    if (beforeShow) {
        beforeShow(splash);
    }
    splash.show();
    return QApplication::exec();
}
