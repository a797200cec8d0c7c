#include "RuntimeFolder.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)

#include <pwd.h>
#include <unistd.h>

void nameRuntimeFolderWhenUnset() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        return;
    }
    // Qt's own fallback: runtime-<user name> in the temporary folder. A user
    // with no name in the password database gets the number instead.
    const uid_t uid = geteuid();
    const passwd* entry = getpwuid(uid);
    const QString user =
        entry != nullptr ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
    qputenv("XDG_RUNTIME_DIR",
            QFile::encodeName(QDir::tempPath() + QStringLiteral("/runtime-") + user));
}

#else

// Elsewhere Qt has no runtime folder to warn about.
void nameRuntimeFolderWhenUnset() {}

#endif
