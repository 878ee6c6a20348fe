#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>

namespace Discovery {

// Where one copy of the query goes: an address, and the interface it must
// leave by (0: the routing table decides).
struct QueryTarget {
    QHostAddress address;
    int interfaceIndex = 0;
    QString interfaceName; // for the words of a failed send

    bool operator==(const QueryTarget& other) const {
        return address == other.address && interfaceIndex == other.interfaceIndex;
    }
};

// One IPv4 or IPv6 address of an interface, as the system reports it.
struct InterfaceAddress {
    QHostAddress ip;
    QHostAddress broadcast; // null when the system gave none
    int prefixLength = -1;
};

// An interface as the target selection sees it, so a test can hand in made-up ones.
struct InterfaceView {
    QString name;
    int index = 0;
    bool up = false;      // administratively up
    bool running = false; // and with a link
    bool canBroadcast = false;
    bool loopback = false;
    QList<InterfaceAddress> addresses;
};

inline const QHostAddress kLimitedBroadcast{QHostAddress::Broadcast};

// The machine's interfaces now; read at each scan, so a VPN or cable connected
// since the last one counts.
QList<InterfaceView> systemInterfaces();

// The directed broadcast of every IPv4 address of every interface that is up,
// has a link, can broadcast and is not loopback, each sent out of its own
// interface: a limited broadcast leaves by one interface only, so units on the
// others would never hear it. An address without a broadcast address of its own
// gets the top of its subnet; /31 and /32 have none and are skipped.
QList<QueryTarget> directedBroadcasts(const QList<InterfaceView>& interfaces);

// The targets of a scan: the addresses given (directed broadcasts or single
// units, each where routing sends it), or with none given, 255.255.255.255
// first and then the directed broadcasts. Each target once.
QList<QueryTarget> queryTargets(const QStringList& given, const QList<InterfaceView>& interfaces);

// queryTargets() for the addresses of --broadcast, with this machine's interfaces.
QList<QueryTarget> targetsFor(const QStringList& broadcast);

// When the query goes out again during one scan, counted from the first send.
// One lost datagram would otherwise lose a unit for the whole scan; the copies
// start soon, so a unit is rarely listed late, and end within two seconds, so
// the CLI's default three-second scan hears their answers. With a loss of 30 %
// per datagram, seven sends miss a unit about twice in ten thousand scans.
QList<std::chrono::milliseconds> defaultRepeats();

} // namespace Discovery
