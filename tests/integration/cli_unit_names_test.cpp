// zuredor-cli with a unit named by its host name instead of its address: a scan
// on loopback finds it, and what the command then does goes to that address.

#include "support/cli_run.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using TestSupport::CliRun;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

class CliUnitNames : public ::testing::Test {
protected:
    void startSim(QStringList arguments = {}) {
        arguments << s("--discovery-port") << QString::number(port) << s("--request-log") << log();
        sim = std::make_unique<TestSupport::SimProcess>(arguments);
        ASSERT_TRUE(sim->start()) << sim->output().toStdString();
    }

    // A command on this test's discovery port and the simulator's web port.
    CliRun run(QStringList arguments) {
        arguments << s("--broadcast") << s("127.255.255.255") << s("--discovery-port") << QString::number(port)
                  << s("--device-port") << QString::number(sim ? sim->devicePort() : TestSupport::freeTcpPort())
                  << s("-p") << s("admin");
        return TestSupport::runCli(arguments, environment);
    }

    QString log() const { return dir.filePath(s("requests.log")); }
    QByteArray requests() const {
        QFile file(log());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    quint16 port = TestSupport::freeUdpPort();
    std::unique_ptr<TestSupport::SimProcess> sim;
};

TEST_F(CliUnitNames, OneUnitOfThatNameIsUsedAtItsAddressAndSaidSo) {
    startSim();
    const CliRun get = run({s("get"), s("ZurEdor-2"), s("host_name")});
    EXPECT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_EQ(get.out, QByteArray("ZurEdor-2\n")) << "the page of 127.0.0.3, the second unit";
    EXPECT_EQ(get.err, QByteArray("zuredor-cli: \"ZurEdor-2\" is 127.0.0.3\n"));

    // A command of a page group takes a name the same way.
    const CliRun list = run({s("smb"), s("list"), s("ZurEdor-3"), s("--json")});
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(list.out).object().value(s("ip")).toString(), s("127.0.0.4"))
        << list.out.toStdString();
    EXPECT_EQ(list.err, QByteArray("zuredor-cli: \"ZurEdor-3\" is 127.0.0.4\n"));
}

TEST_F(CliUnitNames, NoUnitOfThatNameIsExitThreeAndNothingIsSent) {
    startSim();
    const CliRun text = run({s("status"), s("ZurEdor-9")});
    EXPECT_EQ(text.exitCode, 3);
    EXPECT_TRUE(text.out.isEmpty()) << text.out.toStdString();
    EXPECT_TRUE(text.err.startsWith("zuredor-cli: no unit named \"ZurEdor-9\" answered within 2.5 s (the query went "
                                    "to 127.255.255.255)"))
        << text.err.toStdString();

    const CliRun json = run({s("status"), s("zuredor-1"), s("--json")});
    EXPECT_EQ(json.exitCode, 3) << "names compare exactly";
    const QJsonObject failure = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(failure.value(s("result")).toString(), s("unreachable")) << json.out.toStdString();
    EXPECT_EQ(failure.value(s("ip")).toString(), s("zuredor-1"));
    EXPECT_TRUE(failure.value(s("error")).toString().startsWith(s("no unit named \"zuredor-1\"")));
    EXPECT_TRUE(requests().isEmpty()) << requests().toStdString();
}

TEST_F(CliUnitNames, TwoUnitsOfThatNameAreRefusedWithBothAddresses) {
    startSim({s("--units"), s("3"), s("--host-name"), s("SAME")});
    const CliRun refused = run({s("set-identity"), s("SAME"), s("NEW"), s("WG")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.isEmpty()) << refused.out.toStdString();
    EXPECT_EQ(refused.err, QByteArray("zuredor-cli: 3 units are named \"SAME\": 127.0.0.2, 127.0.0.3, 127.0.0.4; give "
                                      "the address of the one you mean\n"));
    EXPECT_TRUE(requests().isEmpty()) << "no unit was changed: " << requests().toStdString();
}

TEST_F(CliUnitNames, ANameIsNeverLookedUpInDns) {
    // "localhost" has an address in every resolver; as a unit's name it is only asked for on the network.
    QTcpServer local;
    ASSERT_TRUE(local.listen(QHostAddress::LocalHost, 0));
    const CliRun status = TestSupport::runCli({s("status"), s("localhost"), s("--broadcast"), s("127.255.255.255"),
                                               s("--discovery-port"), QString::number(port), s("--device-port"),
                                               QString::number(local.serverPort()), s("-p"), s("admin")});
    EXPECT_EQ(status.exitCode, 3);
    EXPECT_TRUE(status.err.contains("no unit named \"localhost\"")) << status.err.toStdString();
    EXPECT_FALSE(local.waitForNewConnection(100)) << "the CLI connected to what DNS calls localhost";
}

// Remembered drives find their unit by its names, wherever it answers now. There
// is no desktop session here, so every mount is refused before gio or a secret
// store is asked: what is checked is which unit each drive goes to and what is kept.
TEST_F(CliUnitNames, RememberedDrivesAreFoundByTheirNamesListedAndForgotten) {
    startSim({s("--units"), s("2")});
    const QJsonArray units = QJsonDocument::fromJson(run({s("scan"), s("--json"), s("--wait"), s("1")}).out).array();
    QJsonObject second;
    for (const QJsonValue unit : units) {
        if (unit[s("ip")] == s("127.0.0.3"))
            second = unit.toObject();
    }
    ASSERT_FALSE(second.isEmpty()) << "the scan found no 127.0.0.3";
    environment.insert(s("XDG_CONFIG_HOME"), dir.filePath(s("config")));
    environment.insert(s("HOME"), dir.path());
    environment.insert(s("XDG_RUNTIME_DIR"), dir.path());
    environment.remove(s("DBUS_SESSION_BUS_ADDRESS"));
    environment.remove(s("DISPLAY"));
    const QString path = dir.filePath(s("config/zuredor/drives.json"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(s("config/zuredor"))));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QJsonObject moved{{s("letter"), s("F")},
                            {s("host_name"), second[s("hostName")]},
                            {s("group_name"), second[s("groupName")]},
                            {s("address"), s("127.0.0.9")},
                            {s("folder"), s("0")},
                            {s("user"), s("anna")}};
    QJsonObject gone = moved;
    gone[s("letter")] = s("G");
    gone[s("group_name")] = s("ELSEWHERE");
    file.write(QJsonDocument(QJsonObject{{s("drives"), QJsonArray{moved, gone, s("not a drive")}}}).toJson());
    file.close();

    const CliRun list = run({s("drives"), s("--json")});
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QJsonArray listed = QJsonDocument::fromJson(list.out).object()[s("drives")].toArray();
    ASSERT_EQ(listed.size(), 2) << list.out.toStdString();
    EXPECT_EQ(listed[0][s("state")], s("not mounted"));
    EXPECT_TRUE(list.err.contains("entry 3 is left out: not an object")) << list.err.toStdString();

    const CliRun reconnect = run({s("drives"), s("reconnect"), s("--json")});
    EXPECT_EQ(reconnect.exitCode, 1) << reconnect.err.toStdString();
    const QJsonObject outcome = QJsonDocument::fromJson(reconnect.out).object();
    EXPECT_EQ(outcome[s("result")], s("refused"));
    const QJsonArray drives = outcome[s("drives")].toArray();
    ASSERT_EQ(drives.size(), 2) << reconnect.out.toStdString();
    EXPECT_EQ(drives[0][s("state")], s("refused"));
    EXPECT_TRUE(drives[0][s("error")].toString().contains(s("No desktop session bus"))) << reconnect.out.toStdString();
    EXPECT_EQ(drives[0][s("address")], s("127.0.0.9")) << "a new address is kept only once the share mounted";
    EXPECT_EQ(drives[1][s("state")], s("unit not found"));
    EXPECT_TRUE(reconnect.err.contains("G: unit not found: no unit")) << reconnect.err.toStdString();
    EXPECT_EQ(run({s("drives")}).out.count("\n"), 2);

    const struct {
        QStringList arguments;
        int exitCode;
        const char* says;
    } cases[] = {
        {{s("mount"), s("127.0.0.3"), s("0"), s("E"), s("--remember")}, 1, "No desktop session bus"},
        {{s("mount"), s("127.0.0.77"), s("0"), s("E"), s("--remember")}, 3, "127.0.0.77 did not answer discovery"},
        {{s("drives"), s("forget"), s("g")}, 0, ""},
        {{s("drives"), s("forget"), s("G")}, 1, "No drive is remembered at G"},
        {{s("drives"), s("forget"), s("5")}, 64, "a drive letter from D to Z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CliRun done = run(c.arguments);
        EXPECT_EQ(done.exitCode, c.exitCode) << done.out.toStdString() << done.err.toStdString();
        EXPECT_TRUE((done.out + done.err).contains(c.says)) << done.out.toStdString() << done.err.toStdString();
    }
    const QJsonArray left =
        QJsonDocument::fromJson(run({s("drives"), s("--json")}).out).object()[s("drives")].toArray();
    ASSERT_EQ(left.size(), 1) << "E was never mounted, so never remembered; G is forgotten";
    EXPECT_EQ(left[0][s("letter")], s("F"));
    EXPECT_EQ(left[0][s("state")], s("refused"));
}

} // namespace
