#include "GameProgram.h"

#include "DisplayCheck.h"
#include "RuntimeFolder.h"
#include "StartupNotice.h"
#include "Utf8Locale.h"
#include "Version.h"
#include "frmMain.h"

#include <QApplication>
#include <QIcon>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

int runGame(int argc, char* argv[], const std::function<void(frmMain&)>& beforeShow) {
    const std::string problem = missingDisplayMessage();
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return EXIT_FAILURE;
    }

    choosePlatform();
    const QByteArray startupId = launchStartupId();
    nameRuntimeFolderWhenUnset();
    useUtf8CharactersWhenUnset();
    // The game takes no command line, and Qt gets the program's name alone:
    // it would otherwise act on options of its own such as -stylesheet,
    // -reverse or -qwindowtitle. Qt's environment variables (QT_QPA_PLATFORM,
    // QT_SCALE_FACTOR, ...) still work. Qt keeps a reference to the count, so
    // these outlive the application.
    std::string name = argc > 0 && argv[0] != nullptr ? argv[0] : "vantrel";
    std::array<char*, 2> qtArgv = {name.data(), nullptr};
    int qtArgc = 1;
    QApplication app(qtArgc, qtArgv.data());
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(
        QString::fromUtf8(kVersion.data(), static_cast<qsizetype>(kVersion.size())));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/vantrel.png")));
    // The desktop entry's name: the windows' app_id on Wayland, and on X11 the
    // hint that ties them to the entry, so that docks show its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VANTREL_APP_ID));
    nameDesktopEntryOnWindows();

    frmMain game;
    markStartupWindow(game.splash(), startupId);
    if (beforeShow) {
        beforeShow(game);
    }
    game.session().load(game.nowMs());
    return QApplication::exec();
}
