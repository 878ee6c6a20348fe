#include "unit_name.h"

#include "device_commands.h"
#include "terminal_text.h"

#include "base/network_settings.h"
#include "discovery/discovery_scan.h"

#include <cstdio>

namespace Cli {

namespace {

QString quotedName(const QString& name) {
    return u'"' + QString::fromUtf8(terminalSafe(name.toUtf8())) + u'"';
}

void sayOnStandardError(const QString& words) {
    const QByteArray line = "zuredor-cli: " + terminalSafe(words.toUtf8()) + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

bool allDigits(const QString& text) {
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool hasControl(const QString& text) {
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return true;
    }
    return false;
}

} // namespace

std::optional<QString> unitArgumentRefusal(const QString& text) {
    if (Base::isDottedIpv4(text))
        return std::nullopt;
    if (text.isEmpty())
        return QStringLiteral("give the unit's dotted IPv4 address or its host name");
    if (text.contains(u'.') || text.contains(u':') || allDigits(text))
        return QStringLiteral("%1 is not a dotted IPv4 address such as 192.168.1.20; a unit's host name has no "
                              "\".\" or \":\", and no name is ever looked up in DNS")
            .arg(quotedName(text.left(64)));
    if (text.size() > kMaxHostNameCharacters || hasControl(text))
        return QStringLiteral("%1 can be no unit's host name: those have at most %2 characters and no control "
                              "characters")
            .arg(quotedName(text.left(64)))
            .arg(kMaxHostNameCharacters);
    return std::nullopt;
}

QList<Discovery::DeviceRow> rowsNamed(const QList<Discovery::DeviceRow>& rows, const QString& name) {
    QList<Discovery::DeviceRow> named;
    for (const Discovery::DeviceRow& row : rows) {
        if (Discovery::displayText(row.reply.hostName) == name)
            named.append(row);
    }
    return named;
}

FoundUnit judgeNamedRows(const QString& name, const QList<Discovery::DeviceRow>& rows, const QString& queryWentTo) {
    const QList<Discovery::DeviceRow> named = rowsNamed(rows, name);
    if (named.isEmpty()) {
        return {{},
                kExitUnreachable,
                QStringLiteral("no unit named %1 answered within %2 s (the query went to %3); give its address, or "
                               "--broadcast ADDR[,ADDR...] to ask elsewhere")
                    .arg(quotedName(name))
                    .arg(static_cast<double>(kNameScanWait.count()) / 1000.0)
                    .arg(queryWentTo)};
    }
    if (named.size() > 1) {
        QStringList addresses;
        for (const Discovery::DeviceRow& row : named)
            addresses << row.ip;
        return {{},
                kExitRefused,
                QStringLiteral("%1 units are named %2: %3; give the address of the one you mean")
                    .arg(named.size())
                    .arg(quotedName(name))
                    .arg(addresses.join(QStringLiteral(", ")))};
    }
    return {named.constFirst().ip, kExitDone, QStringLiteral("%1 is %2").arg(quotedName(name), named.constFirst().ip)};
}

FoundUnit findUnitNamed(const QString& name, const GlobalOptions& global) {
    const QList<Discovery::QueryTarget> targets = Discovery::targetsFor(global.network.broadcast);
    const Discovery::ScanResult scan = Discovery::ScanOnce({targets, global.network.discoveryPort, kNameScanWait});
    FoundUnit found;
    if (scan.error) {
        const QString what = scan.error->kind == Discovery::ScanErrorKind::Bind
                                 ? QStringLiteral("cannot listen on UDP port %1").arg(global.network.discoveryPort)
                                 : QStringLiteral("cannot send the query");
        found = {
            {},
            kExitUnreachable,
            QStringLiteral("looking for the unit named %1: %2: %3").arg(quotedName(name), what, scan.error->detail)};
    } else {
        QStringList wentTo;
        for (const Discovery::QueryTarget& target : targets)
            wentTo << target.address.toString();
        found = judgeNamedRows(name, scan.rows, wentTo.join(QStringLiteral(", ")));
    }
    sayOnStandardError(found.words);
    if (found.exitCode != kExitDone && global.json)
        writeFailure(name, found.exitCode, found.words);
    return found;
}

} // namespace Cli
