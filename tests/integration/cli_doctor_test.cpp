// `zuredor-cli doctor` against set-ups that show each cause, made of network
// namespaces this test creates (root; skipped otherwise): the machine's own
// networks never see a datagram of it.
//
//   program namespace P: pa 10.1.0.1/24 to LAN A (no units), pb 10.2.0.1/24 to
//     LAN B; the default route goes out of pa
//   LAN B (namespace B): units 10.2.0.10 and 10.2.0.11, with web and SMB servers
//
// The mount checks with and without gio and a session bus run on loopback.

#include "support/cli_run.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

constexpr quint16 kPort = 14675; // inside the namespaces nothing else listens on it
constexpr quint16 kWebPort = 8080;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

QString tool(const char* name) {
    const QString found = QStandardPaths::findExecutable(s(name));
    return found.isEmpty() ? QStandardPaths::findExecutable(s(name), {s("/usr/sbin"), s("/sbin")}) : found;
}

TestSupport::CliRun run(const QString& program, const QStringList& arguments, int timeoutMs = 10000) {
    return TestSupport::runProgram(program, arguments, {}, QProcessEnvironment::systemEnvironment(), timeoutMs);
}

// One finding of the doctor's JSON, by the check's name.
struct Finding {
    QString result;
    QString details;
    QString advice;
};

struct Report {
    TestSupport::CliRun run;
    std::map<QString, Finding> checks;
    QString result;

    Finding at(const char* name) const {
        const auto found = checks.find(s(name));
        return found == checks.end() ? Finding{s("(missing)"), {}, {}} : found->second;
    }
    std::string text() const { return (run.out + run.err).toStdString(); }
};

Report report(const TestSupport::CliRun& done) {
    Report parsed{done, {}, {}};
    const QJsonObject object = QJsonDocument::fromJson(done.out).object();
    parsed.result = object.value(s("result")).toString();
    for (const QJsonValue& value : object.value(s("checks")).toArray()) {
        const QJsonObject check = value.toObject();
        parsed.checks[check.value(s("name")).toString()] = {check.value(s("result")).toString(),
                                                            check.value(s("details")).toString(),
                                                            check.value(s("advice")).toString()};
    }
    return parsed;
}

void show(const QByteArray& text) {
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    std::fflush(stdout);
}

// The namespaces of one run, named after its process; deleting a namespace takes its links with it.
class Lab {
public:
    Lab() : m_prefix(QStringLiteral("zddoc-%1-").arg(::getpid())) { removeLeftovers(); }
    ~Lab() {
        m_sims.clear();
        for (const QString& name : std::as_const(m_made))
            run(tool("ip"), {s("netns"), s("delete"), name});
    }
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    QString name(const char* role) const { return m_prefix + QLatin1String(role); }

    QString add(const char* role) {
        const auto made = run(tool("ip"), {s("netns"), s("add"), name(role)});
        if (!made.finished || made.exitCode != 0)
            return QString::fromLocal8Bit(made.err).trimmed();
        m_made << name(role);
        return ip(role, {s("link"), s("set"), s("lo"), s("up")});
    }

    // `ip -n NAMESPACE ...`: empty when done, else the command and what ip said.
    QString ip(const char* role, const QStringList& arguments) const {
        return inside(role, tool("ip"), QStringList{s("-n"), name(role)} + arguments, false);
    }

    // A program run in a namespace; empty when it succeeded.
    QString inside(const char* role, const QString& program, const QStringList& arguments, bool exec = true) const {
        const QStringList all = exec ? QStringList{s("netns"), s("exec"), name(role), program} + arguments : arguments;
        const auto done = run(tool("ip"), all);
        if (done.finished && done.exitCode == 0)
            return {};
        return all.join(u' ') + s(": ") + QString::fromLocal8Bit(done.err).trimmed();
    }

    QString startSim(const char* role, const char* label, const QStringList& arguments) {
        auto sim = std::make_unique<TestSupport::SimProcess>(arguments, name(role));
        if (!sim->start(20000))
            return QStringLiteral("the simulator %1 did not start: %2").arg(QLatin1String(label), sim->output());
        m_sims[s(label)] = std::move(sim);
        return {};
    }
    TestSupport::SimProcess& sim(const char* label) { return *m_sims.at(s(label)); }
    void stopSim(const char* label) { m_sims.erase(s(label)); }

    // zuredor-cli in a namespace, with the every-interface default unless the arguments say otherwise.
    Report doctor(const char* role, const QStringList& arguments, const QProcessEnvironment& environment) const {
        return report(TestSupport::runProgram(
            tool("ip"),
            QStringList{s("netns"), s("exec"), name(role), s(ZUREDOR_CLI_PATH), s("doctor"), s("--json")} + arguments,
            {}, environment, 60000));
    }

private:
    void removeLeftovers() const {
        const auto list = run(tool("ip"), {s("netns"), s("list")});
        for (const QByteArray& line : list.out.split('\n')) {
            const QString name = QString::fromUtf8(line.split(' ').value(0));
            const QStringList parts = name.split(u'-');
            if (parts.size() == 3 && parts[0] == QLatin1String("zddoc") && !QFileInfo::exists(s("/proc/") + parts[1]))
                run(tool("ip"), {s("netns"), s("delete"), name});
        }
    }

    QString m_prefix;
    QStringList m_made;
    std::map<QString, std::unique_ptr<TestSupport::SimProcess>> m_sims;
};

QString build(Lab& lab, const QString& work) {
    for (const char* role : {"p", "a", "b"}) {
        if (QString refused = lab.add(role); !refused.isEmpty())
            return refused;
    }
    const auto veth = [&lab](const char* here, const char* there, const char* role) {
        return QStringList{s("link"), s("add"),  s(here),  s("type"),  s("veth"),
                           s("peer"), s("name"), s(there), s("netns"), lab.name(role)};
    };
    const auto address = [](const char* ip, const char* device) {
        return QStringList{s("addr"), s("add"), s(ip), s("dev"), s(device)};
    };
    const auto up = [](const char* device) { return QStringList{s("link"), s("set"), s(device), s("up")}; };
    const std::pair<const char*, QStringList> steps[] = {
        {"p", veth("pa", "ap", "a")},
        {"p", veth("pb", "bp", "b")},
        {"p", address("10.1.0.1/24", "pa")},
        {"p", address("10.2.0.1/24", "pb")},
        {"p", up("pa")},
        {"p", up("pb")},
        {"a", address("10.1.0.254/24", "ap")},
        {"a", up("ap")},
        {"b", address("10.2.0.10/24", "bp")},
        {"b", address("10.2.0.11/24", "bp")},
        {"b", up("bp")},
        // As on most machines, the default route leads to one network only.
        {"p", {s("route"), s("add"), s("default"), s("via"), s("10.1.0.254")}},
    };
    for (const auto& [role, arguments] : steps) {
        if (QString failed = lab.ip(role, arguments); !failed.isEmpty())
            return failed;
    }
    return lab.startSim("b", "B",
                        {s("--units"), s("2"), s("--first-address"), s("10.2.0.10"), s("--broadcast"),
                         s("10.2.0.255,255.255.255.255"), s("--discovery-port"), QString::number(kPort),
                         s("--device-port"), QString::number(kWebPort), s("--smb"), work + s("/smb")});
}

class CliDoctor : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (::geteuid() != 0) {
            skipReason = s("making network namespaces needs root (CI runs as root)");
            return;
        }
        if (tool("ip").isEmpty()) {
            skipReason = s("the ip tool (iproute2) is missing: run scripts/bootstrap");
            return;
        }
        work = std::make_unique<QTemporaryDir>();
        lab = std::make_unique<Lab>();
        if (const QString refused = lab->add("probe"); !refused.isEmpty()) {
            skipReason = s("cannot make a network namespace here: ") + refused;
            lab.reset();
            return;
        }
        buildError = build(*lab, work->path());
        QDir().mkpath(work->path() + s("/home"));
        bus = std::make_unique<QLocalServer>();
        if (buildError.isEmpty() && !bus->listen(work->path() + s("/bus")))
            buildError = s("cannot listen as a session bus: ") + bus->errorString();
    }
    static void TearDownTestSuite() {
        lab.reset();
        bus.reset();
        work.reset();
    }

    void SetUp() override {
        if (!skipReason.isEmpty())
            GTEST_SKIP() << skipReason.toStdString();
        ASSERT_TRUE(buildError.isEmpty()) << buildError.toStdString();
    }

    // A desktop session's environment: a session bus and a home of the test's own; no address list.
    static QProcessEnvironment session() {
        QProcessEnvironment environment = TestSupport::cleanEnvironment();
        environment.remove(s("ZUREDOR_BROADCAST"));
        environment.insert(s("HOME"), work->path() + s("/home"));
        environment.insert(s("DBUS_SESSION_BUS_ADDRESS"), s("unix:path=") + work->path() + s("/bus"));
        return environment;
    }

    Report doctor(const QStringList& arguments = {}) const {
        const Report done = lab->doctor(
            "p", QStringList{s("--device-port"), QString::number(kWebPort), s("--wait"), s("2.5")} + arguments,
            session());
        EXPECT_TRUE(done.run.finished) << "doctor did not end in time";
        return done;
    }

    static inline std::unique_ptr<Lab> lab;
    static inline std::unique_ptr<QTemporaryDir> work;
    static inline std::unique_ptr<QLocalServer> bus;
    static inline QString skipReason;
    static inline QString buildError;
};

TEST_F(CliDoctor, ACleanSetUpPassesEveryCheck) {
    const Report done = doctor({s("-p"), s("admin"), s("10.2.0.10")});
    for (const auto& [name, finding] : done.checks)
        EXPECT_EQ(finding.result, s("ok")) << name.toStdString() << ": " << finding.details.toStdString();
    EXPECT_EQ(done.checks.size(), 14u) << done.text();
    EXPECT_EQ(done.run.exitCode, 0) << done.text();
    EXPECT_EQ(done.result, s("ok"));
    const Finding interfaces = done.at("interfaces");
    EXPECT_TRUE(interfaces.details.contains(s("pa 10.1.0.1/24 broadcast 10.1.0.255 (default route)")))
        << interfaces.details.toStdString();
    EXPECT_TRUE(interfaces.details.contains(s("pb 10.2.0.1/24 broadcast 10.2.0.255")))
        << interfaces.details.toStdString();
    EXPECT_TRUE(done.at("live test").details.contains(s("pa: 0, pb: 2"))) << done.at("live test").details.toStdString();
    EXPECT_TRUE(done.at("SMB port").details.contains(s("10.2.0.10 accepts connections on port 445")));

    const Report text = report(TestSupport::runProgram(
        tool("ip"), {s("netns"), s("exec"), lab->name("p"), s(ZUREDOR_CLI_PATH), s("doctor")}, {}, session(), 60000));
    EXPECT_EQ(text.run.exitCode, 0) << text.text();
    EXPECT_TRUE(text.run.out.endsWith("No check found a problem.\n")) << text.text();
    show("clean set-up, zuredor-cli doctor:\n" + text.run.out);
}

TEST_F(CliDoctor, AFirewallRuleDroppingTheAnswersIsNamedWithItsFix) {
    const QString nft = tool("nft");
    if (nft.isEmpty())
        GTEST_SKIP() << "nft is missing: run scripts/bootstrap";
    // Set in P only, and removed again whatever the test finds.
    struct Table {
        Lab& lab;
        QString made;
        ~Table() { lab.inside("p", tool("nft"), {s("delete"), s("table"), s("inet"), s("zdtest")}); }
    } table{*lab, {}};
    for (const QStringList& command : {QStringList{s("add"), s("table"), s("inet"), s("zdtest")},
                                       QStringList{s("add"), s("chain"), s("inet"), s("zdtest"), s("input"),
                                                   s("{ type filter hook input priority 0 ; policy accept ; }")},
                                       QStringList{s("add"), s("rule"), s("inet"), s("zdtest"), s("input"), s("udp"),
                                                   s("sport"), QString::number(kPort), s("drop")}})
        ASSERT_EQ(lab->inside("p", nft, command), QString());

    const Report done = doctor();
    EXPECT_EQ(done.run.exitCode, 1) << done.text();
    const Finding firewall = done.at("firewall");
    EXPECT_EQ(firewall.result, s("problem")) << done.text();
    EXPECT_TRUE(firewall.details.contains(s("nft table inet zdtest, chain input: udp sport 14675 drop")))
        << firewall.details.toStdString();
    EXPECT_EQ(firewall.advice, s("let them in: sudo nft insert rule inet zdtest input udp sport 14675 accept"));
    EXPECT_EQ(done.at("live test").result, s("problem")) << "the units' answers are dropped";
    EXPECT_EQ(done.at("discovery port").result, s("ok"));

    const auto text = TestSupport::runProgram(
        tool("ip"), {s("netns"), s("exec"), lab->name("p"), s(ZUREDOR_CLI_PATH), s("doctor")}, {}, session(), 60000);
    show("firewall set-up, zuredor-cli doctor:\n" + text.out);
}

TEST_F(CliDoctor, AProgramHoldingTheDiscoveryPortIsNamed) {
    ASSERT_EQ(
        lab->startSim("p", "holder",
                      {s("--units"), s("1"), s("--first-address"), s("10.1.0.1"), s("--broadcast"), s("10.1.0.255"),
                       s("--discovery-port"), QString::number(kPort), s("--device-port"), s("8081")}),
        QString());
    const qint64 pid = lab->sim("holder").process().processId();
    const Report done = doctor();
    lab->stopSim("holder");
    const Finding port = done.at("discovery port");
    // The units of LAN B answered past it: named, with what it means, and no problem.
    EXPECT_EQ(port.result, s("ok")) << done.text();
    EXPECT_TRUE(port.details.contains(QStringLiteral("zuredor-sim (pid %1, simulated units)").arg(pid)))
        << port.details.toStdString();
    EXPECT_TRUE(port.details.contains(s("heard the units all the same"))) << port.details.toStdString();
    EXPECT_FALSE(port.advice.contains(s("kill"))) << port.advice.toStdString();
    EXPECT_EQ(done.run.exitCode, 0) << done.text();
    const Finding gone = doctor().at("discovery port");
    EXPECT_EQ(gone.result, s("ok")) << "once it has quit";
    EXPECT_TRUE(gone.details.contains(s("no other program holds"))) << gone.details.toStdString();
}

TEST_F(CliDoctor, AQueryThatLeavesByOneInterfaceMissesTheUnitsOnTheOther) {
    // 255.255.255.255 leaves by the default route's interface, on LAN A, where no unit is.
    const Report done = doctor({s("--broadcast"), s("255.255.255.255")});
    const Finding live = done.at("live test");
    EXPECT_EQ(live.result, s("problem")) << done.text();
    EXPECT_TRUE(live.details.contains(s("never reached the network of pb"))) << live.details.toStdString();
    EXPECT_TRUE(live.advice.contains(s("--broadcast 255.255.255.255,10.2.0.255"))) << live.advice.toStdString();
    EXPECT_EQ(done.run.exitCode, 1);

    const Report both = doctor({s("--broadcast"), s("255.255.255.255,10.2.0.255")});
    EXPECT_EQ(both.at("live test").result, s("ok")) << both.text();
    EXPECT_TRUE(both.at("live test").details.contains(s("pb: 2"))) << both.text();
}

TEST_F(CliDoctor, AUnitWithoutARouteIsSaidToBeUnreachable) {
    struct Route {
        Lab& lab;
        ~Route() { lab.ip("p", {s("route"), s("add"), s("default"), s("via"), s("10.1.0.254")}); }
    } restore{*lab};
    ASSERT_EQ(lab->ip("p", {s("route"), s("del"), s("default")}), QString());
    const Report done = doctor({s("-p"), s("admin"), s("10.3.0.10")});
    const Finding route = done.at("route");
    EXPECT_EQ(route.result, s("problem")) << done.text();
    EXPECT_TRUE(route.details.contains(s("no route to 10.3.0.10"))) << route.details.toStdString();
    EXPECT_TRUE(route.advice.contains(s("sudo ip route add 10.3.0.10 via"))) << route.advice.toStdString();
    EXPECT_EQ(done.at("interfaces").result, s("warning"));
    EXPECT_TRUE(done.at("interfaces").details.contains(s("no default route")));
    EXPECT_EQ(done.at("unit discovery").result, s("problem"));
    EXPECT_EQ(done.at("web page").result, s("problem"));
    EXPECT_EQ(done.run.exitCode, 1);
}

TEST_F(CliDoctor, ADefaultRouteThroughAVpnIsNamed) {
    struct Tunnel {
        Lab& lab;
        ~Tunnel() {
            lab.ip("p", {s("route"), s("replace"), s("default"), s("via"), s("10.1.0.254")});
            lab.ip("p", {s("link"), s("delete"), s("tun0")});
        }
    } restore{*lab};
    for (const QStringList& step : {QStringList{s("tuntap"), s("add"), s("dev"), s("tun0"), s("mode"), s("tun")},
                                    QStringList{s("addr"), s("add"), s("10.8.0.2/24"), s("dev"), s("tun0")},
                                    QStringList{s("link"), s("set"), s("tun0"), s("up")},
                                    QStringList{s("route"), s("replace"), s("default"), s("dev"), s("tun0")}})
        ASSERT_EQ(lab->ip("p", step), QString());
    const Report done = doctor();
    const Finding interfaces = done.at("interfaces");
    EXPECT_EQ(interfaces.result, s("warning")) << done.text();
    EXPECT_TRUE(interfaces.details.contains(s("tun0 10.8.0.2/24"))) << interfaces.details.toStdString();
    EXPECT_TRUE(interfaces.details.contains(s("(default route) (VPN or virtual)"))) << interfaces.details.toStdString();
    EXPECT_TRUE(interfaces.advice.contains(s("through the VPN tun0"))) << interfaces.advice.toStdString();
    EXPECT_TRUE(done.at("live test").details.contains(s("pb: 2"))) << "each network's own broadcast still goes out";
}

TEST_F(CliDoctor, AWrongPasswordAndAMissingSmbServerAreTold) {
    const Report wrong = doctor({s("-p"), s("not-it"), s("10.2.0.10")});
    EXPECT_EQ(wrong.at("web page").result, s("problem")) << wrong.text();
    EXPECT_TRUE(wrong.at("web page").advice.contains(s("-p PASSWORD"))) << wrong.text();
    EXPECT_EQ(wrong.at("unit discovery").result, s("ok"));

    // A machine of LAN A that is no unit: nothing listens there.
    const Report none = doctor({s("-p"), s("admin"), s("10.1.0.254")});
    EXPECT_EQ(none.at("unit discovery").result, s("problem")) << none.text();
    EXPECT_EQ(none.at("web page").result, s("problem"));
    EXPECT_EQ(none.at("SMB port").result, s("problem"));
    EXPECT_TRUE(none.at("SMB port").details.contains(s("no connection on SMB port 445")));
}

// The demo's set-up: a namespace with loopback alone, units on 127.0.0.2-4 that the simulator
// serves (it holds the discovery port), the address list from ZUREDOR_BROADCAST.
TEST_F(CliDoctor, InsideTheDemosNamespaceOnlyWhatStopsAScanIsAProblem) {
    ASSERT_EQ(lab->add("d"), QString());
    for (const char* address : {"127.0.0.2/8", "127.0.0.3/8", "127.0.0.4/8"})
        ASSERT_EQ(lab->ip("d", {s("addr"), s("add"), s(address), s("dev"), s("lo")}), QString());
    ASSERT_EQ(lab->startSim("d", "demo",
                            {s("--units"), s("3"), s("--broadcast"), s("127.255.255.255"), s("--discovery-port"),
                             QString::number(kPort), s("--device-port"), QString::number(kWebPort), s("--smb"),
                             work->path() + s("/demo-smb")}),
              QString());
    QProcessEnvironment environment = session();
    environment.insert(s("ZUREDOR_BROADCAST"), s("127.255.255.255"));
    const auto doctorHere = [&] {
        return lab->doctor("d", {s("--device-port"), QString::number(kWebPort), s("-p"), s("admin"), s("127.0.0.2")},
                           environment);
    };

    // Each holder of the port beside the simulator: ours by name share it; one that holds it alone stops a scan.
    const QString perl = QStandardPaths::findExecutable(s("perl"));
    if (perl.isEmpty())
        GTEST_SKIP() << "perl is missing (Debian's perl-base)";
    const struct {
        const char* name; // the holder's program name
        bool shared;      // SO_REUSEADDR, as our programs bind
        const char* result;
        const char* advice;
        bool kill;
    } holders[] = {
        {nullptr, true, "ok", "the simulator hears queries on it", false},
        {"zuredor", true, "ok", "close the desktop program's scan window if a terminal scan misses units", false},
        {"holder", false, "problem", "holder can take the units' answers: quit it while scanning (kill ", true},
    };
    for (const auto& c : holders) {
        const char* label = c.name ? c.name : "the simulator alone";
        QProcess holder;
        if (c.name) {
            const QString link = work->path() + u'/' + s(c.name);
            QFile::remove(link);
            ASSERT_TRUE(QFile::link(perl, link));
            holder.start(tool("ip"), {s("netns"), s("exec"), lab->name("d"), link, s("-MSocket"), s("-e"),
                                      // Alone on 127.0.0.1 it still keeps anyone else from the port on every address.
                                      QStringLiteral("socket(S, PF_INET, SOCK_DGRAM, 0) or die; %1"
                                                     "bind(S, sockaddr_in(%2, %3)) or die; $| = 1; "
                                                     "print \"ready\\n\"; sleep 60")
                                          .arg(c.shared ? s("setsockopt(S, SOL_SOCKET, SO_REUSEADDR, 1); ") : QString())
                                          .arg(kPort)
                                          .arg(c.shared ? s("INADDR_ANY") : s("INADDR_LOOPBACK"))});
            ASSERT_TRUE(holder.waitForReadyRead(10000)) << label << holder.readAllStandardError().toStdString();
        }
        const Report done = doctorHere();
        if (holder.state() != QProcess::NotRunning) {
            holder.kill(); // the holder this test started
            holder.waitForFinished(5000);
        }
        const Finding port = done.at("discovery port");
        EXPECT_EQ(port.result, s(c.result)) << label << done.text();
        EXPECT_TRUE(port.advice.contains(s(c.advice))) << label << port.advice.toStdString();
        EXPECT_EQ(port.advice.contains(s("kill")), c.kill) << label << port.advice.toStdString();
        if (c.kill) {
            EXPECT_EQ(done.at("live test").result, s("problem")) << label;
            EXPECT_EQ(done.run.exitCode, 1) << label;
            continue;
        }
        // Loopback needs no interface and no route; the live test heard the three units.
        for (const auto& [name, finding] : done.checks)
            EXPECT_NE(finding.result, s("problem"))
                << label << name.toStdString() << ": " << finding.details.toStdString();
        EXPECT_EQ(done.at("interfaces").result, s("ok")) << label;
        EXPECT_TRUE(done.at("route").details.contains(s("loopback"))) << label << done.text();
        EXPECT_TRUE(done.at("live test").details.contains(s("loopback: 3"))) << label << done.text();
        EXPECT_EQ(done.at("SMB port").result, s("ok")) << label;
        EXPECT_EQ(done.run.exitCode, 0) << label << done.text();
    }
    lab->stopSim("demo");
}

// ---- mounting, on loopback

TEST(CliDoctorMount, GioAndTheSessionBusAreFoundOrTheirAbsenceIsNamed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir().mkpath(dir.path() + s("/home")));
    ASSERT_TRUE(QDir().mkpath(dir.path() + s("/bin")));
    QLocalServer bus;
    ASSERT_TRUE(bus.listen(dir.path() + s("/bus")));
    const QString gio = QStandardPaths::findExecutable(s("gio"));
    if (gio.isEmpty())
        GTEST_SKIP() << "gio is missing: run scripts/bootstrap";

    const struct {
        const char* what;
        bool withGio;
        bool withBus;
    } cases[] = {{"gio and a bus", true, true}, {"PATH without gio", false, true}, {"no session bus", true, false}};
    for (const auto& c : cases) {
        QProcessEnvironment environment = TestSupport::cleanEnvironment();
        environment.insert(s("HOME"), dir.path() + s("/home"));
        environment.insert(s("PATH"), c.withGio ? QFileInfo(gio).path() : dir.path() + s("/bin"));
        environment.remove(s("XDG_RUNTIME_DIR"));
        if (c.withBus)
            environment.insert(s("DBUS_SESSION_BUS_ADDRESS"), s("unix:path=") + dir.path() + s("/bus"));
        else
            environment.remove(s("DBUS_SESSION_BUS_ADDRESS"));
        const Report done =
            report(TestSupport::runCli({s("doctor"), s("--json"), s("--wait"), s("0.2"), s("--discovery-port"),
                                        QString::number(TestSupport::freeUdpPort())},
                                       environment));
        ASSERT_TRUE(done.run.finished) << c.what;
        EXPECT_EQ(done.at("gio").result, c.withGio ? s("ok") : s("problem")) << c.what << done.text();
        EXPECT_EQ(done.at("session bus").result, c.withBus ? s("ok") : s("problem")) << c.what << done.text();
        EXPECT_EQ(done.at("gio").advice, c.withGio ? QString() : s("install it: sudo apt install libglib2.0-bin"));
        EXPECT_EQ(done.at("session bus").advice.contains(s("dbus-run-session")), !c.withBus) << c.what;
        // No unit answers on loopback: the live test's problem alone decides the status.
        EXPECT_EQ(done.run.exitCode, 1) << c.what;
        EXPECT_EQ(done.result, s("problem")) << c.what;
    }
}

// A rule reader that outlives its time limit is ended with everything it started.
TEST(CliDoctorTools, ARuleReaderPastItsTimeLimitTakesItsChildrenWithIt) {
    QTemporaryDir dir;
    QFile nft(dir.path() + s("/nft"));
    ASSERT_TRUE(nft.open(QIODevice::WriteOnly));
    nft.write("#!/bin/sh\nsleep 60 &\necho $! >\"$0.child\"\nwait\n");
    nft.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    nft.close();
    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    environment.insert(s("PATH"), dir.path() + u':' + environment.value(s("PATH")));
    const Report done = report(TestSupport::runCli({s("doctor"), s("--json"), s("--wait"), s("0.2"),
                                                    s("--discovery-port"), QString::number(TestSupport::freeUdpPort())},
                                                   environment));
    QFile child(nft.fileName() + s(".child"));
    ASSERT_TRUE(done.run.finished && child.open(QIODevice::ReadOnly)) << done.text();
    const auto pid = static_cast<pid_t>(child.readAll().trimmed().toInt());
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    // Gone, or a zombie that whoever adopted it has not reaped.
    const QByteArray state = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    EXPECT_TRUE(state.isEmpty() || state.contains(") Z ")) << "the stand-in's child runs on: " << state.toStdString();
    if (pid > 0 && !state.isEmpty() && !state.contains(") Z "))
        ::kill(pid, SIGKILL); // the sleep this test's stand-in started
}

} // namespace
