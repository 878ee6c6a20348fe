#include "command.h"
#include "device_commands.h"
#include "doctor_checks.h"
#include "terminal_text.h"

#include "discovery/discovery_scan.h"
#include "web/page_fetch.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTcpSocket>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#ifndef Q_OS_WIN
#include <sys/types.h>
#include <unistd.h>
#endif

namespace Cli {

namespace {

using Doctor::Check;
using Doctor::Result;
using namespace std::chrono_literals;

constexpr int kProgramTimeoutMs = 3000;
constexpr int kConnectTimeoutMs = 3000;
constexpr quint16 kSmbPort = 445;

#ifndef Q_OS_WIN
QByteArray readProc(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
#endif

// Linux's routing table; Windows keeps its own elsewhere, and it is not read.
#ifdef Q_OS_WIN
constexpr bool kRouteTableUnread = true;
#else
constexpr bool kRouteTableUnread = false;
#endif

QList<Doctor::Route> routes() {
#ifdef Q_OS_WIN
    return {};
#else
    return Doctor::parseRoutes(readProc(QStringLiteral("/proc/net/route")));
#endif
}

QString defaultRouteInterface(const QList<Doctor::Route>& table) {
    for (const Doctor::Route& route : table) {
        if (route.mask == 0)
            return route.interfaceName;
    }
    return {};
}

bool isVirtual(const Discovery::InterfaceView& view) {
    return Doctor::looksVirtual(view.name) || !view.canBroadcast;
}

// The interfaces that are up with an IPv4 address, loopback aside.
QList<Discovery::InterfaceView> upInterfaces() {
    QList<Discovery::InterfaceView> views;
    for (const Discovery::InterfaceView& view : Discovery::systemInterfaces()) {
        if (!view.up || view.loopback)
            continue;
        for (const Discovery::InterfaceAddress& entry : view.addresses) {
            if (entry.ip.protocol() == QAbstractSocket::IPv4Protocol) {
                views.append(view);
                break;
            }
        }
    }
    return views;
}

bool inSubnet(const Discovery::InterfaceAddress& entry, quint32 ip) {
    if (entry.ip.protocol() != QAbstractSocket::IPv4Protocol || entry.prefixLength < 0 || entry.prefixLength > 32)
        return false;
    const quint32 mask = entry.prefixLength == 0 ? 0 : 0xFFFFFFFFu << (32 - entry.prefixLength);
    return (entry.ip.toIPv4Address() & mask) == (ip & mask);
}

// With --broadcast the query goes where the addresses given lead, not out of every interface:
// only 255.255.255.255 among them depends on the default route.
Check interfacesCheck(const QList<Discovery::InterfaceView>& interfaces, const QString& defaultInterface,
                      const QStringList& broadcast) {
    const bool limited = broadcast.isEmpty() || broadcast.contains(Discovery::kLimitedBroadcast.toString());
    Check check{QStringLiteral("interfaces"), Result::Ok, {}, {}};
    QStringList texts;
    int usable = 0;
    bool defaultVirtual = false;
    for (const Discovery::InterfaceView& view : interfaces) {
        QStringList parts{view.name};
        for (const Discovery::InterfaceAddress& entry : view.addresses) {
            if (entry.ip.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            parts << QStringLiteral("%1/%2").arg(entry.ip.toString()).arg(entry.prefixLength);
            if (!entry.broadcast.isNull())
                parts << QStringLiteral("broadcast %1").arg(entry.broadcast.toString());
        }
        if (!view.running)
            parts << QStringLiteral("(no link)");
        if (view.name == defaultInterface)
            parts << QStringLiteral("(default route)");
        if (isVirtual(view))
            parts << QStringLiteral("(VPN or virtual)");
        else if (view.running)
            ++usable;
        defaultVirtual = defaultVirtual || (view.name == defaultInterface && isVirtual(view));
        texts << parts.join(u' ');
    }
    check.details =
        texts.isEmpty() ? QStringLiteral("no interface is up with an IPv4 address") : texts.join(QStringLiteral("; "));
    if (!limited) {
        check.details += QStringLiteral("; the query goes to the addresses given only (%1)")
                             .arg(broadcast.join(QStringLiteral(", ")));
    } else if (usable == 0) {
        check.result = Result::Problem;
        check.advice = QStringLiteral("connect this machine to the units' network (cable or Wi-Fi) and check it "
                                      "has an address: ip -4 addr");
    } else if (defaultVirtual) {
        check.result = Result::Warning;
        check.advice = QStringLiteral("the default route goes through the VPN %1, and 255.255.255.255 with it: let "
                                      "the VPN allow local network access, or disconnect it while scanning")
                           .arg(defaultInterface);
    } else if (defaultInterface.isEmpty() && !kRouteTableUnread) {
        check.result = Result::Warning;
        check.details += QStringLiteral("; no default route");
        check.advice = QStringLiteral("with no default route a query to 255.255.255.255 goes nowhere; each network's "
                                      "own broadcast still works (the default of scan sends both)");
    }
    return check;
}

#ifdef Q_OS_WIN

// Windows has no /proc to tell who holds the port: only the live test speaks for it.
Check portCheck(quint16 port, Doctor::LiveOutcome live) {
    if (live == Doctor::LiveOutcome::CouldNotBind)
        return {QStringLiteral("discovery port"), Result::Problem,
                QStringLiteral("another program holds UDP port %1 alone, so no scan here can hear the units").arg(port),
                QStringLiteral("quit it while scanning (netstat -abno names it)")};
    return {QStringLiteral("discovery port"),
            Result::Unchecked,
            QStringLiteral("which programs hold UDP port %1 is not read on Windows").arg(port),
            {}};
}

// Windows Firewall's rules are not read.
Check firewallCheck(quint16 port) {
    return {QStringLiteral("firewall"), Result::Unchecked, QStringLiteral("Windows Firewall's rules are not read"),
            QStringLiteral("if no unit is heard, let zuredor-cli receive UDP from port %1").arg(port)};
}

#else

// The processes whose sockets are those inodes, where this user may look.
QList<Doctor::PortHolder> holdersOf(const QList<quint64>& inodes) {
    QList<Doctor::PortHolder> holders;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool ok = false;
        const qint64 number = pid.toLongLong(&ok);
        if (!ok || number == ::getpid())
            continue;
        const QString fdFolder = QStringLiteral("/proc/%1/fd").arg(pid);
        for (const QString& fd : QDir(fdFolder).entryList(QDir::System | QDir::NoDotAndDotDot)) {
            // readlink itself: the link text "socket:[123]" names no file.
            char target[64] = {};
            const QByteArray link = QFile::encodeName(fdFolder + u'/' + fd);
            const ssize_t length = ::readlink(link.constData(), target, sizeof(target) - 1);
            const auto inode =
                length > 0 ? Doctor::socketInodeOfLink(QString::fromLatin1(target, length)) : std::nullopt;
            if (inode && inodes.contains(*inode)) {
                holders.append(
                    {number, QString::fromLocal8Bit(readProc(QStringLiteral("/proc/%1/comm").arg(pid))).trimmed()});
                break;
            }
        }
    }
    return holders;
}

// Read before the live test, so that its own socket is not among them.
QList<quint64> portInodes(quint16 port) {
    QList<quint64> inodes = Doctor::socketInodesOnPort(readProc(QStringLiteral("/proc/net/udp")), port);
    for (quint64 inode : Doctor::socketInodesOnPort(readProc(QStringLiteral("/proc/net/udp6")), port)) {
        if (!inodes.contains(inode))
            inodes.append(inode);
    }
    return inodes;
}

struct ProgramRun {
    bool ran = false;
    QString out;
    QString error;
};

// A rule reader, run directly (no shell) with a time limit.
ProgramRun runProgram(const QString& name, const QStringList& arguments) {
    const QStringList searched = qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts) +
                                 QStringList{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
    const QString program = QStandardPaths::findExecutable(name, searched);
    if (program.isEmpty())
        return {false, {}, QStringLiteral("%1 is not installed").arg(name)};
    QProcess process;
    // A session of its own, so that what the tool starts ends with it.
    process.setChildProcessModifier([] { ::setsid(); });
    process.start(program, arguments);
    const auto group = static_cast<pid_t>(process.processId());
    const bool finished = process.waitForFinished(kProgramTimeoutMs);
    // Not yet reaped, so the group's number is still the tool's.
    if (!finished && group > 0)
        ::kill(-group, SIGKILL);
    if (!finished || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(1000);
        return {false, {}, QStringLiteral("%1 did not finish").arg(name)};
    }
    if (process.exitCode() != 0)
        return {false,
                {},
                QStringLiteral("%1: %2").arg(
                    name, QString::fromLocal8Bit(process.readAllStandardError()).trimmed().section(u'\n', 0, 0))};
    return {true, QString::fromLocal8Bit(process.readAllStandardOutput()), {}};
}

Check firewallCheck(quint16 port) {
    Check check{QStringLiteral("firewall"), Result::Ok, {}, {}};
    const ProgramRun nft = runProgram(QStringLiteral("nft"), {QStringLiteral("list"), QStringLiteral("ruleset")});
    const ProgramRun iptables = runProgram(QStringLiteral("iptables-save"), {});
    QStringList read;
    QStringList unread;
    for (const auto& [run, name] : {std::pair(&nft, "nftables"), std::pair(&iptables, "iptables")}) {
        if (!run->ran) {
            unread << run->error;
            continue;
        }
        read << QString::fromLatin1(name);
        const Doctor::FirewallFinding finding =
            run == &nft ? Doctor::nftDrops(run->out, port) : Doctor::iptablesDrops(run->out, port);
        if (finding.drops && check.result == Result::Ok) {
            check = {
                check.name, Result::Problem,
                QStringLiteral("the units' answers (UDP from port %1) are dropped by %2").arg(port).arg(finding.where),
                QStringLiteral("let them in: %1").arg(finding.fix)};
        }
    }
    if (read.isEmpty())
        return {check.name, Result::Unchecked,
                QStringLiteral("the rules could not be read: %1").arg(unread.join(QStringLiteral("; "))),
                QStringLiteral("run it as root (sudo zuredor-cli doctor), or look yourself for rules that drop UDP "
                               "from port %1: sudo nft list ruleset; sudo iptables-save")
                    .arg(port)};
    if (check.result == Result::Ok)
        check.details =
            QStringLiteral("no %1 rule drops UDP from port %2").arg(read.join(QStringLiteral(" or "))).arg(port);
    return check;
}

#endif

QString interfaceOf(const QList<Discovery::InterfaceView>& interfaces, quint32 ip) {
    if (QHostAddress(ip).isLoopback())
        return QStringLiteral("loopback");
    for (const Discovery::InterfaceView& view : interfaces) {
        for (const Discovery::InterfaceAddress& entry : view.addresses) {
            if (inSubnet(entry, ip))
                return view.name;
        }
    }
    return QStringLiteral("beyond a router");
}

Check liveCheck(const GlobalOptions& global, const QList<Discovery::InterfaceView>& interfaces,
                const QString& defaultInterface, std::chrono::milliseconds wait, Doctor::LiveOutcome* outcome) {
    Check check{QStringLiteral("live test"), Result::Ok, {}, {}};
    const quint16 port = global.network.discoveryPort;
    const QList<Discovery::QueryTarget> targets = Discovery::targetsFor(global.network.broadcast);
    const Discovery::ScanResult result = Discovery::ScanOnce({targets, port, wait});
    *outcome = !result.rows.isEmpty()                                 ? Doctor::LiveOutcome::Heard
               : !result.error                                        ? Doctor::LiveOutcome::HeardNone
               : result.error->kind == Discovery::ScanErrorKind::Bind ? Doctor::LiveOutcome::CouldNotBind
                                                                      : Doctor::LiveOutcome::NotSent;
    QStringList sentTo;
    for (const Discovery::QueryTarget& target : targets)
        sentTo << target.address.toString();
    if (result.error) {
        return {check.name, Result::Problem, QStringLiteral("the query could not go out: %1").arg(result.error->detail),
                result.error->kind == Discovery::ScanErrorKind::Bind
                    ? QStringLiteral("another program holds UDP port %1 alone: see the discovery port check").arg(port)
                    : QStringLiteral("check that a network is connected: ip -4 route")};
    }
    // Answers per interface, in the order of the interfaces.
    QMap<QString, int> answers;
    for (const Discovery::InterfaceView& view : interfaces)
        answers[view.name] = 0;
    for (const Discovery::DeviceRow& row : result.rows)
        ++answers[interfaceOf(interfaces, QHostAddress(row.ip).toIPv4Address())];
    QStringList counts;
    for (auto it = answers.cbegin(); it != answers.cend(); ++it)
        counts << QStringLiteral("%1: %2").arg(it.key()).arg(it.value());
    check.details = QStringLiteral("sent to %1; answers by interface: %2")
                        .arg(sentTo.join(QStringLiteral(", ")), counts.join(QStringLiteral(", ")));
    // Networks that the addresses given leave out: 255.255.255.255 leaves by the default route's interface only.
    QStringList missed;
    QStringList missedBroadcasts;
    // Asking loopback alone is asking the simulated units, not a network.
    const bool loopbackOnly = std::all_of(targets.cbegin(), targets.cend(), [](const Discovery::QueryTarget& target) {
        return target.address.isLoopback();
    });
    if (!global.network.broadcast.isEmpty() && !loopbackOnly) {
        for (const Discovery::QueryTarget& target : Discovery::directedBroadcasts(interfaces)) {
            const bool asked =
                sentTo.contains(target.address.toString()) ||
                (target.interfaceName == defaultInterface && sentTo.contains(Discovery::kLimitedBroadcast.toString()));
            if (!asked && answers.value(target.interfaceName) == 0) {
                missed << target.interfaceName;
                missedBroadcasts << target.address.toString();
            }
        }
    }
    if (!missed.isEmpty()) {
        check.result = result.rows.isEmpty() ? Result::Problem : Result::Warning;
        check.details +=
            QStringLiteral("; the query never reached the network of %1").arg(missed.join(QStringLiteral(", ")));
        check.advice = QStringLiteral("leave --broadcast out to ask every interface, or add their broadcast: "
                                      "zuredor-cli --broadcast %1 scan")
                           .arg((sentTo + missedBroadcasts).join(u','));
    } else if (result.rows.isEmpty()) {
        check.result = Result::Problem;
        check.advice = QStringLiteral("no unit answered: the checks above name a cause where they found one; a unit "
                                      "on another network answers at its own address: zuredor-cli --broadcast "
                                      "UNIT-IP scan");
    }
    return check;
}

bool accepts(const QString& ip, quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(ip), port);
    const bool connected = socket.waitForConnected(kConnectTimeoutMs);
    socket.abort();
    return connected;
}

QList<Check> unitChecks(const Invocation& call, const QString& ip, const QList<Doctor::Route>& table) {
    const GlobalOptions& global = call.global;
    QList<Check> checks;
    const QHostAddress address(ip);
    const auto route = Doctor::routeTo(table, address.toIPv4Address());
    if (address.isLoopback()) {
        // The kernel's local table, not /proc/net/route, leads to loopback.
        checks.append({QStringLiteral("route"),
                       Result::Ok,
                       QStringLiteral("%1 is on this machine's loopback: no route is needed").arg(ip),
                       {}});
    } else if (!route && kRouteTableUnread) {
        checks.append({QStringLiteral("route"),
                       Result::Unchecked,
                       QStringLiteral("the routing table is not read here: route print shows the way to %1").arg(ip),
                       {}});
    } else if (!route) {
        checks.append({QStringLiteral("route"), Result::Problem,
                       QStringLiteral("this machine has no route to %1: no network of its own holds it and there is "
                                      "no default route")
                           .arg(ip),
                       QStringLiteral("connect to the unit's network, or add a route: sudo ip route add %1 via "
                                      "GATEWAY")
                           .arg(ip)});
    } else {
        const QString via = route->gateway == 0 ? QStringLiteral("directly")
                                                : QStringLiteral("via %1").arg(QHostAddress(route->gateway).toString());
        const bool vpn = Doctor::looksVirtual(route->interfaceName);
        checks.append({QStringLiteral("route"), vpn ? Result::Warning : Result::Ok,
                       QStringLiteral("%1 is reached by %2 %3").arg(ip, route->interfaceName, via),
                       vpn ? QStringLiteral("the way to the unit is a VPN or virtual network: check that it carries "
                                            "UDP both ways, or connect to the unit's network directly")
                           : QString()});
    }

    const Discovery::ScanResult direct = Discovery::ScanOnce(
        {{Discovery::QueryTarget{QHostAddress(ip), 0, {}}}, global.network.discoveryPort, 1500ms, {300ms, 700ms}});
    bool answered = false;
    for (const Discovery::DeviceRow& row : direct.rows)
        answered = answered || row.ip == ip;
    if (answered)
        checks.append({QStringLiteral("unit discovery"),
                       Result::Ok,
                       QStringLiteral("%1 answers a query sent to its own address").arg(ip),
                       {}});
    else
        checks.append({QStringLiteral("unit discovery"), Result::Problem,
                       direct.error
                           ? QStringLiteral("the query to %1 could not go out: %2").arg(ip, direct.error->detail)
                           : QStringLiteral("%1 did not answer a query sent to its own address").arg(ip),
                       QStringLiteral("check the address (the unit's front panel or the DHCP server's list) and that "
                                      "the unit is on; a firewall on the way may drop UDP port %1")
                           .arg(global.network.discoveryPort)});

    const quint16 webPort = global.network.devicePort;
    if (!accepts(ip, webPort)) {
        checks.append({QStringLiteral("web page"), Result::Problem,
                       QStringLiteral("%1 accepts no connection on the web port %2").arg(ip).arg(webPort),
                       QStringLiteral("the unit is off, the address is another machine's, or the port is not %1 "
                                      "(--device-port)")
                           .arg(webPort)});
    } else {
        const Web::Settings settings = Web::settingsFor(global.network);
        const Web::DeviceResponse response =
            Web::ReadUtilityPage(contextFor(call.credentials, ip), settings, QDeadlineTimer(settings.retryBudgetMs));
        if (!response.page.isEmpty() && response.status == 200)
            checks.append({QStringLiteral("web page"),
                           Result::Ok,
                           QStringLiteral("the utility page came from %1:%2 for user %3")
                               .arg(ip)
                               .arg(webPort)
                               .arg(call.credentials.user),
                           {}});
        else if (response.status == 401)
            checks.append({QStringLiteral("web page"), Result::Problem,
                           QStringLiteral("%1 refused user %2 and the password given").arg(ip, call.credentials.user),
                           QStringLiteral("give the unit's user and password: -u USER -p PASSWORD, or "
                                          "ZUREDOR_PASSWORD")});
        else
            checks.append({QStringLiteral("web page"), Result::Problem,
                           QStringLiteral("%1:%2 accepts connections but gave no utility page (status %3)")
                               .arg(ip)
                               .arg(webPort)
                               .arg(response.status),
                           QStringLiteral("check that %1 is a unit and its web port is %2 (--device-port)")
                               .arg(ip)
                               .arg(webPort)});
    }

    if (accepts(ip, kSmbPort))
        checks.append({QStringLiteral("SMB port"),
                       Result::Ok,
                       QStringLiteral("%1 accepts connections on port %2").arg(ip).arg(kSmbPort),
                       {}});
    else
        checks.append(
            {QStringLiteral("SMB port"), Result::Problem,
             QStringLiteral("%1 accepts no connection on SMB port %2: a share cannot be mounted").arg(ip).arg(kSmbPort),
             QStringLiteral("check the unit shares a folder (zuredor-cli smb list %1) and that no "
                            "firewall between blocks TCP port %2")
                 .arg(ip)
                 .arg(kSmbPort)});
    return checks;
}

#ifdef Q_OS_LINUX
Doctor::MountEnvironment mountEnvironment() {
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    Doctor::MountEnvironment environment;
    environment.path = system.value(QStringLiteral("PATH"));
    environment.home = QDir::homePath();
    environment.sessionBusAddress = system.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.runtimeDir = system.value(QStringLiteral("XDG_RUNTIME_DIR"));
    // Where gvfsd looks for its backends unless told otherwise.
    environment.mountableDir =
        system.value(QStringLiteral("GVFS_MOUNTABLE_DIR"), QStringLiteral("/usr/share/gvfs/mounts"));
    return environment;
}
#endif

void print(const QList<Check>& checks, bool problem) {
    QByteArray out;
    for (const Check& check : checks) {
        const QByteArray word = Doctor::resultWord(check.result);
        out += word + QByteArray(qMax<qsizetype>(1, 16 - word.size()), ' ') + terminalSafe(check.name.toUtf8()) + ": " +
               terminalSafe(check.details.toUtf8()) + '\n';
        if (!check.advice.isEmpty())
            out += QByteArray(16, ' ') + "what to do: " + terminalSafe(check.advice.toUtf8()) + '\n';
    }
    out += problem ? "A check found a problem.\n" : "No check found a problem.\n";
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
}

// `doctor [IP]`: the checks in a fixed order, one line each and what to do about each finding.
int runDoctor(const Invocation& call) {
    const GlobalOptions& global = call.global;
    const double seconds = call.arguments.decimal("--wait", 2.5);
    const auto wait = std::chrono::milliseconds(std::llround(seconds * 1000.0));
    const QList<Doctor::Route> table = routes();
    const QString defaultInterface = defaultRouteInterface(table);
    const QList<Discovery::InterfaceView> interfaces = upInterfaces();

    const quint16 port = global.network.discoveryPort;
#ifndef Q_OS_WIN
    const QList<quint64> inodes = portInodes(port);
    const QList<Doctor::PortHolder> holders = holdersOf(inodes);
#endif
    Doctor::LiveOutcome outcome = Doctor::LiveOutcome::HeardNone;
    const Check live = liveCheck(global, interfaces, defaultInterface, wait, &outcome);
#ifdef Q_OS_WIN
    const Check holding = portCheck(port, outcome);
#else
    const Check holding = Doctor::portHoldersCheck(port, holders, !inodes.isEmpty(), outcome);
#endif
    QList<Check> checks{interfacesCheck(interfaces, defaultInterface, global.network.broadcast), holding,
                        firewallCheck(port), live};
    if (call.arguments.has("IP"))
        checks += unitChecks(call, call.arguments.text("IP"), table);
#ifdef Q_OS_LINUX
    checks += Doctor::mountChecks(mountEnvironment());
#endif
    bool problem = false;
    for (const Check& check : checks)
        problem = problem || check.result == Result::Problem;
    if (global.json) {
        QJsonArray array;
        for (const Check& check : checks)
            array.append(QJsonObject{{QStringLiteral("name"), check.name},
                                     {QStringLiteral("result"), QString::fromLatin1(Doctor::resultWord(check.result))},
                                     {QStringLiteral("details"), check.details},
                                     {QStringLiteral("advice"), check.advice}});
        writeJson({{QStringLiteral("checks"), array},
                   {QStringLiteral("result"), problem ? QStringLiteral("problem") : QStringLiteral("ok")}});
    } else {
        print(checks, problem);
    }
    return problem ? kExitRefused : kExitDone;
}

const Command kDoctorCommands[] = {
    {"doctor",
     "Check why units are not found or a share will not mount, and say what to do",
     {[] {
          Argument unit = unitAddress();
          unit.required = false;
          unit.help = "A unit: check its route, discovery, web page and SMB port too";
          return unit;
      }(),
      Argument("--wait", "Seconds the live test collects answers, fractions allowed (default 2.5)",
               Argument::Kind::Decimal)
          .between(0.0, 600.0)},
     Command::NeedsCredentialsWithUnit,
     runDoctor},
};

} // namespace

std::span<const Command> doctorCommands() {
    return kDoctorCommands;
}

} // namespace Cli
