#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The parts of `doctor` that read what the system gives (proc files, firewall
// rules, folders) without a network: each can be tested with made-up input.
namespace Cli::Doctor {

enum class Result { Ok, Warning, Problem, Unchecked };

// "ok", "warning", "problem", "could not check".
const char* resultWord(Result result);

struct Check {
    QString name;
    Result result = Result::Ok;
    QString details;
    QString advice; // what to do, or what an ok finding means for the user
};

// The inodes of the UDP sockets of /proc/net/udp or udp6 whose local port is `port`.
QList<quint64> socketInodesOnPort(const QByteArray& procNetUdp, quint16 port);

// The inode of a /proc/PID/fd link text "socket:[123]"; nothing for any other link.
std::optional<quint64> socketInodeOfLink(const QString& linkTarget);

// One IPv4 route of /proc/net/route.
struct Route {
    QString interfaceName;
    quint32 destination = 0;
    quint32 mask = 0;
    quint32 gateway = 0;
};
QList<Route> parseRoutes(const QByteArray& procNetRoute);
// The route the kernel would pick for `ip` by the longest prefix; nothing when none covers it.
std::optional<Route> routeTo(const QList<Route>& routes, quint32 ip);

// A process holding a UDP port, named by /proc/PID/comm.
struct PortHolder {
    qint64 pid = 0;
    QString program;
    bool operator==(const PortHolder&) const = default;
};

// What the holders of the discovery port mean for a scan on this machine.
// Only a holder that kept the live test's query from going out is a problem;
// one the units' answers came past (or that a query which never went out
// could not have missed) is named with what it means.
enum class LiveOutcome { Heard, HeardNone, CouldNotBind, NotSent };
Check portHoldersCheck(quint16 port, const QList<PortHolder>& holders, bool anyHolder, LiveOutcome live);

// A VPN tunnel, a container's or a virtual machine's network by the usual names.
bool looksVirtual(const QString& interfaceName);

// Where a firewall drops the units' answers (UDP from the discovery port to it), and the command that lets them in.
struct FirewallFinding {
    bool drops = false;
    QString where; // "nft table inet filter, chain input: udp sport 14675 drop"
    QString fix;   // the command
};

// `nft list ruleset` and `iptables-save` output, judged for a new UDP datagram
// from `port` to `port` arriving by a network card: rules are followed in order
// through jumps, and a base chain's policy decides what no rule does. Only a
// drop of every such answer counts, not one of some units' (by source address).
FirewallFinding nftDrops(const QString& ruleset, quint16 port);
FirewallFinding iptablesDrops(const QString& saved, quint16 port);

#ifndef Q_OS_WIN
// What the mount checks look at, so a test can point them elsewhere.
struct MountEnvironment {
    QString path;              // PATH
    QString home;              // HOME
    QString sessionBusAddress; // DBUS_SESSION_BUS_ADDRESS
    QString runtimeDir;        // XDG_RUNTIME_DIR
    QString mountableDir;      // where GVfs reads its backends (GVFS_MOUNTABLE_DIR)
    QString fuseDevice = QStringLiteral("/dev/fuse");
};

// gio, the GVfs SMB backend, the session bus, FUSE, the ~/ZurEdor folder and its letters.
QList<Check> mountChecks(const MountEnvironment& environment);
#endif

} // namespace Cli::Doctor
