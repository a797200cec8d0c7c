#include "QtArguments.h"
#include "frmSplash.h"

#include <QApplication>
#include <QIcon>

// The game started as the real program starts it, except that it does not
// ask Qt to join the accessibility bus when no screen reader is on yet: the
// baseline bench/accessibility.py measures that choice against.
int main(int argc, char* argv[]) {
    QtArguments arguments(argc, argv);
    QApplication app(arguments.argc(), arguments.argv());
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/vantrel.png")));

    frmSplash splash;
    splash.show();
    return QApplication::exec();
}
