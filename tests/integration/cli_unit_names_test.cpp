// zuredor-cli with a unit named by its host name instead of its address: a scan
// on loopback finds it, and what the command then does goes to that address.

#include "support/cli_run.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QFile>
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
        return TestSupport::runCli(arguments);
    }

    QString log() const { return dir.filePath(s("requests.log")); }
    QByteArray requests() const {
        QFile file(log());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
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

} // namespace
