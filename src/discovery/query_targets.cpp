#include "discovery/query_targets.h"

#include <QNetworkInterface>

namespace Discovery {

namespace {

using namespace std::chrono_literals;

// The broadcast address of an IPv4 entry: the system's, else the top of the subnet.
std::optional<QHostAddress> broadcastOf(const InterfaceAddress& entry) {
    bool ok = false;
    const quint32 broadcast = entry.broadcast.toIPv4Address(&ok);
    if (ok && broadcast != 0)
        return QHostAddress(broadcast);
    if (entry.prefixLength < 0 || entry.prefixLength > 30)
        return std::nullopt;
    const quint32 ip = entry.ip.toIPv4Address();
    const quint32 hostBits = entry.prefixLength == 0 ? 0xFFFFFFFFu : (0xFFFFFFFFu >> entry.prefixLength);
    return QHostAddress(ip | hostBits);
}

void appendOnce(QList<QueryTarget>& targets, QueryTarget target) {
    if (!targets.contains(target))
        targets.append(std::move(target));
}

} // namespace

QList<InterfaceView> systemInterfaces() {
    QList<InterfaceView> views;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        const auto flags = interface.flags();
        InterfaceView view{interface.name(),
                           interface.index(),
                           flags.testFlag(QNetworkInterface::IsUp),
                           flags.testFlag(QNetworkInterface::IsRunning),
                           flags.testFlag(QNetworkInterface::CanBroadcast),
                           flags.testFlag(QNetworkInterface::IsLoopBack),
                           {}};
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries)
            view.addresses.append({entry.ip(), entry.broadcast(), entry.prefixLength()});
        views.append(std::move(view));
    }
    return views;
}

QList<QueryTarget> directedBroadcasts(const QList<InterfaceView>& interfaces) {
    QList<QueryTarget> targets;
    for (const InterfaceView& interface : interfaces) {
        if (!interface.up || !interface.running || !interface.canBroadcast || interface.loopback ||
            interface.index <= 0)
            continue;
        for (const InterfaceAddress& entry : interface.addresses) {
            if (entry.ip.protocol() != QAbstractSocket::IPv4Protocol || entry.ip.isLoopback())
                continue;
            if (const auto broadcast = broadcastOf(entry))
                appendOnce(targets, {*broadcast, interface.index, interface.name});
        }
    }
    return targets;
}

QList<QueryTarget> queryTargets(const QStringList& given, const QList<InterfaceView>& interfaces) {
    QList<QueryTarget> targets;
    if (!given.isEmpty()) {
        for (const QString& address : given)
            appendOnce(targets, {QHostAddress(address), 0, {}});
        return targets;
    }
    targets.append({kLimitedBroadcast, 0, {}});
    for (QueryTarget& target : directedBroadcasts(interfaces))
        appendOnce(targets, std::move(target));
    return targets;
}

QList<QueryTarget> targetsFor(const QStringList& broadcast) {
    // The interfaces are read only when they are used.
    return queryTargets(broadcast, broadcast.isEmpty() ? systemInterfaces() : QList<InterfaceView>());
}

QList<std::chrono::milliseconds> defaultRepeats() {
    return {200ms, 400ms, 700ms, 1000ms, 1500ms, 2000ms};
}

} // namespace Discovery
