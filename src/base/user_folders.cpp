#include "base/user_folders.h"

#include <QDir>
#include <QFile>

namespace Base {

QString configFolder(const QProcessEnvironment& environment) {
    QString config = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    // As the XDG rules say: a relative value is ignored.
#ifdef Q_OS_WIN
    // Otherwise a Windows user's settings sit in the roaming application data.
    const QString appData = environment.value(QStringLiteral("APPDATA"));
    if (!QDir::isAbsolutePath(config) && QDir::isAbsolutePath(appData))
        config = QDir::fromNativeSeparators(appData);
#endif
    if (!QDir::isAbsolutePath(config)) {
        const QString home = environment.value(QStringLiteral("HOME"));
        if (home.isEmpty())
            return {};
        config = home + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/zuredor");
}

std::string platformPath(const QString& path) {
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

} // namespace Base
