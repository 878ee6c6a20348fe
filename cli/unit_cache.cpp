#include "unit_cache.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QSaveFile>

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

void rememberUnits(const QList<Discovery::DeviceRow>& rows, const QProcessEnvironment& environment) {
    const QString path = unitCachePath(environment);
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).path()))
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(unitCacheText(rows)) < 0)
        return;
    file.commit();
}

} // namespace Cli
