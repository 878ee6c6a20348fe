#include "unit_cache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QTemporaryFile>

#include <cstdio>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace Cli {

namespace {

// A flood of answers makes no list anyone completes from.
constexpr qsizetype kMostUnits = 4096;
constexpr qsizetype kLongestName = 64;

bool shellSafe(const QByteArray& name) {
    if (name.isEmpty() || name.size() > kLongestName || name.startsWith('-'))
        return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '_' || c == '=' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

QString unitCachePath(const QProcessEnvironment& environment) {
    QString cache = environment.value(QStringLiteral("XDG_CACHE_HOME"));
    // As the XDG rules say: a relative value is ignored.
    if (!QDir::isAbsolutePath(cache)) {
#ifdef Q_OS_WIN
        // A Windows user's caches sit in the local application data.
        const QString local = environment.value(QStringLiteral("LOCALAPPDATA"));
        if (QDir::isAbsolutePath(local))
            return QDir::fromNativeSeparators(local) + QStringLiteral("/zuredor/units");
#endif
        const QString home = environment.value(QStringLiteral("HOME"));
        if (home.isEmpty())
            return {};
        cache = home + QStringLiteral("/.cache");
    }
    return cache + QStringLiteral("/zuredor/units");
}

QByteArray unitCacheText(const QList<Discovery::DeviceRow>& rows) {
    QByteArray text;
    qsizetype kept = 0;
    for (const Discovery::DeviceRow& row : rows) {
        if (kept == kMostUnits)
            break;
        const QHostAddress address(row.ip);
        if (address.protocol() != QAbstractSocket::IPv4Protocol || address.toString() != row.ip)
            continue;
        text += row.ip.toLatin1();
        if (shellSafe(row.reply.hostName))
            text += '\t' + row.reply.hostName;
        text += '\n';
        ++kept;
    }
    return text;
}

QString rememberUnits(const QList<Discovery::DeviceRow>& rows, const QProcessEnvironment& environment) {
    const QString path = unitCachePath(environment);
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).path()))
        return {};
#ifdef Q_OS_WIN
    // A link (or junction) or folder there is someone else's, and is left as it is.
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
        return QStringLiteral("the list of units is not kept: %1 is %2, not a file of its own")
            .arg(path, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? QStringLiteral("a symbolic link")
                                                                        : QStringLiteral("not a plain file"));
#else
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    // lstat: a link, FIFO or folder there is someone else's, and is left as it is.
    if (::lstat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return QStringLiteral("the list of units is not kept: %1 is %2, not a file of its own")
            .arg(path,
                 S_ISLNK(status.st_mode) ? QStringLiteral("a symbolic link") : QStringLiteral("not a plain file"));
#endif
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open() || file.write(unitCacheText(rows)) < 0 || !file.flush())
        return {};
    file.close();
#ifdef Q_OS_WIN
    // Windows' rename() refuses a name that is there; this replaces it, the name itself.
    const std::wstring temporary = QDir::toNativeSeparators(file.fileName()).toStdWString();
    if (MoveFileExW(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING) != 0)
        file.setAutoRemove(false);
#else
    // rename() replaces the name itself: whatever takes its place meanwhile is never followed.
    if (std::rename(QFile::encodeName(file.fileName()).constData(), name.constData()) == 0)
        file.setAutoRemove(false);
#endif
    return {};
}

} // namespace Cli
