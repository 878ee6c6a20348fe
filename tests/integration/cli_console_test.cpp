// zuredor-cli's Status and IP Config commands against zuredor-sim: the
// window's words and exit statuses, the requests on the wire, and the unit's
// state read back afterwards.

#include "support/cli_run.h"
#include "support/logged_unit.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using TestSupport::CliRun;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

class CliConsole : public TestSupport::LoggedUnitTest {
protected:
    CliRun cli(QStringList arguments, const char* password = "admin") {
        arguments << s("--device-port") << QString::number(port) << s("-p") << s(password);
        CliRun run = TestSupport::runCli(arguments);
        EXPECT_TRUE(run.finished) << arguments.join(QLatin1Char(' ')).toStdString();
        return run;
    }

    QByteArray value(const char* name, const char* ip = "127.0.0.2", const char* password = "admin") {
        return cli({s("get"), s(ip), s(name)}, password).out.trimmed();
    }
};

TEST_F(CliConsole, StatusPrintsEveryValueAndJsonHoldsThemToo) {
    const CliRun text = cli({s("status"), s("127.0.0.2")});
    EXPECT_EQ(text.exitCode, 0);
    for (const char* line :
         {"Host Name: ZurEdor-1\n", "Group Name: Group-1\n", "SNTP: Auto\n", "Time Server: pool.ntp.org (list)\n",
          "Time Zone: +1 (GMT+01:00)Amsterdam,Vienna,Paris,Rom\n", "IP Address: 127.0.0.2\n", "DHCP Server: Disable\n",
          "Free Size: 51.2 GB\n", "Language: 0 English\n"})
        EXPECT_TRUE(text.out.contains(line)) << line << "\n" << text.out.toStdString();

    const CliRun json = cli({s("--json"), s("status"), s("127.0.0.2")});
    EXPECT_EQ(json.exitCode, 0);
    const QJsonObject o = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(o.value(s("hostName")).toString(), s("ZurEdor-1"));
    EXPECT_EQ(o.value(s("zone")).toInt(), 1);
    EXPECT_EQ(o.value(s("sntp")).toBool(), true);
    EXPECT_EQ(o.value(s("languages")).toArray().size(), 6);
    EXPECT_TRUE(json.err.isEmpty()) << json.err.toStdString();
}

struct ChangeCase {
    const char* name;
    QStringList arguments;
    int exitCode;
    QByteArray out;
    const char* variable; // read back afterwards; nullptr: nothing to read
    QByteArray expected;
};

void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class CliChanges : public CliConsole, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(CliChanges, SayWhatTheWindowSaysAndChangeTheUnit) {
    const ChangeCase& c = GetParam();
    const CliRun run = cli(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_EQ(run.out, c.out);
    if (c.variable) {
        EXPECT_EQ(value(c.variable), c.expected);
    }
}

const QString kIp = s("127.0.0.2");

INSTANTIATE_TEST_SUITE_P(
    Commands, CliChanges,
    ::testing::Values(
        ChangeCase{"identity", {s("set-identity"), kIp, s("Vault-7"), s("HOME")}, 0, "OK\n", "host_name", "Vault-7"},
        ChangeCase{"identity refused by the check",
                   {s("set-identity"), kIp, s("my.nas"), s("HOME")},
                   1,
                   "Invalid value .Host Name my.nas\n",
                   "host_name",
                   "ZurEdor-1"},
        ChangeCase{"identity longer than the window's field takes",
                   {s("set-identity"), kIp, s("abcdefghijklmnopq"), s("HOME")},
                   1,
                   "Value is too long: Host Name (15)\n",
                   "host_name",
                   "ZurEdor-1"},
        ChangeCase{"zone alone keeps the server",
                   {s("set-time"), kIp, s("--zone"), s("-5")},
                   0,
                   "OK\n",
                   "sntp_server",
                   "pool.ntp.org"},
        ChangeCase{"server not in the list",
                   {s("set-time"), kIp, s("--server"), s("ntp.example.net")},
                   1,
                   "Please select a time server from the list\n",
                   "sntp_server",
                   "pool.ntp.org"},
        ChangeCase{"typed server",
                   {s("set-time"), kIp, s("--manual-server"), s("ntp.example.net")},
                   0,
                   "OK\n",
                   "sntp_server",
                   "ntp.example.net"},
        ChangeCase{"a date the unit refuses",
                   {s("set-time"), kIp, s("--sntp"), s("off"), s("--date"), s("2031/2/30")},
                   1,
                   "The unit did not accept the setting\n",
                   "sntp_auto",
                   "checked"},
        ChangeCase{"language",
                   {s("set-language"), kIp, s("4")},
                   0,
                   "Please restart system to enable new codepage!\nOK\n",
                   "default_lang",
                   "4"},
        ChangeCase{"no language selected",
                   {s("set-language"), kIp, s("-1")},
                   1,
                   "The unit did not accept the setting\nPlease restart system to enable new codepage!\n",
                   "default_lang",
                   "0"},
        ChangeCase{
            "unit not there", {s("set-dhcp-server"), s("127.0.0.9"), s("on")}, 3, "Connection Fail\n", nullptr, ""}),
    [](const ::testing::TestParamInfo<ChangeCase>& p) { return "case" + std::to_string(p.index); });

TEST_F(CliConsole, RequestsOnTheWireAreTheConsolesOwn) {
    ASSERT_EQ(cli({s("set-admin-password"), kIp, s("n w-1"), s("n w-1")}).exitCode, 0);
    ASSERT_EQ(cli({s("set-dhcp-server"), kIp, s("off")}, "n w-1").exitCode, 0);
    const QByteArray log = requests();
    EXPECT_TRUE(log.contains("GET /man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply"
                             "&TF_password=n+w%2d1&TF_passwordl=n+w%2d1 HTTP/1.0\r\n"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("GET /dhcps.cgi?redirect=status.htm&failure=fail.htm&type=dhcps_apply&R_dhcps=DISABLE"
                             "&TF_wins=&TF_ippoolmin=2&TF_ippoolmax=254&TF_lease_day=1&TF_lease_hr=0&TF_lease_min=0"
                             " HTTP/1.0\r\n"));
    EXPECT_TRUE(log.contains("Referer: http://127.0.0.2/status.htm\r\n"));
}

TEST_F(CliConsole, NewAdministratorPasswordIsTheOneTheNextLoginNeeds) {
    EXPECT_EQ(cli({s("set-admin-password"), kIp, s("n3w"), s("n3w")}).out, QByteArray("OK\n"));
    EXPECT_EQ(cli({s("login"), kIp}, "admin").exitCode, 2);
    EXPECT_EQ(cli({s("login"), kIp}, "n3w").exitCode, 0);
    const CliRun tooLong = cli({s("set-admin-password"), kIp, s("0123456789abc"), s("0123456789abc")}, "n3w");
    EXPECT_EQ(tooLong.exitCode, 1);
    EXPECT_EQ(tooLong.out, QByteArray("Value is too long: Password (12)\n")) << "the window's field takes 12";
    EXPECT_EQ(cli({s("login"), kIp}, "n3w").exitCode, 0) << "the unit kept the password it had";
}

TEST_F(CliConsole, AddressChangesMoveTheUnit) {
    const CliRun config = cli({s("--json"), s("ip-config"), kIp});
    EXPECT_EQ(config.exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(config.out).object().value(s("subnetMask")).toString(), s("255.0.0.0"));

    const CliRun fixed =
        cli({s("set-ip"), kIp, s("static"), s("127.0.0.88"), s("255.0.0.0"), s("127.0.0.1"), s("127.0.0.1"), s("")});
    EXPECT_EQ(fixed.exitCode, 0);
    EXPECT_EQ(fixed.out, QByteArray("IP has been change, reconnect it success\nOK\n"));
    ASSERT_TRUE(TestSupport::waitUntil([&] { return value("ip", "127.0.0.88") == "127.0.0.88"; }));
    EXPECT_EQ(cli({s("login"), kIp}).exitCode, 3) << "the old address no longer answers";

    const CliRun refused = cli({s("set-ip"), s("127.0.0.88"), s("static"), s("127.0.0.300"), s("255.0.0.0"),
                                s("127.0.0.1"), s("127.0.0.1"), s("")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, QByteArray("The unit did not accept the IP settings\n"));

    const CliRun automatic = cli({s("set-ip"), s("127.0.0.88"), s("dhcp")});
    EXPECT_EQ(automatic.exitCode, 0);
    EXPECT_EQ(automatic.out, QByteArray("Automatic IP, re-scan it\nOK\n"));
    EXPECT_TRUE(requests().contains("GET /dhcpc.cgi?redirect=if_cfg.htm&failure=fail.htm&type=dhcpc_apply&ifname= "));
    // The unit took the first lease of the simulator's pool.
    ASSERT_TRUE(TestSupport::waitUntil([&] { return value("ip", "127.200.0.2") == "127.200.0.2"; }));
    const CliRun leased = cli({s("ip-config"), s("127.200.0.2")});
    EXPECT_EQ(leased.exitCode, 0);
    EXPECT_TRUE(leased.out.startsWith("IP Option: Automatic IP\nIP Address: 127.200.0.2\n"))
        << leased.out.toStdString();
}

} // namespace
