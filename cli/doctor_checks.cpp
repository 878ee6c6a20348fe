#include "doctor_checks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <cstddef>
#include <cstring>
#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace Cli::Doctor {

const char* resultWord(Result result) {
    switch (result) {
    case Result::Ok:
        return "ok";
    case Result::Warning:
        return "warning";
    case Result::Problem:
        return "problem";
    case Result::Unchecked:
        break;
    }
    return "could not check";
}

QList<quint64> socketInodesOnPort(const QByteArray& procNetUdp, quint16 port) {
    QList<quint64> inodes;
    const QList<QByteArray> lines = procNetUdp.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid timeout inode
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < 10)
            continue;
        const QByteArray& local = fields[1];
        const qsizetype colon = local.lastIndexOf(':');
        bool ok = false;
        if (colon < 0 || local.mid(colon + 1).toUInt(&ok, 16) != port || !ok)
            continue;
        const quint64 inode = fields[9].toULongLong(&ok);
        if (ok && inode != 0 && !inodes.contains(inode))
            inodes.append(inode);
    }
    return inodes;
}

std::optional<quint64> socketInodeOfLink(const QString& linkTarget) {
    static const QRegularExpression socket(QStringLiteral("^socket:\\[(\\d+)\\]$"));
    const QRegularExpressionMatch match = socket.match(linkTarget);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toULongLong();
}

namespace {

// /proc/net/route writes addresses as the bytes in memory: little-endian hex on the usual machines.
quint32 routeAddress(const QByteArray& hex, bool* ok) {
    const quint32 raw = hex.toUInt(ok, 16);
    return ((raw & 0xFFu) << 24) | ((raw & 0xFF00u) << 8) | ((raw >> 8) & 0xFF00u) | (raw >> 24);
}

int prefixOf(quint32 mask) {
    int bits = 0;
    while (mask & 0x80000000u) {
        ++bits;
        mask <<= 1;
    }
    return bits;
}

} // namespace

QList<Route> parseRoutes(const QByteArray& procNetRoute) {
    QList<Route> routes;
    const QList<QByteArray> lines = procNetRoute.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < 8)
            continue;
        bool okDestination = false;
        bool okGateway = false;
        bool okMask = false;
        bool okFlags = false;
        Route route{QString::fromLocal8Bit(fields[0]), routeAddress(fields[1], &okDestination),
                    routeAddress(fields[7], &okMask), routeAddress(fields[2], &okGateway)};
        const uint flags = fields[3].toUInt(&okFlags, 16);
        // RTF_UP: a route the kernel uses.
        if (okDestination && okGateway && okMask && okFlags && (flags & 0x1u))
            routes.append(route);
    }
    return routes;
}

std::optional<Route> routeTo(const QList<Route>& routes, quint32 ip) {
    std::optional<Route> best;
    for (const Route& route : routes) {
        if ((ip & route.mask) != (route.destination & route.mask))
            continue;
        if (!best || prefixOf(route.mask) > prefixOf(best->mask))
            best = route;
    }
    return best;
}

bool looksVirtual(const QString& interfaceName) {
    static const char* const kPrefixes[] = {"tun", "tap",   "wg",      "ppp",  "docker", "veth",     "virbr",
                                            "br-", "vmnet", "vboxnet", "utun", "ipsec",  "nordlynx", "tailscale",
                                            "zt",  "cni",   "flannel", "lxc",  "lxdbr",  "podman"};
    for (const char* prefix : kPrefixes) {
        if (interfaceName.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

// ---- the discovery port

namespace {

// Our own programs: the desktop program's scan window and the simulator share the port by design.
QString ownRole(const QString& program) {
    if (program == QLatin1String("zuredor"))
        return QStringLiteral("the desktop program");
    if (program == QLatin1String("zuredor-sim"))
        return QStringLiteral("simulated units");
    if (program == QLatin1String("zuredor-cli"))
        return QStringLiteral("another zuredor-cli");
    return {};
}

} // namespace

Check portHoldersCheck(quint16 port, const QList<PortHolder>& holders, bool anyHolder, LiveOutcome live) {
    Check check{QStringLiteral("discovery port"), Result::Ok, {}, {}};
    if (!anyHolder) {
        check.details = QStringLiteral("no other program holds UDP port %1").arg(port);
        return check;
    }
    QStringList names;
    QStringList meanings;
    const PortHolder* foreign = nullptr;
    for (const PortHolder& holder : holders) {
        const QString role = ownRole(holder.program);
        names << (role.isEmpty() ? QStringLiteral("%1 (pid %2)").arg(holder.program).arg(holder.pid)
                                 : QStringLiteral("%1 (pid %2, %3)").arg(holder.program).arg(holder.pid).arg(role));
        if (holder.program == QLatin1String("zuredor"))
            meanings << QStringLiteral("close the desktop program's scan window if a terminal scan misses units");
        else if (holder.program == QLatin1String("zuredor-sim"))
            meanings << QStringLiteral("the simulator hears queries on it; end it if a scan misses other units");
        else if (holder.program == QLatin1String("zuredor-cli"))
            meanings << QStringLiteral("scan again once the other zuredor-cli has ended if this one misses units");
        else if (!foreign)
            foreign = &holder;
    }
    meanings.removeDuplicates();
    check.details = names.isEmpty() ? QStringLiteral("a process this user cannot see holds UDP port %1").arg(port)
                                    : QStringLiteral("UDP port %1 is held by %2").arg(port).arg(names.join(u", "));
    if (live == LiveOutcome::Heard)
        check.details += QStringLiteral("; the live test heard the units all the same");
    else if (live == LiveOutcome::CouldNotBind)
        check.details += QStringLiteral("; it holds the port alone, so no scan here can hear the units");
    if (foreign)
        meanings << QStringLiteral("%1 can take the units' answers: quit it while scanning (kill %2)")
                        .arg(foreign->program)
                        .arg(foreign->pid);
    else if (names.isEmpty())
        meanings << QStringLiteral("it can take the units' answers: find it with sudo ss -ulpn 'sport = :%1' and "
                                   "quit it while scanning")
                        .arg(port);
    check.advice = meanings.join(QStringLiteral("; "));
    check.result = live == LiveOutcome::CouldNotBind ? Result::Problem
                   : live == LiveOutcome::HeardNone  ? Result::Warning
                                                     : Result::Ok;
    return check;
}

// ---- firewall rules

namespace {

// `word` as one word for a POSIX shell: as it is when plain, else in single quotes.
QString shellWord(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    return u'\'' + QString(word).replace(u'\'', QLatin1String("'\\''")) + u'\'';
}

enum class Verdict { None, Accept, Drop, Jump, Goto, Return };

// Which of the answers a rule's conditions take in: a rule naming a source
// address (or a set, a rate) takes some units' answers, never surely all.
enum class Match { None, Some, All };

struct Rule {
    Match match = Match::All;
    Verdict verdict = Verdict::None;
    QString target; // of a jump or goto
    QString text;

    void narrow(bool taken) { narrowTo(taken ? Match::All : Match::None); }
    void narrowTo(Match most) { match = std::min(match, most); }
};

struct Chain {
    QString table; // "inet filter", or "filter" for iptables
    QString name;
    bool inputHook = false;
    bool policyDrop = false;
    QList<Rule> rules;
};

struct Decision {
    Verdict verdict = Verdict::None; // Accept, Drop, or None when undecided
    QString rule;
    bool someGetIn = false; // a rule on the way may have let some answers in
};

// A port value of either tool: "14675", "1000-2000", "1000:2000", "{ 53, 14675 }" (braces and commas removed).
bool portListHas(const QStringList& values, quint16 port) {
    for (QString value : values) {
        value.replace(u':', u'-');
        const QStringList ends = value.split(u'-');
        bool okLow = false;
        bool okHigh = false;
        const uint low = ends.value(0).toUInt(&okLow);
        const uint high = ends.size() > 1 ? ends.value(1).toUInt(&okHigh) : low;
        if (okLow && (ends.size() == 1 || okHigh) && port >= low && port <= high)
            return true;
    }
    return false;
}

// The values after tokens[i]: one token, or all between "{" and "}"; i ends on the last one taken.
QStringList valuesAt(const QStringList& tokens, qsizetype& i) {
    QStringList values;
    if (i >= tokens.size())
        return values;
    if (tokens[i] != QLatin1String("{")) {
        for (const QString& part : tokens[i].split(u',', Qt::SkipEmptyParts))
            values << part;
        return values;
    }
    while (++i < tokens.size() && tokens[i] != QLatin1String("}")) {
        QString value = tokens[i];
        value.remove(u',');
        if (!value.isEmpty())
            values << value;
    }
    return values;
}

bool hasWord(const QStringList& values, const char* word) {
    for (const QString& value : values) {
        if (value.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void setVerdict(Rule& rule, const QString& word, const QString& target) {
    const QString lower = word.toLower();
    if (lower == QLatin1String("accept"))
        rule.verdict = Verdict::Accept;
    else if (lower == QLatin1String("drop") || lower == QLatin1String("reject"))
        rule.verdict = Verdict::Drop;
    else if (lower == QLatin1String("return"))
        rule.verdict = Verdict::Return;
    else if (lower == QLatin1String("jump") || lower == QLatin1String("goto")) {
        rule.verdict = lower == QLatin1String("jump") ? Verdict::Jump : Verdict::Goto;
        rule.target = target;
    }
}

Rule nftRule(const QString& line, quint16 port) {
    Rule rule{Match::All, Verdict::None, {}, line};
    const QString spaced = QString(line).replace(u'{', QLatin1String(" { ")).replace(u'}', QLatin1String(" } "));
    const QStringList tokens = spaced.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString& word = tokens[i];
        const QString next = tokens.value(i + 1);
        const bool negated = tokens.value(i + 2) == QLatin1String("!=");
        if ((word == QLatin1String("udp") || word == QLatin1String("th")) &&
            (next == QLatin1String("sport") || next == QLatin1String("dport"))) {
            i += negated ? 3 : 2;
            const QStringList values = valuesAt(tokens, i);
            if (values.value(0).startsWith(u'@'))
                rule.narrowTo(Match::Some);
            else
                rule.narrow(portListHas(values, port) != negated);
        } else if ((word == QLatin1String("saddr") || word == QLatin1String("limit")) && i + 1 < tokens.size()) {
            rule.narrowTo(Match::Some);
        } else if (word == QLatin1String("tcp") || word == QLatin1String("icmp") || word == QLatin1String("icmpv6") ||
                   word == QLatin1String("sctp") || word == QLatin1String("ip6") || word == QLatin1String("arp")) {
            rule.narrow(false);
        } else if ((word == QLatin1String("l4proto") || word == QLatin1String("protocol") ||
                    word == QLatin1String("nexthdr")) &&
                   i + 1 < tokens.size()) {
            i += negated ? 2 : 1;
            const bool udp = hasWord(valuesAt(tokens, i), "udp") || hasWord(valuesAt(tokens, i), "17");
            rule.narrow(udp != negated);
        } else if (word == QLatin1String("ct") && next == QLatin1String("state")) {
            i += negated ? 3 : 2;
            // The answers are new to conntrack: the query went to a broadcast address.
            const bool isNew = hasWord(valuesAt(tokens, i), "new");
            rule.narrow(isNew != negated);
        } else if ((word == QLatin1String("iif") || word == QLatin1String("iifname")) && i + 1 < tokens.size()) {
            i += negated ? 2 : 1;
            QString name = tokens[i];
            name.remove(u'"');
            // The units' answers never come by loopback.
            rule.narrow((name == QLatin1String("lo")) == negated);
        } else if (word == QLatin1String("nfproto") && i + 1 < tokens.size()) {
            rule.narrow(tokens[++i] != QLatin1String("ipv6"));
        } else if ((word == QLatin1String("jump") || word == QLatin1String("goto")) && i + 1 < tokens.size()) {
            setVerdict(rule, word, tokens[++i]);
        } else {
            setVerdict(rule, word, {});
        }
    }
    return rule;
}

Rule iptablesRule(const QStringList& tokens, quint16 port) {
    Rule rule{Match::All, Verdict::None, {}, tokens.mid(2).join(u' ')};
    for (qsizetype i = 2; i < tokens.size(); ++i) {
        const QString& word = tokens[i];
        const QString value = tokens.value(i + 1);
        if (word == QLatin1String("!") || word == QLatin1String("--icmp-type") ||
            word == QLatin1String("--tcp-flags")) {
            // A negated condition is taken as one the answers fail: only plain rules are judged.
            rule.narrow(false);
        } else if (word == QLatin1String("-s") || word == QLatin1String("--source") ||
                   word == QLatin1String("--src-range") || word == QLatin1String("--match-set") ||
                   word == QLatin1String("--mac-source") || word == QLatin1String("--limit")) {
            rule.narrowTo(Match::Some);
            ++i;
        } else if (word == QLatin1String("-p") || word == QLatin1String("--protocol")) {
            rule.narrow(value == QLatin1String("udp") || value == QLatin1String("17"));
            ++i;
        } else if (word == QLatin1String("--sport") || word == QLatin1String("--dport") ||
                   word == QLatin1String("--source-port") || word == QLatin1String("--destination-port") ||
                   word == QLatin1String("--sports") || word == QLatin1String("--dports") ||
                   word == QLatin1String("--ports")) {
            rule.narrow(portListHas(value.split(u','), port));
            ++i;
        } else if (word == QLatin1String("--ctstate") || word == QLatin1String("--state")) {
            rule.narrow(hasWord(value.split(u','), "NEW"));
            ++i;
        } else if (word == QLatin1String("-i") || word == QLatin1String("--in-interface")) {
            rule.narrow(value != QLatin1String("lo"));
            ++i;
        } else if (word == QLatin1String("-j") || word == QLatin1String("--jump")) {
            const QString upper = value.toUpper();
            if (upper == QLatin1String("ACCEPT") || upper == QLatin1String("DROP") ||
                upper == QLatin1String("REJECT") || upper == QLatin1String("RETURN"))
                setVerdict(rule, value, {});
            else if (upper != QLatin1String("LOG") && upper != QLatin1String("NFLOG"))
                setVerdict(rule, QStringLiteral("jump"), value);
            ++i;
        } else if (word == QLatin1String("-g") || word == QLatin1String("--goto")) {
            setVerdict(rule, QStringLiteral("goto"), value);
            ++i;
        }
    }
    return rule;
}

using Chains = QMap<QString, Chain>; // by "table/name"

// A chain gives the same answer wherever it is jumped to from: each is
// walked once, however many rules lead to it.
class Walk {
public:
    explicit Walk(const Chains& chains) : m_chains(chains) {}

    Decision decide(const Chain& chain, int depth) {
        const QString key = chain.table + u'/' + chain.name;
        if (const auto known = m_decided.constFind(key); known != m_decided.cend())
            return *known;
        // The kernel refuses deeper jumps; past that, and round a loop, a chain decides nothing.
        if (depth > 16)
            return {};
        m_decided.insert(key, {});
        Decision decision = walk(chain, depth);
        m_decided.insert(key, decision);
        return decision;
    }

private:
    Decision walk(const Chain& chain, int depth) {
        bool someGetIn = false;
        for (const Rule& rule : chain.rules) {
            if (rule.match == Match::None || rule.verdict == Verdict::None)
                continue;
            const bool all = rule.match == Match::All;
            switch (rule.verdict) {
            case Verdict::Accept:
            case Verdict::Drop:
                if (all)
                    return {rule.verdict, rule.text, someGetIn};
                someGetIn = someGetIn || rule.verdict == Verdict::Accept;
                continue;
            case Verdict::Return:
                if (all)
                    return {Verdict::None, {}, someGetIn};
                someGetIn = true;
                continue;
            case Verdict::Jump:
            case Verdict::Goto: {
                const auto called = m_chains.constFind(chain.table + u'/' + rule.target);
                if (called == m_chains.cend())
                    continue;
                const Decision inner = decide(*called, depth + 1);
                if (!all) {
                    someGetIn = someGetIn || inner.someGetIn || inner.verdict == Verdict::Accept;
                    continue;
                }
                if (inner.verdict != Verdict::None || rule.verdict == Verdict::Goto)
                    return {inner.verdict, inner.rule, someGetIn || inner.someGetIn};
                someGetIn = someGetIn || inner.someGetIn;
                continue;
            }
            case Verdict::None:
                break;
            }
        }
        return {Verdict::None, {}, someGetIn};
    }

    const Chains& m_chains;
    QHash<QString, Decision> m_decided;
};

// The first input base chain that drops every answer, by a rule or by its policy.
std::optional<std::pair<const Chain*, QString>> firstDrop(const Chains& chains) {
    Walk walk(chains);
    for (const Chain& chain : chains) {
        if (!chain.inputHook)
            continue;
        const Decision decision = walk.decide(chain, 0);
        if (decision.someGetIn)
            continue;
        if (decision.verdict == Verdict::Drop)
            return std::pair(&chain, decision.rule);
        if (decision.verdict == Verdict::None && chain.policyDrop)
            return std::pair(&chain, QStringLiteral("policy drop, and no rule lets the answers in"));
    }
    return std::nullopt;
}

QString firewallFix(const Chains& chains, const Chain& chain, quint16 port, bool nft) {
    bool ufw = false;
    bool firewalld = false;
    for (const Chain& each : chains) {
        ufw = ufw || each.name.startsWith(QLatin1String("ufw"));
        firewalld = firewalld || each.table.endsWith(QLatin1String("firewalld"));
    }
    if (ufw)
        return QStringLiteral("sudo ufw allow proto udp from any port %1").arg(port);
    if (firewalld)
        return QStringLiteral("sudo firewall-cmd --add-source-port=%1/udp").arg(port);
    if (nft)
        return QStringLiteral("sudo nft insert rule %1 %2 %3 udp sport %4 accept")
            .arg(shellWord(chain.table.section(u' ', 0, 0)), shellWord(chain.table.section(u' ', 1)),
                 shellWord(chain.name))
            .arg(port);
    return QStringLiteral("sudo iptables -I %1 -p udp --sport %2 -j ACCEPT").arg(shellWord(chain.name)).arg(port);
}

} // namespace

FirewallFinding nftDrops(const QString& ruleset, quint16 port) {
    Chains chains;
    QString table;
    Chain* chain = nullptr;
    for (const QString& raw : ruleset.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1String("table "))) {
            table = line.mid(6).remove(u'{').trimmed();
            chain = nullptr;
        } else if (line.startsWith(QLatin1String("chain ")) && !table.isEmpty()) {
            const QString name = line.mid(6).remove(u'{').trimmed();
            chain = &chains[table + u'/' + name];
            chain->table = table;
            chain->name = name;
        } else if (line == QLatin1String("}")) {
            if (chain)
                chain = nullptr;
            else
                table.clear();
        } else if (chain && line.startsWith(QLatin1String("type "))) {
            // Only the filter hook on input (ip, ip6, inet) sees datagrams for this machine.
            chain->inputHook = line.contains(QLatin1String("hook input")) && !table.startsWith(QLatin1String("ip6 ")) &&
                               !table.startsWith(QLatin1String("arp "));
            chain->policyDrop = line.contains(QLatin1String("policy drop"));
        } else if (chain && !line.isEmpty() && !line.startsWith(u'#')) {
            chain->rules.append(nftRule(line, port));
        }
    }
    const auto drop = firstDrop(chains);
    if (!drop)
        return {};
    const Chain& where = *drop->first;
    return {true, QStringLiteral("nft table %1, chain %2: %3").arg(where.table, where.name, drop->second),
            firewallFix(chains, where, port, true)};
}

FirewallFinding iptablesDrops(const QString& saved, quint16 port) {
    Chains chains;
    QString table;
    for (const QString& raw : saved.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'*')) {
            table = line.mid(1);
        } else if (line.startsWith(u':') && table == QLatin1String("filter")) {
            const QStringList parts = line.mid(1).split(u' ', Qt::SkipEmptyParts);
            Chain& chain = chains[table + u'/' + parts.value(0)];
            chain.table = table;
            chain.name = parts.value(0);
            chain.inputHook = chain.name == QLatin1String("INPUT");
            chain.policyDrop = parts.value(1) == QLatin1String("DROP");
        } else if (line.startsWith(QLatin1String("-A ")) && table == QLatin1String("filter")) {
            const QStringList tokens = line.split(u' ', Qt::SkipEmptyParts);
            Chain& chain = chains[table + u'/' + tokens.value(1)];
            chain.table = table;
            chain.name = tokens.value(1);
            chain.inputHook = chain.name == QLatin1String("INPUT");
            chain.rules.append(iptablesRule(tokens, port));
        }
    }
    const auto drop = firstDrop(chains);
    if (!drop)
        return {};
    const Chain& where = *drop->first;
    return {true, QStringLiteral("iptables chain %1: %2").arg(where.name, drop->second),
            firewallFix(chains, where, port, false)};
}

// ---- mounting: through GVfs and FUSE, which Windows does not use
#ifndef Q_OS_WIN

namespace {

QString findProgram(const QString& name, const QString& path) {
    return QStandardPaths::findExecutable(name, path.split(u':', Qt::SkipEmptyParts));
}

// Whether something accepts connections on a local socket: a file path, or an abstract name.
bool socketAccepts(const QByteArray& name, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const qsizetype offset = abstract ? 1 : 0;
    if (name.isEmpty() || name.size() + offset >= static_cast<qsizetype>(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path + offset, name.constData(), static_cast<size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + static_cast<size_t>(offset) +
                                               static_cast<size_t>(name.size()) + (abstract ? 0 : 1));
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return connected;
}

Check sessionBusCheck(const MountEnvironment& environment) {
    Check check{QStringLiteral("session bus"), Result::Ok, {}, {}};
    const QString advice = QStringLiteral("GVfs mounts through the desktop session's bus: run the command from the "
                                          "desktop session, or give it one: dbus-run-session -- zuredor-cli mount ...");
    if (environment.sessionBusAddress.isEmpty()) {
        const QString bus = environment.runtimeDir + QStringLiteral("/bus");
        if (!environment.runtimeDir.isEmpty() && socketAccepts(QFile::encodeName(bus), false)) {
            check.details = QStringLiteral("the session bus at %1 answers").arg(bus);
            return check;
        }
        return {check.name, Result::Problem,
                QStringLiteral("no session bus: DBUS_SESSION_BUS_ADDRESS is unset and there is no %1")
                    .arg(environment.runtimeDir.isEmpty() ? QStringLiteral("XDG_RUNTIME_DIR/bus") : bus),
                advice};
    }
    for (const QString& entry : environment.sessionBusAddress.split(u';', Qt::SkipEmptyParts)) {
        if (!entry.startsWith(QLatin1String("unix:"))) {
            check.details = QStringLiteral("the session bus is at %1 (not checked further)").arg(entry);
            return check;
        }
        for (const QString& key : entry.mid(5).split(u',')) {
            const bool abstract = key.startsWith(QLatin1String("abstract="));
            if (!abstract && !key.startsWith(QLatin1String("path=")))
                continue;
            const QString where = key.section(u'=', 1);
            if (socketAccepts(QFile::encodeName(where), abstract)) {
                check.details = QStringLiteral("the session bus at %1 answers").arg(entry);
                return check;
            }
        }
    }
    return {check.name, Result::Problem,
            QStringLiteral("nothing answers at DBUS_SESSION_BUS_ADDRESS=%1").arg(environment.sessionBusAddress),
            advice};
}

Check fuseCheck(const MountEnvironment& environment) {
    const QString name = QStringLiteral("FUSE");
    if (!QFileInfo::exists(environment.fuseDevice))
        return {name, Result::Problem, QStringLiteral("%1 is missing").arg(environment.fuseDevice),
                QStringLiteral("load the module: sudo modprobe fuse (in a container, give it the FUSE device)")};
    if (::access(QFile::encodeName(environment.fuseDevice).constData(), R_OK | W_OK) != 0)
        return {name, Result::Problem, QStringLiteral("%1 cannot be opened by this user").arg(environment.fuseDevice),
                QStringLiteral("ask your administrator to let users use FUSE (ls -l %1)")
                    .arg(shellWord(environment.fuseDevice))};
    const QStringList searched = environment.path.split(u':', Qt::SkipEmptyParts) +
                                 QStringList{QStringLiteral("/usr/bin"), QStringLiteral("/bin")};
    QString helper = QStandardPaths::findExecutable(QStringLiteral("fusermount3"), searched);
    if (helper.isEmpty())
        helper = QStandardPaths::findExecutable(QStringLiteral("fusermount"), searched);
    if (helper.isEmpty())
        return {name, Result::Problem, QStringLiteral("fusermount is not installed"),
                QStringLiteral("install it: sudo apt install fuse3 gvfs-fuse")};
    return {name, Result::Ok, QStringLiteral("%1 and %2").arg(environment.fuseDevice, helper), {}};
}

QList<Check> letterChecks(const MountEnvironment& environment) {
    const QString folder = environment.home + QStringLiteral("/ZurEdor");
    const QFileInfo info(folder);
    Check writable{QStringLiteral("~/ZurEdor"), Result::Ok, {}, {}};
    Check letters{QStringLiteral("letters"), Result::Ok, QStringLiteral("no letter points at a lost mount"), {}};
    if (!info.exists() && !info.isSymLink()) {
        const bool homeWritable = QFileInfo(environment.home).isDir() && QFileInfo(environment.home).isWritable();
        writable.details = QStringLiteral("%1 is made at the first mount").arg(folder);
        if (!homeWritable)
            writable = {
                writable.name, Result::Problem,
                QStringLiteral("the home folder %1 cannot be written").arg(environment.home),
                QStringLiteral("check HOME and the home folder's owner: ls -ld %1").arg(shellWord(environment.home))};
        return {writable, letters};
    }
    if (!info.isDir()) {
        writable = {writable.name, Result::Problem, QStringLiteral("%1 is not a folder").arg(folder),
                    QStringLiteral("move it out of the way: mv %1 %2")
                        .arg(shellWord(folder), shellWord(folder + QStringLiteral(".old")))};
        return {writable, letters};
    }
    QTemporaryFile probe(folder + QStringLiteral("/.zuredor-doctor-XXXXXX"));
    if (!probe.open())
        writable = {
            writable.name, Result::Problem, QStringLiteral("%1 cannot be written").arg(folder),
            QStringLiteral("make it yours again: sudo chown \"$USER\" %1 && chmod u+rwx %1").arg(shellWord(folder))};
    else
        writable.details = QStringLiteral("%1 can be written").arg(folder);
    QStringList gone;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(
             QDir::System | QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        if (entry.isSymLink() && !QFileInfo::exists(entry.symLinkTarget()))
            gone << entry.fileName();
    }
    if (!gone.isEmpty()) {
        const QString first = gone.first();
        letters = {letters.name, Result::Warning,
                   gone.size() == 1
                       ? QStringLiteral("%1 points at a mount that is gone").arg(first)
                       : QStringLiteral("%1 point at mounts that are gone").arg(gone.join(QStringLiteral(", "))),
                   QStringLiteral("mount again (zuredor-cli mount IP FOLDER %1) or remove the link: rm %2")
                       .arg(shellWord(first), shellWord(folder + u'/' + first))};
    }
    return {writable, letters};
}

} // namespace

QList<Check> mountChecks(const MountEnvironment& environment) {
    QList<Check> checks;
    const QString gio = findProgram(QStringLiteral("gio"), environment.path);
    if (gio.isEmpty())
        checks.append({QStringLiteral("gio"), Result::Problem, QStringLiteral("gio is not on PATH"),
                       QStringLiteral("install it: sudo apt install libglib2.0-bin")});
    else
        checks.append({QStringLiteral("gio"), Result::Ok, gio, {}});
    const QString backend = environment.mountableDir + QStringLiteral("/smb.mount");
    if (QFileInfo::exists(backend))
        checks.append({QStringLiteral("GVfs SMB"), Result::Ok, backend, {}});
    else
        checks.append({QStringLiteral("GVfs SMB"), Result::Problem,
                       QStringLiteral("the GVfs SMB backend is not installed (no %1)").arg(backend),
                       QStringLiteral("install it: sudo apt install gvfs-backends")});
    checks.append(sessionBusCheck(environment));
    checks.append(fuseCheck(environment));
    checks.append(letterChecks(environment));
    return checks;
}

#endif

} // namespace Cli::Doctor
