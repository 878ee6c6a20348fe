// Discovery with the every-interface default, the repeats and addresses beyond a
// router, on networks this test makes out of network namespaces: the machine's
// own networks never see a datagram of it.
//
//   program namespace P: pa1 10.1.0.1/24 and pa2 10.1.0.2/24 (wired and wireless on
//     LAN A), pb 10.2.0.1/24 on LAN B; default route out of pa1, 10.3.0.0/24 via
//     10.2.0.254
//   LAN A (namespace A, a bridge): units 10.1.0.10-12, lossy units 10.1.0.20-24
//   LAN B (namespace B): units 10.2.0.10-12, lossy units 10.2.0.20-24; also the
//     router 10.2.0.254 / 10.3.0.1 to LAN C
//   LAN C (namespace C), beyond the router: unit 10.3.0.10
//
// Each test runs again inside P (ip netns exec), where it scans with the core, the
// CLI and the scan window; outside it checks what the simulators logged.

#include "discovery/discovery_datagram.h"
#include "discovery/discovery_scan.h"
#include "discovery/query_sender.h"
#include "discovery/scan_window.h"
#include "support/cli_run.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkDatagram>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

#include <cstdio>
#include <map>
#include <memory>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Set only inside the program's namespace.
const char* const kInside = "ZUREDOR_REACH_INSIDE";

// The real discovery port: inside these namespaces nothing else listens on it.
constexpr quint16 kPort = 14675;
constexpr quint16 kLossyPort = 24675;
constexpr quint16 kWebPort = 8080;
constexpr int kLossyUnits = 5; // on each LAN
// Chosen so that one send loses at least one unit of LAN B (which then hears a single copy).
constexpr int kLossySeed = 4;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

QStringList addresses(const char* prefix, int first, int count) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QString::fromLatin1(prefix) + QString::number(first + i);
    return list;
}

const QStringList kLanA = addresses("10.1.0.", 10, 3);
const QStringList kLanB = addresses("10.2.0.", 10, 3);
const QString kFar = s("10.3.0.10");
const QStringList kLossyA = addresses("10.1.0.", 20, kLossyUnits);
const QStringList kLossyB = addresses("10.2.0.", 20, kLossyUnits);

bool inside() {
    return qEnvironmentVariableIsSet(kInside);
}

QSet<QString> ipsOf(const QList<Discovery::DeviceRow>& rows) {
    QSet<QString> ips;
    for (const Discovery::DeviceRow& row : rows)
        ips.insert(row.ip);
    return ips;
}

QSet<QString> setOf(const QStringList& list) {
    return QSet<QString>(list.begin(), list.end());
}

int countIn(const QSet<QString>& ips, const QStringList& lan) {
    return static_cast<int>((ips & setOf(lan)).size());
}

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// ---- outside: the namespaces and the simulators

using Finished = TestSupport::CliRun;
using TestSupport::runTool;

QString ipTool() {
    const QString found = QStandardPaths::findExecutable(s("ip"));
    return found.isEmpty() ? QStandardPaths::findExecutable(s("ip"), {s("/usr/sbin"), s("/sbin")}) : found;
}

// The namespaces of one run, named after its process so parallel runs never meet.
// Deleting a namespace takes its links, bridges and addresses with it.
class Lab {
public:
    Lab() : m_prefix(QStringLiteral("zdreach-%1-").arg(::getpid())) { removeLeftovers(); }
    ~Lab() {
        m_sims.clear();
        for (const QString& name : std::as_const(m_made))
            runTool(ipTool(), {s("netns"), s("delete"), name});
    }
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    QString name(const char* role) const { return m_prefix + QLatin1String(role); }

    // Empty when made; what ip said otherwise.
    QString add(const char* role) {
        const Finished made = runTool(ipTool(), {s("netns"), s("add"), name(role)});
        if (!made.finished || made.exitCode != 0)
            return QString::fromLocal8Bit(made.err).trimmed();
        m_made << name(role);
        return ip(role, {s("link"), s("set"), s("lo"), s("up")});
    }

    // `ip -n NAMESPACE ...`: empty when done, else the command and what ip said.
    QString ip(const char* role, const QStringList& arguments) const {
        const QStringList all = QStringList{s("-n"), name(role)} + arguments;
        const Finished done = runTool(ipTool(), all);
        if (done.finished && done.exitCode == 0)
            return {};
        return s("ip ") + all.join(u' ') + s(": ") + QString::fromLocal8Bit(done.err).trimmed();
    }

    // Kernel settings of one namespace, "net.ipv4.ip_forward=1" and the like, written to its /proc/sys
    // (sysctl itself is not on every machine).
    QString sysctl(const char* role, const QStringList& settings) const {
        for (const QString& setting : settings) {
            const QString key = setting.section(u'=', 0, 0);
            const QString path = s("/proc/sys/") + QString(key).replace(u'.', u'/');
            const Finished done =
                runTool(ipTool(), {s("netns"), s("exec"), name(role), s("sh"), s("-c"), s("echo \"$1\" > \"$2\""),
                                   s("sh"), setting.section(u'=', 1), path});
            if (!done.finished || done.exitCode != 0)
                return setting + s(": ") + QString::fromLocal8Bit(done.err).trimmed();
        }
        return {};
    }

    // Starts a simulator in a namespace; empty when it is ready.
    QString startSim(const char* role, const char* label, QStringList arguments) {
        arguments << s("--device-port") << QString::number(kWebPort) << s("--log-queries");
        auto sim = std::make_unique<TestSupport::SimProcess>(arguments, name(role));
        if (!sim->start(20000))
            return QStringLiteral("the simulator %1 did not start: %2").arg(QLatin1String(label), sim->output());
        m_sims.emplace(QString::fromLatin1(label), std::move(sim));
        return {};
    }

    // Everything the simulator has printed so far.
    QString log(const char* label) {
        QProcess& sim = m_sims.at(QString::fromLatin1(label))->process();
        // What waits in the pipe, up to a quiet moment: the simulator logs as the query arrives.
        while (sim.waitForReadyRead(200))
            continue;
        m_logs[QString::fromLatin1(label)] += QString::fromUtf8(sim.readAllStandardOutput());
        return m_logs[QString::fromLatin1(label)];
    }

private:
    // Namespaces of runs that were killed before they could clean up.
    void removeLeftovers() const {
        const Finished list = runTool(ipTool(), {s("netns"), s("list")});
        for (const QByteArray& line : list.out.split('\n')) {
            const QString name = QString::fromUtf8(line.split(' ').value(0));
            const QStringList parts = name.split(u'-');
            if (parts.size() != 3 || parts[0] != QLatin1String("zdreach"))
                continue;
            if (!QFileInfo::exists(s("/proc/") + parts[1]))
                runTool(ipTool(), {s("netns"), s("delete"), name});
        }
    }

    QString m_prefix;
    QStringList m_made;
    std::map<QString, std::unique_ptr<TestSupport::SimProcess>> m_sims;
    std::map<QString, QString> m_logs;
};

QString build(Lab& lab) {
    for (const char* role : {"p", "a", "b", "c"}) {
        if (QString refused = lab.add(role); !refused.isEmpty())
            return refused;
    }
    const auto address = [](const QString& ip, const char* device) {
        return QStringList{s("addr"), s("add"), ip + s("/24"), s("dev"), s(device)};
    };
    const auto up = [](const char* device) { return QStringList{s("link"), s("set"), s(device), s("up")}; };
    struct Step {
        const char* role;
        QStringList arguments;
    };
    std::vector<Step> steps{
        {"a", {s("link"), s("add"), s("br0"), s("type"), s("bridge")}},
        {"a", up("br0")},
        {"p",
         {s("link"), s("add"), s("pa1"), s("type"), s("veth"), s("peer"), s("name"), s("a1"), s("netns"),
          lab.name("a")}},
        {"p",
         {s("link"), s("add"), s("pa2"), s("type"), s("veth"), s("peer"), s("name"), s("a2"), s("netns"),
          lab.name("a")}},
        {"p",
         {s("link"), s("add"), s("pb"), s("type"), s("veth"), s("peer"), s("name"), s("bp"), s("netns"),
          lab.name("b")}},
        {"b",
         {s("link"), s("add"), s("bc"), s("type"), s("veth"), s("peer"), s("name"), s("cb"), s("netns"),
          lab.name("c")}},
        {"a", {s("link"), s("set"), s("a1"), s("master"), s("br0")}},
        {"a", {s("link"), s("set"), s("a2"), s("master"), s("br0")}},
        {"a", up("a1")},
        {"a", up("a2")},
        {"p", address(s("10.1.0.1"), "pa1")},
        {"p", address(s("10.1.0.2"), "pa2")},
        {"p", address(s("10.2.0.1"), "pb")},
        {"p", up("pa1")},
        {"p", up("pa2")},
        {"p", up("pb")},
        {"b", address(s("10.2.0.254"), "bp")},
        {"b", address(s("10.3.0.1"), "bc")},
        {"b", up("bp")},
        {"b", up("bc")},
        {"c", address(kFar, "cb")},
        {"c", up("cb")},
        {"c", {s("route"), s("add"), s("default"), s("via"), s("10.3.0.1")}},
        // As on most machines, the default route leads to one network: the limited broadcast leaves by it alone.
        {"p", {s("route"), s("add"), s("default"), s("dev"), s("pa1")}},
        {"p", {s("route"), s("add"), s("10.3.0.0/24"), s("via"), s("10.2.0.254")}},
    };
    for (const QString& ip : kLanA + kLossyA)
        steps.push_back({"a", address(ip, "br0")});
    for (const QString& ip : kLanB + kLossyB)
        steps.push_back({"b", address(ip, "bp")});
    for (const Step& step : steps) {
        if (QString failed = lab.ip(step.role, step.arguments); !failed.isEmpty())
            return failed;
    }
    // Answers to 10.1.0.2 may come in by pa1 and the other way round: no reverse-path filter may drop them.
    QStringList noFilter;
    for (const char* device : {"all", "default", "pa1", "pa2", "pb"})
        noFilter << QStringLiteral("net.ipv4.conf.%1.rp_filter=0").arg(QLatin1String(device));
    if (QString failed = lab.sysctl("p", noFilter); !failed.isEmpty())
        return failed;
    if (QString failed = lab.sysctl("b", {s("net.ipv4.ip_forward=1")}); !failed.isEmpty())
        return failed;

    const auto fleet = [](const QString& first, int units, quint16 port, const char* broadcast, const char* name) {
        return QStringList{
            s("--units"),          QString::number(units), s("--first-address"), first,  s("--broadcast"), s(broadcast),
            s("--discovery-port"), QString::number(port),  s("--host-name"),     s(name)};
    };
    const auto lossy = [](QStringList arguments) {
        return arguments + QStringList{s("--drop-queries"), s("30"), s("--seed"), QString::number(kLossySeed)};
    };
    struct Sim {
        const char* role;
        const char* label;
        QStringList arguments;
    };
    const Sim sims[] = {
        {"a", "A", fleet(kLanA[0], 3, kPort, "10.1.0.255,255.255.255.255", "LanA-%n")},
        {"b", "B", fleet(kLanB[0], 3, kPort, "10.2.0.255,255.255.255.255", "LanB-%n")},
        {"c", "C", fleet(kFar, 1, kPort, "10.3.0.255,255.255.255.255", "Far-%n")},
        {"a", "lossy A", lossy(fleet(kLossyA[0], kLossyUnits, kLossyPort, "10.1.0.255,255.255.255.255", "LossyA-%n"))},
        {"b", "lossy B", lossy(fleet(kLossyB[0], kLossyUnits, kLossyPort, "10.2.0.255,255.255.255.255", "LossyB-%n"))},
    };
    for (const Sim& sim : sims) {
        if (QString failed = lab.startSim(sim.role, sim.label, sim.arguments); !failed.isEmpty())
            return failed;
    }
    return {};
}

class DiscoveryReach : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (inside())
            return;
        if (::geteuid() != 0) {
            skipReason = s("making network namespaces needs root (CI runs as root)");
            return;
        }
        if (ipTool().isEmpty()) {
            skipReason = s("the ip tool (iproute2) is missing: run scripts/bootstrap");
            return;
        }
        lab = std::make_unique<Lab>();
        if (const QString refused = lab->add("probe"); !refused.isEmpty()) {
            skipReason = s("cannot make a network namespace here: ") + refused;
            lab.reset();
            return;
        }
        buildError = build(*lab);
    }
    static void TearDownTestSuite() { lab.reset(); }

    void SetUp() override {
        if (inside())
            return;
        if (!skipReason.isEmpty())
            GTEST_SKIP() << skipReason.toStdString();
        ASSERT_TRUE(buildError.isEmpty()) << buildError.toStdString();
    }

    // This same test, run inside the program's namespace; what it printed is shown here.
    void runInside() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kInside), s("1"));
        const Finished inner = runTool(ipTool(),
                                       {s("netns"), s("exec"), lab->name("p"), QCoreApplication::applicationFilePath(),
                                        QStringLiteral("--gtest_filter=%1.%2")
                                            .arg(QLatin1String(test->test_suite_name()), QLatin1String(test->name()))},
                                       90000, environment);
        std::fwrite(inner.out.constData(), 1, static_cast<size_t>(inner.out.size()), stdout);
        std::fflush(stdout);
        ASSERT_TRUE(inner.finished) << "the run inside the namespace did not end in time";
        ASSERT_EQ(inner.exitCode, 0) << inner.err.toStdString();
        ASSERT_TRUE(inner.out.contains("[  PASSED  ] 1 test")) << "the test did not run inside";
    }

    static inline std::unique_ptr<Lab> lab;
    static inline QString skipReason;
    static inline QString buildError;
};

// ---- inside: the program's side

// The environment of a CLI run that takes the every-interface default.
QProcessEnvironment defaultEnvironment() {
    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    environment.remove(s("ZUREDOR_BROADCAST"));
    return environment;
}

QSet<QString> cliScan(const QStringList& options, quint16 port = kPort) {
    const TestSupport::CliRun scan =
        TestSupport::runCli(options + QStringList{s("scan"), s("--json"), s("--wait"), s("2.5"), s("--discovery-port"),
                                                  QString::number(port)},
                            defaultEnvironment());
    EXPECT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    QSet<QString> ips;
    const QJsonArray rows = QJsonDocument::fromJson(scan.out).array();
    for (const QJsonValue& row : rows)
        ips.insert(row.toObject().value(s("ip")).toString());
    EXPECT_EQ(ips.size(), rows.size()) << "each unit once: " << scan.out.toStdString();
    return ips;
}

Discovery::ScanResult scan(const QStringList& broadcast, quint16 port, std::chrono::milliseconds wait,
                           QList<std::chrono::milliseconds> repeats = Discovery::defaultRepeats()) {
    return Discovery::ScanOnce({Discovery::targetsFor(broadcast), port, wait, std::move(repeats)});
}

TEST_F(DiscoveryReach, TheDefaultFindsEveryUnitOfBothLans) {
    if (!inside())
        return runInside();
    const Discovery::ScanResult result = scan({}, kPort, 2500ms);
    ASSERT_FALSE(result.error);
    const QSet<QString> found = ipsOf(result.rows);
    EXPECT_EQ(found, setOf(kLanA + kLanB)) << "and not 10.3.0.10: no broadcast crosses the router";
    EXPECT_EQ(result.rows.size(), found.size()) << "each unit once";
    say(QStringLiteral("two LANs, the default (255.255.255.255 and each interface's broadcast): %1 of 6 units "
                       "(LAN A %2, LAN B %3)")
            .arg(found.size())
            .arg(countIn(found, kLanA))
            .arg(countIn(found, kLanB)));
    EXPECT_EQ(cliScan({}), setOf(kLanA + kLanB)) << "zuredor-cli scan";
}

TEST_F(DiscoveryReach, TheLimitedBroadcastAloneMissesTheSecondLan) {
    if (!inside()) {
        runInside();
        // What the units heard: the limited broadcast left by the default route only.
        EXPECT_TRUE(lab->log("A").contains(s("to 255.255.255.255"))) << lab->log("A").toStdString();
        EXPECT_FALSE(lab->log("B").contains(s("to 255.255.255.255"))) << lab->log("B").toStdString();
        say(s("observed: LAN A's units logged queries to 255.255.255.255; LAN B's units logged none, only "
              "their directed broadcast 10.2.0.255"));
        return;
    }
    const Discovery::ScanResult once = scan({s("255.255.255.255")}, kPort, 1000ms, {});
    ASSERT_FALSE(once.error);
    const QSet<QString> found = ipsOf(once.rows);
    EXPECT_EQ(found, setOf(kLanA));
    say(QStringLiteral("two LANs, one send to 255.255.255.255 alone: %1 of 6 units (LAN A %2, LAN B %3)")
            .arg(found.size())
            .arg(countIn(found, kLanA))
            .arg(countIn(found, kLanB)));
    EXPECT_EQ(cliScan({s("--broadcast"), s("255.255.255.255")}), setOf(kLanA)) << "repeats do not change where";
}

TEST_F(DiscoveryReach, AUnitBeyondTheRouterIsFoundAtItsOwnAddress) {
    if (!inside())
        return runInside();
    EXPECT_EQ(cliScan({s("--broadcast"), s("10.1.0.255,") + kFar}), setOf(kLanA + QStringList{kFar}));
    const TestSupport::CliRun named = TestSupport::runCli(
        {s("get"), s("Far-1"), s("host_name"), s("--broadcast"), kFar, s("--discovery-port"), QString::number(kPort),
         s("--device-port"), QString::number(kWebPort), s("-p"), s("admin")},
        defaultEnvironment());
    EXPECT_EQ(named.exitCode, 0) << named.err.toStdString();
    EXPECT_EQ(named.out, QByteArray("Far-1\n"));
    EXPECT_EQ(named.err, QByteArray("zuredor-cli: \"Far-1\" is 10.3.0.10\n"));
}

TEST_F(DiscoveryReach, TheRepeatsListEveryUnitOfALossyNetwork) {
    if (!inside()) {
        runInside();
        // LAN B hears one copy of the single send: its first query, and some of its units ignored it.
        const QString log = lab->log("lossy B");
        const auto first = QRegularExpression(s("query from [^\n]*, (\\d+) dropped\n")).match(log);
        ASSERT_TRUE(first.hasMatch()) << log.toStdString();
        EXPECT_GT(first.captured(1).toInt(), 0) << log.toStdString();
        return;
    }
    const QStringList all = kLossyA + kLossyB;
    const Discovery::ScanResult once = scan({}, kLossyPort, 1000ms, {});
    ASSERT_FALSE(once.error);
    const Discovery::ScanResult repeated = scan({}, kLossyPort, 2500ms);
    ASSERT_FALSE(repeated.error);
    say(QStringLiteral("30 % of the queries dropped by each unit, default targets: one send lists %1 of %2 units, the "
                       "send and its repeats %3 of %2")
            .arg(once.rows.size())
            .arg(all.size())
            .arg(repeated.rows.size()));
    EXPECT_LT(once.rows.size(), all.size()) << "the loss is real: one send misses a unit";
    EXPECT_EQ(ipsOf(repeated.rows), setOf(all));
    EXPECT_EQ(repeated.rows.size(), all.size()) << "each unit once, however many copies it answered";
}

TEST_F(DiscoveryReach, AUnitHeardOnTwoInterfacesIsListedOnce) {
    if (!inside()) {
        runInside();
        const QString log = lab->log("A");
        EXPECT_TRUE(log.contains(s("query from 10.1.0.1:14675 to 10.1.0.255"))) << log.toStdString();
        EXPECT_TRUE(log.contains(s("query from 10.1.0.2:14675 to 10.1.0.255"))) << log.toStdString();
        return;
    }
    // One round by hand, to count the copies each unit answers.
    Discovery::UdpEndpoint endpoint;
    ASSERT_TRUE(endpoint.open(kPort)) << endpoint.errorText().toStdString();
    Discovery::ReplyCollector collector;
    QList<Discovery::DeviceRow> rows;
    QMap<QString, int> answers;
    QObject::connect(&endpoint, &Discovery::UdpEndpoint::datagramReceived,
                     [&](const QByteArray& datagram, const QHostAddress& sender, quint16) {
                         const QString ip = Discovery::senderText(sender);
                         if (Discovery::parseDiscoveryReply(datagram) && kLanA.contains(ip))
                             ++answers[ip];
                         if (auto row = collector.accept(sender, datagram))
                             rows.append(*row);
                     });
    Discovery::QuerySender sender(endpoint);
    ASSERT_TRUE(sender.start(Discovery::targetsFor({}), kPort, {}).isEmpty());
    TestSupport::waitUntil([] { return false; }, 1000);
    for (const QString& ip : kLanA) {
        // 255.255.255.255 by pa1, and 10.1.0.255 by pa1 and by pa2.
        EXPECT_EQ(answers.value(ip), 3) << ip.toStdString();
    }
    EXPECT_EQ(ipsOf(rows), setOf(kLanA + kLanB));
    EXPECT_EQ(rows.size(), 6);
}

TEST_F(DiscoveryReach, TheScanWindowFindsEveryUnitOfBothLans) {
    if (!inside())
        return runInside();
    const auto listed = [](const Discovery::ScanWindow& window) {
        QStringList ips;
        for (int row = 0; row < window.listView()->rowCount(); ++row)
            ips << window.listView()->item(row, 0)->text();
        return ips;
    };
    Base::NetworkSettings settings;
    settings.discoveryPort = kPort;
    Discovery::ScanWindow window(settings);
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>(s("ScanBtn")), Qt::LeftButton);
    EXPECT_TRUE(TestSupport::waitUntil([&] { return listed(window).size() >= 6; }, 3000));
    // Every repeat out and answered: still one row per unit.
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !window.querySender().isRunning(); }, 3000));
    TestSupport::waitUntil([] { return false; }, 300);
    const QStringList ips = listed(window);
    EXPECT_EQ(setOf(ips), setOf(kLanA + kLanB));
    EXPECT_EQ(ips.size(), 6) << ips.join(u' ').toStdString();
    say(QStringLiteral("the scan window, default: %1 rows").arg(ips.size()));

    settings.broadcast = {s("10.1.0.255"), s("10.2.0.255"), kFar};
    Discovery::ScanWindow beyond(settings);
    beyond.show();
    beyond.ScanBtnClick();
    EXPECT_TRUE(TestSupport::waitUntil([&] { return listed(beyond).size() >= 7; }, 3000));
    EXPECT_EQ(setOf(listed(beyond)), setOf(kLanA + kLanB + QStringList{kFar}));
}

TEST_F(DiscoveryReach, TheCliFindsAUnitOfTheSecondLanByItsName) {
    if (!inside())
        return runInside();
    const TestSupport::CliRun get =
        TestSupport::runCli({s("get"), s("LanB-2"), s("host_name"), s("--discovery-port"), QString::number(kPort),
                             s("--device-port"), QString::number(kWebPort), s("-p"), s("admin")},
                            defaultEnvironment());
    EXPECT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_EQ(get.out, QByteArray("LanB-2\n"));
    EXPECT_EQ(get.err, QByteArray("zuredor-cli: \"LanB-2\" is 10.2.0.11\n"));
}

} // namespace
