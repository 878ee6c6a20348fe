// The readers behind `zuredor-cli doctor`: proc files, firewall rules and the
// mount prerequisites, from made-up input.

#include "doctor_checks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

namespace {

using Cli::Doctor::Result;

constexpr quint16 kPort = 14675; // 0x3953

const QByteArray kProcUdp =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer "
    "drops\n"
    "  10: 00000000:3953 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 4242 2 0 0\n"
    "  11: 0100000A:3953 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 4343 2 0 0\n"
    "  12: 00000000:0035 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 99 2 0 0\n"
    "  13: 00000000:3954 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 98 2 0 0\n"
    "  14: 00000000:3953 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 0 2 0 0\n";
const QByteArray kProcUdp6 =
    "  sl  local_address                         remote_address                        st tx_queue rx_queue tr "
    "tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
    "   5: 00000000000000000000000000000000:3953 00000000000000000000000000000000:0000 07 00000000:00000000 "
    "00:00000000 00000000  1000        0 777 2 0 0\n";

TEST(DoctorProc, SocketsOnThePortAreFoundByTheirLocalPortOnly) {
    EXPECT_EQ(Cli::Doctor::socketInodesOnPort(kProcUdp, kPort), (QList<quint64>{4242, 4343}))
        << "wildcard and one address; not port 53 or 14676, not inode 0";
    EXPECT_EQ(Cli::Doctor::socketInodesOnPort(kProcUdp6, kPort), QList<quint64>{777});
    EXPECT_EQ(Cli::Doctor::socketInodesOnPort(kProcUdp, 53), QList<quint64>{99});
    EXPECT_TRUE(Cli::Doctor::socketInodesOnPort(kProcUdp, 1).isEmpty());
    EXPECT_TRUE(Cli::Doctor::socketInodesOnPort(QByteArray(), kPort).isEmpty());

    EXPECT_EQ(Cli::Doctor::socketInodeOfLink(QStringLiteral("socket:[4242]")), 4242u);
    EXPECT_FALSE(Cli::Doctor::socketInodeOfLink(QStringLiteral("pipe:[4242]")));
    EXPECT_FALSE(Cli::Doctor::socketInodeOfLink(QStringLiteral("/dev/null")));
}

TEST(DoctorProc, AHolderOfThePortIsAProblemOnlyWhenNoQueryCouldGoOut) {
    using Cli::Doctor::LiveOutcome;
    const QList<Cli::Doctor::PortHolder> desktopAndOther{{1034, QStringLiteral("zuredor")},
                                                         {77, QStringLiteral("listener")}};
    const struct {
        QList<Cli::Doctor::PortHolder> holders;
        bool anyHolder;
        LiveOutcome live;
        Result result;
        const char* advice; // a part of it; "" for none
    } cases[] = {
        {{}, false, LiveOutcome::HeardNone, Result::Ok, ""},
        {{{1034, QStringLiteral("zuredor")}},
         true,
         LiveOutcome::Heard,
         Result::Ok,
         "close the desktop program's scan window if a terminal scan misses units"},
        {{{1034, QStringLiteral("zuredor")}}, true, LiveOutcome::HeardNone, Result::Warning, "scan window"},
        {{{1034, QStringLiteral("zuredor")}}, true, LiveOutcome::NotSent, Result::Ok, "scan window"},
        {desktopAndOther, true, LiveOutcome::CouldNotBind, Result::Problem, "listener can take"},
        {{}, true, LiveOutcome::HeardNone, Result::Warning, "sudo ss -ulpn 'sport = :14675'"},
    };
    for (const auto& c : cases) {
        const Cli::Doctor::Check check = Cli::Doctor::portHoldersCheck(kPort, c.holders, c.anyHolder, c.live);
        const std::string where = check.details.toStdString() + " / " + check.advice.toStdString();
        EXPECT_EQ(check.result, c.result) << where;
        EXPECT_EQ(check.advice.isEmpty(), *c.advice == 0) << where;
        EXPECT_TRUE(check.advice.contains(QString::fromUtf8(c.advice))) << where;
        // Ours is never to be killed; another program is, by its own pid.
        EXPECT_FALSE(check.advice.contains(QStringLiteral("kill 1034"))) << where;
        EXPECT_EQ(check.advice.contains(QStringLiteral("kill 77")), c.holders == desktopAndOther) << where;
    }
}

quint32 v4(const char* text) {
    return QHostAddress(QString::fromLatin1(text)).toIPv4Address();
}

TEST(DoctorProc, RoutesAreReadInHostOrderAndPickedByTheLongestPrefix) {
    const QByteArray table = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
                             "eth0\t00000000\t0100000A\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
                             "eth0\t0000000A\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
                             "tun0\t8000000A\t00000000\t0001\t0\t0\t0\t80FFFFFF\t0\t0\t0\n"
                             "down\t0000A8C0\t00000000\t0000\t0\t0\t0\t0000FFFF\t0\t0\t0\n";
    const QList<Cli::Doctor::Route> routes = Cli::Doctor::parseRoutes(table);
    ASSERT_EQ(routes.size(), 3) << "a route without RTF_UP is not used";
    EXPECT_EQ(routes[0].gateway, v4("10.0.0.1"));
    EXPECT_EQ(routes[1].destination, v4("10.0.0.0"));
    EXPECT_EQ(routes[1].mask, v4("255.255.255.0"));

    const struct {
        const char* ip;
        const char* interfaceName; // empty: no route
    } cases[] = {{"10.0.0.20", "eth0"}, {"10.0.0.200", "tun0"}, {"8.8.8.8", "eth0"}};
    for (const auto& c : cases) {
        const auto route = Cli::Doctor::routeTo(routes, v4(c.ip));
        ASSERT_TRUE(route) << c.ip;
        EXPECT_EQ(route->interfaceName, QLatin1String(c.interfaceName)) << c.ip;
    }
    EXPECT_FALSE(Cli::Doctor::routeTo(routes.mid(1), v4("8.8.8.8"))) << "without the default route";
}

TEST(DoctorProc, VpnAndVirtualInterfacesAreToldByName) {
    for (const char* name : {"tun0", "tap1", "wg0", "ppp0", "docker0", "veth12ab", "virbr0", "br-4f2a", "vmnet8",
                             "vboxnet0", "tailscale0"})
        EXPECT_TRUE(Cli::Doctor::looksVirtual(QString::fromLatin1(name))) << name;
    for (const char* name : {"eth0", "enp3s0", "wlan0", "wlp2s0", "br0", "pa"})
        EXPECT_FALSE(Cli::Doctor::looksVirtual(QString::fromLatin1(name))) << name;
}

QString nftTable(const char* family, const char* policy, const QStringList& rules, const QString& extra = {}) {
    QString text = QStringLiteral("table %1 filter {\n\tchain input {\n\t\ttype filter hook input priority filter; "
                                  "policy %2;\n")
                       .arg(QLatin1String(family), QLatin1String(policy));
    for (const QString& rule : rules)
        text += QStringLiteral("\t\t%1\n").arg(rule);
    return text + QStringLiteral("\t}\n") + extra + QStringLiteral("}\n");
}

TEST(DoctorFirewall, NftRulesThatDropTheAnswersAreFound) {
    const auto s = [](const char* text) { return QString::fromUtf8(text); };
    const struct {
        const char* what;
        QString ruleset;
        bool drops;
        const char* where; // part of the finding
    } cases[] = {
        {"no rules", QString(), false, ""},
        {"accepting policy, no rules", nftTable("inet", "accept", {}), false, ""},
        {"a drop of the port", nftTable("inet", "accept", {s("udp sport 14675 counter packets 3 bytes 9 drop")}), true,
         "nft table inet filter, chain input: udp sport 14675"},
        {"a reject of a set holding it", nftTable("ip", "accept", {s("udp dport { 53, 14675 } reject")}), true,
         "reject"},
        {"a range holding it", nftTable("inet", "accept", {s("udp sport 10000-20000 drop")}), true, "10000-20000"},
        {"another port", nftTable("inet", "accept", {s("udp sport 53 drop")}), false, ""},
        {"TCP only", nftTable("inet", "accept", {s("tcp dport 14675 drop")}), false, ""},
        {"policy drop, only established let in",
         nftTable("inet", "drop", {s("ct state established,related accept"), s("iif \"lo\" accept")}), true,
         "policy drop"},
        {"policy drop, the port let in first", nftTable("inet", "drop", {s("udp sport 14675 accept")}), false, ""},
        {"an accept after the drop",
         nftTable("inet", "accept", {s("meta l4proto udp drop"), s("udp sport 14675 accept")}), true,
         "meta l4proto udp drop"},
        {"a drop in a chain jumped to",
         nftTable("inet", "accept", {s("jump lan")}, s("\tchain lan {\n\t\tudp dport 14675 drop\n\t}\n")), true,
         "udp dport 14675 drop"},
        {"a chain returning first",
         nftTable("inet", "accept", {s("jump lan")}, s("\tchain lan {\n\t\treturn\n\t\tudp dport 14675 drop\n\t}\n")),
         false, ""},
        {"IPv6 only", nftTable("ip6", "drop", {}), false, ""},
        {"not the port, negated", nftTable("inet", "accept", {s("udp sport != 14675 drop")}), false, ""},
        {"one unit's answers", nftTable("inet", "accept", {s("ip saddr 10.2.0.10 udp sport 14675 drop")}), false, ""},
        {"answers to another port", nftTable("inet", "accept", {s("udp sport 14675 udp dport 68 drop")}), false, ""},
        {"policy drop, one network let in",
         nftTable("inet", "drop", {s("ip saddr 10.2.0.0/24 udp sport 14675 accept")}), false, ""},
        {"policy drop, a jumped-to chain lets one network in",
         nftTable("inet", "drop", {s("jump lan")}, s("\tchain lan {\n\t\tip saddr 10.2.0.0/24 accept\n\t}\n")), false,
         ""},
        {"chains jumping to each other",
         nftTable("inet", "drop", {s("jump a")},
                  s("\tchain a {\n\t\tjump b\n\t}\n\tchain b {\n\t\tjump a\n\t\tudp sport 14675 drop\n\t}\n")),
         true, "udp sport 14675 drop"},
    };
    for (const auto& c : cases) {
        const Cli::Doctor::FirewallFinding finding = Cli::Doctor::nftDrops(c.ruleset, kPort);
        EXPECT_EQ(finding.drops, c.drops) << c.what;
        EXPECT_TRUE(finding.where.contains(QString::fromUtf8(c.where)))
            << c.what << ": " << finding.where.toStdString();
        EXPECT_EQ(finding.fix.isEmpty(), !c.drops) << c.what;
    }
}

TEST(DoctorFirewall, TheFixNamesTheToolThatOwnsTheRules) {
    const QString plain = nftTable("inet", "drop", {});
    EXPECT_EQ(Cli::Doctor::nftDrops(plain, kPort).fix, QStringLiteral("sudo nft insert rule inet filter input udp "
                                                                      "sport 14675 accept"));
    const QString firewalld = QStringLiteral("table inet firewalld {\n\tchain filter_INPUT {\n\t\ttype filter hook "
                                             "input priority filter + 10; policy accept;\n\t\treject with icmpx "
                                             "admin-prohibited\n\t}\n}\n");
    EXPECT_EQ(Cli::Doctor::nftDrops(firewalld, kPort).fix,
              QStringLiteral("sudo firewall-cmd --add-source-port=14675/udp"));
    const QString odd = QStringLiteral("table ip my$fw {\n\tchain it's {\n\t\ttype filter hook input priority 0; "
                                       "policy drop;\n\t}\n}\n");
    EXPECT_EQ(Cli::Doctor::nftDrops(odd, kPort).fix.toStdString(),
              "sudo nft insert rule ip 'my$fw' 'it'\\''s' udp sport 14675 accept");
}

TEST(DoctorFirewall, EachChainIsWalkedOnceHoweverManyJumpsLeadToIt) {
    // 24 chains, each jumping four times to the next: re-walked, 4^23 visits.
    QString extra;
    for (int n = 1; n < 24; ++n)
        extra += QStringLiteral("\tchain c%1 {\n%2\t}\n")
                     .arg(n)
                     .arg(n == 23 ? QStringLiteral("\t\tudp sport 53 drop\n")
                                  : QStringLiteral("\t\tjump c%1\n").arg(n + 1).repeated(4));
    const QString ruleset = nftTable("inet", "drop", QStringList(4, QStringLiteral("jump c1")), extra);
    // A thread of its own, so that a walk that never ends fails the test instead of hanging it.
    auto result = std::make_shared<std::promise<Cli::Doctor::FirewallFinding>>();
    std::future<Cli::Doctor::FirewallFinding> finding = result->get_future();
    std::thread([ruleset, result] { result->set_value(Cli::Doctor::nftDrops(ruleset, kPort)); }).detach();
    ASSERT_EQ(finding.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the walk did not end";
    const Cli::Doctor::FirewallFinding found = finding.get();
    EXPECT_TRUE(found.drops);
    EXPECT_TRUE(found.where.contains(QStringLiteral("policy drop"))) << found.where.toStdString();
}

TEST(DoctorFirewall, IptablesRulesThatDropTheAnswersAreFound) {
    const auto save = [](const char* policy, const char* rules) {
        return QStringLiteral("# Generated by iptables-save\n*filter\n:INPUT %1 [0:0]\n:FORWARD ACCEPT [0:0]\n:OUTPUT "
                              "ACCEPT [0:0]\n%2COMMIT\n")
            .arg(QLatin1String(policy), QString::fromUtf8(rules));
    };
    const struct {
        const char* what;
        QString saved;
        bool drops;
        const char* fix; // part of it
    } cases[] = {
        {"nothing", save("ACCEPT", ""), false, ""},
        {"a drop of the port", save("ACCEPT", "-A INPUT -p udp -m udp --sport 14675 -j DROP\n"), true,
         "iptables -I INPUT -p udp --sport 14675 -j ACCEPT"},
        {"TCP", save("ACCEPT", "-A INPUT -p tcp -m tcp --dport 14675 -j DROP\n"), false, ""},
        {"multiport holding it", save("ACCEPT", "-A INPUT -p udp -m multiport --dports 53,14000:15000 -j REJECT\n"),
         true, "iptables"},
        {"policy drop with established only",
         save("DROP", "-A INPUT -i lo -j ACCEPT\n-A INPUT -m conntrack --ctstate RELATED,ESTABLISHED -j ACCEPT\n"),
         true, "iptables"},
        {"policy drop, the port let in", save("DROP", "-A INPUT -p udp --sport 14675 -j ACCEPT\n"), false, ""},
        {"ufw's chains",
         save("DROP", ":ufw-before-input - [0:0]\n-A INPUT -j ufw-before-input\n-A ufw-before-input -m conntrack "
                      "--ctstate RELATED,ESTABLISHED -j ACCEPT\n"),
         true, "sudo ufw allow proto udp from any port 14675"},
        {"a user chain that lets it in",
         save("DROP", ":lan - [0:0]\n-A INPUT -j lan\n-A lan -p udp --sport 14675 -j ACCEPT\n"), false, ""},
        {"the nat table only", QStringLiteral("*nat\n:PREROUTING DROP [0:0]\nCOMMIT\n"), false, ""},
        {"one unit's answers", save("ACCEPT", "-A INPUT -s 10.2.0.10/32 -p udp --sport 14675 -j DROP\n"), false, ""},
        {"answers to another port", save("ACCEPT", "-A INPUT -p udp --sport 14675 --dport 68 -j DROP\n"), false, ""},
        {"policy drop, one network let in", save("DROP", "-A INPUT -s 10.2.0.0/24 -p udp -j ACCEPT\n"), false, ""},
    };
    for (const auto& c : cases) {
        const Cli::Doctor::FirewallFinding finding = Cli::Doctor::iptablesDrops(c.saved, kPort);
        EXPECT_EQ(finding.drops, c.drops) << c.what;
        EXPECT_TRUE(finding.fix.contains(QString::fromUtf8(c.fix))) << c.what << ": " << finding.fix.toStdString();
    }
}

// ---- mounting (GVfs and FUSE: Linux's only)

#ifndef Q_OS_WIN

Cli::Doctor::Check named(const QList<Cli::Doctor::Check>& checks, const char* name) {
    for (const Cli::Doctor::Check& check : checks) {
        if (check.name == QLatin1String(name))
            return check;
    }
    ADD_FAILURE() << "no check named " << name;
    return {};
}

class DoctorMount : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* folder : {"bin", "empty", "mounts", "home", "run"})
            ASSERT_TRUE(QDir(m_dir.path()).mkpath(QString::fromLatin1(folder)));
        QFile gio(path("bin/gio"));
        ASSERT_TRUE(gio.open(QIODevice::WriteOnly));
        gio.write("#!/bin/sh\n");
        gio.close();
        gio.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile smb(path("mounts/smb.mount"));
        ASSERT_TRUE(smb.open(QIODevice::WriteOnly));
        ASSERT_TRUE(m_bus.listen(path("bus")));
        m_environment = {path("bin"), path("home"),   QStringLiteral("unix:path=") + path("bus"),
                         path("run"), path("mounts"), QStringLiteral("/dev/null")};
    }

    QString path(const char* relative) const { return m_dir.path() + u'/' + QLatin1String(relative); }

    QTemporaryDir m_dir;
    QLocalServer m_bus;
    Cli::Doctor::MountEnvironment m_environment;
};

TEST_F(DoctorMount, EachMissingPieceIsNamedWithItsRemedy) {
    const struct {
        const char* what;
        std::function<void(Cli::Doctor::MountEnvironment&)> change;
        const char* check;
        Result result;
        const char* says; // part of the details or the advice
    } cases[] = {
        {"everything there", [](auto&) {}, "gio", Result::Ok, "bin/gio"},
        {"PATH without gio", [this](auto& e) { e.path = path("empty"); }, "gio", Result::Problem, "libglib2.0-bin"},
        {"no SMB backend", [this](auto& e) { e.mountableDir = path("empty"); }, "GVfs SMB", Result::Problem,
         "gvfs-backends"},
        {"a bus that answers", [](auto&) {}, "session bus", Result::Ok, "answers"},
        {"a bus address nobody listens at",
         [this](auto& e) { e.sessionBusAddress = QStringLiteral("unix:path=") + path("nobus"); }, "session bus",
         Result::Problem, "dbus-run-session"},
        {"no bus address, the runtime folder's bus",
         [this](auto& e) {
             e.sessionBusAddress.clear();
             e.runtimeDir = m_dir.path();
         },
         "session bus", Result::Ok, "/bus answers"},
        {"no bus address, none in the runtime folder", [](auto& e) { e.sessionBusAddress.clear(); }, "session bus",
         Result::Problem, "DBUS_SESSION_BUS_ADDRESS is unset"},
        {"no FUSE device", [this](auto& e) { e.fuseDevice = path("fuse"); }, "FUSE", Result::Problem, "modprobe fuse"},
        {"no ZurEdor folder yet", [](auto&) {}, "~/ZurEdor", Result::Ok, "made at the first mount"},
    };
    for (const auto& c : cases) {
        Cli::Doctor::MountEnvironment environment = m_environment;
        c.change(environment);
        const Cli::Doctor::Check check = named(Cli::Doctor::mountChecks(environment), c.check);
        EXPECT_EQ(check.result, c.result) << c.what << ": " << check.details.toStdString();
        EXPECT_TRUE((check.details + check.advice).contains(QString::fromUtf8(c.says)))
            << c.what << ": " << (check.details + u'|' + check.advice).toStdString();
        EXPECT_EQ(check.advice.isEmpty(), c.result == Result::Ok) << c.what;
    }
}

TEST_F(DoctorMount, TheLetterFolderAndLinksToLostMountsAreReported) {
    {
        QFile file(path("home/ZurEdor"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const Cli::Doctor::Check notFolder = named(Cli::Doctor::mountChecks(m_environment), "~/ZurEdor");
    EXPECT_EQ(notFolder.result, Result::Problem);
    EXPECT_TRUE(notFolder.advice.contains(QStringLiteral("mv "))) << notFolder.advice.toStdString();

    ASSERT_TRUE(QFile::remove(path("home/ZurEdor")));
    ASSERT_TRUE(QDir().mkpath(path("home/ZurEdor")));
    ASSERT_TRUE(QDir().mkpath(path("run/gvfs/smb-share:server=10.1.0.10,share=live")));
    ASSERT_TRUE(QFile::link(path("run/gvfs/smb-share:server=10.1.0.10,share=live"), path("home/ZurEdor/F")));
    ASSERT_TRUE(QFile::link(path("run/gvfs/smb-share:server=10.1.0.10,share=gone"), path("home/ZurEdor/G")));
    const QList<Cli::Doctor::Check> checks = Cli::Doctor::mountChecks(m_environment);
    EXPECT_EQ(named(checks, "~/ZurEdor").result, Result::Ok);
    const Cli::Doctor::Check letters = named(checks, "letters");
    EXPECT_EQ(letters.result, Result::Warning);
    EXPECT_EQ(letters.details, QStringLiteral("G points at a mount that is gone")) << "F's mount is still there";
    EXPECT_TRUE(letters.advice.contains(QStringLiteral("rm ") + path("home/ZurEdor/G")))
        << letters.advice.toStdString();
}

// The advice's command does what it says pasted into a shell, whatever the names.
TEST_F(DoctorMount, AdviceCommandsWorkPastedIntoAShell) {
    for (const char* name : {"it's mine", "$HOME", "a\"b`c`"}) {
        Cli::Doctor::MountEnvironment environment = m_environment;
        environment.home = m_dir.path() + u'/' + QString::fromUtf8(name);
        const QString link = environment.home + QStringLiteral("/ZurEdor/") + QString::fromUtf8(name);
        ASSERT_TRUE(QDir().mkpath(environment.home + QStringLiteral("/ZurEdor")) && QFile::link(path("gone"), link));
        const QString advice = named(Cli::Doctor::mountChecks(environment), "letters").advice;
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), advice.mid(advice.lastIndexOf(u':') + 2)});
        ASSERT_TRUE(shell.waitForFinished(10000)) << name;
        EXPECT_FALSE(QFileInfo(link).isSymLink()) << name << ": " << advice.toStdString();
    }
}

#endif

} // namespace
