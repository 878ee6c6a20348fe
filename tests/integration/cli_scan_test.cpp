// zuredor-cli scan against zuredor-sim on loopback, each test on a port of its own.

#include "discovery/discovery_datagram.h"
#include "support/cli_run.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using TestSupport::CliRun;
using TestSupport::runCli;
using TestSupport::SimProcess;

const QString kBroadcast = QStringLiteral("127.255.255.255");

struct Row {
    QString ip, hostName, groupName, firmwareVersion;
    bool operator==(const Row&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Row& r) {
        return out << r.ip.toStdString() << '|' << r.hostName.toStdString() << '|' << r.groupName.toStdString() << '|'
                   << r.firmwareVersion.toStdString();
    }
};

Row unitRow(int number) {
    const QString n = QString::number(number);
    return {QStringLiteral("127.0.0.%1").arg(number + 1), QStringLiteral("ZurEdor-") + n, QStringLiteral("Group-") + n,
            QStringLiteral("1.0.") + n};
}

// The rows of `--json` output; a key other than the four, or a missing one, fails the test.
std::vector<Row> jsonRows(const CliRun& run) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_TRUE(document.isArray());
    std::vector<Row> rows;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        EXPECT_EQ(object.keys(), (QStringList{QStringLiteral("firmwareVersion"), QStringLiteral("groupName"),
                                              QStringLiteral("hostName"), QStringLiteral("ip")}));
        rows.push_back({object.value(QStringLiteral("ip")).toString(),
                        object.value(QStringLiteral("hostName")).toString(),
                        object.value(QStringLiteral("groupName")).toString(),
                        object.value(QStringLiteral("firmwareVersion")).toString()});
    }
    return rows;
}

class CliScan : public ::testing::Test {
protected:
    void startSim(QStringList arguments = {}) {
        arguments << QStringLiteral("--discovery-port") << QString::number(port);
        sims.push_back(std::make_unique<SimProcess>(arguments));
        ASSERT_TRUE(sims.back()->start()) << sims.back()->output().toStdString();
    }

    // zuredor-cli scan on this test's port; extra arguments go after the command.
    CliRun scan(const QString& wait, QStringList extra = {}) {
        QStringList arguments{QStringLiteral("scan"),
                              QStringLiteral("--wait"),
                              wait,
                              QStringLiteral("--broadcast"),
                              kBroadcast,
                              QStringLiteral("--discovery-port"),
                              QString::number(port)};
        return runCli(arguments + extra);
    }

    std::vector<Row> scanJson(const QString& wait = QStringLiteral("0.5"), const QStringList& extra = {}) {
        const CliRun run = scan(wait, QStringList{QStringLiteral("--json")} + extra);
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return jsonRows(run);
    }

    quint16 port = TestSupport::freeUdpPort();
    std::vector<std::unique_ptr<SimProcess>> sims;
};

TEST_F(CliScan, PrintsATableOfTheUnitsInArrivalOrder) {
    startSim();
    const CliRun run = scan(QStringLiteral("0.5"));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("IP Address  HD Name    Group Name  Firmware Version\n"
                                  "127.0.0.2   ZurEdor-1  Group-1     1.0.1\n"
                                  "127.0.0.3   ZurEdor-2  Group-2     1.0.2\n"
                                  "127.0.0.4   ZurEdor-3  Group-3     1.0.3\n"));
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST_F(CliScan, LeavesTheUnitsFoundForTheShellsCompletion) {
    startSim({QStringLiteral("--units"), QStringLiteral("2"), QStringLiteral("--host-name"), QStringLiteral("Nas %n")});
    QTemporaryDir cache;
    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
    const QStringList arguments{QStringLiteral("scan"),
                                QStringLiteral("--wait"),
                                QStringLiteral("0.5"),
                                QStringLiteral("--broadcast"),
                                kBroadcast,
                                QStringLiteral("--discovery-port"),
                                QString::number(port)};
    for (const QStringList& extra : {QStringList(), QStringList{QStringLiteral("--json")}}) {
        QFile::remove(cache.filePath(QStringLiteral("zuredor/units")));
        const CliRun run = runCli(arguments + extra, environment);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QFile file(cache.filePath(QStringLiteral("zuredor/units")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << extra.join(u' ').toStdString();
        // A name with a blank is not offered to the shell; its address is.
        EXPECT_EQ(file.readAll(), QByteArray("127.0.0.2\n127.0.0.3\n"));
    }
    // Anything else at the list's name, and what it leads to, is left as it is;
    // the scan still lists the units and says once why nothing was kept.
    const struct {
        const char* make; // in the cache's folder
        QByteArray elsewhere;
    } others[] = {{"echo mine >../elsewhere; ln -s ../elsewhere units", "mine\n"},
                  {"ln -s ../elsewhere units", "(none)"},
                  {"mkfifo units", "(none)"},
                  {"mkdir units", "(none)"}};
    const QByteArray units = QFile::encodeName(cache.filePath(QStringLiteral("zuredor/units")));
    for (const auto& other : others) {
        QProcess shell;
        shell.setWorkingDirectory(cache.filePath(QStringLiteral("zuredor")));
        shell.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("rm -rf units ../elsewhere; ") + QLatin1String(other.make)});
        ASSERT_TRUE(shell.waitForFinished(10000) && shell.exitCode() == 0) << other.make;
        struct stat before {};
        struct stat after {};
        ASSERT_EQ(::lstat(units.constData(), &before), 0);
        const CliRun run = runCli(arguments, environment);
        EXPECT_EQ(run.exitCode, 0) << other.make;
        EXPECT_TRUE(run.out.contains("127.0.0.3")) << other.make;
        EXPECT_EQ(run.err.count("is not kept"), 1) << other.make << ": " << run.err.toStdString();
        ASSERT_EQ(::lstat(units.constData(), &after), 0) << other.make;
        EXPECT_TRUE(after.st_ino == before.st_ino && after.st_mode == before.st_mode) << other.make;
        QFile elsewhere(cache.filePath(QStringLiteral("elsewhere")));
        EXPECT_EQ(elsewhere.open(QIODevice::ReadOnly) ? elsewhere.readAll() : "(none)", other.elsewhere) << other.make;
    }
    QDir().rmdir(cache.filePath(QStringLiteral("zuredor/units")));

    // The next scan replaces the list, even with nothing.
    sims.clear();
    ASSERT_EQ(runCli(arguments, environment).exitCode, 0);
    QFile file(cache.filePath(QStringLiteral("zuredor/units")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray());
}

TEST_F(CliScan, JsonIsAnArrayOfObjectsWithTheFourKeys) {
    startSim();
    EXPECT_EQ(scanJson(), (std::vector<Row>{unitRow(1), unitRow(2), unitRow(3)}));
}

TEST_F(CliScan, ArrivalOrderIsNotAddressOrder) {
    // The second simulator's units are lower addresses but answer later.
    startSim({QStringLiteral("--first-address"), QStringLiteral("127.0.0.20"), QStringLiteral("--units"),
              QStringLiteral("1")});
    startSim({QStringLiteral("--first-address"), QStringLiteral("127.0.0.10"), QStringLiteral("--units"),
              QStringLiteral("1"), QStringLiteral("--delay"), QStringLiteral("200")});
    const auto rows = scanJson(QStringLiteral("1.5"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].ip, QStringLiteral("127.0.0.20"));
    EXPECT_EQ(rows[1].ip, QStringLiteral("127.0.0.10"));
}

TEST_F(CliScan, NothingAnsweringIsStillSuccess) {
    const CliRun table = scan(QStringLiteral("0.2"));
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_EQ(table.out, QByteArray("IP Address  HD Name  Group Name  Firmware Version\n"));
    EXPECT_TRUE(scanJson(QStringLiteral("0.2")).empty());
}

TEST_F(CliScan, SendsTheQueryFromTheDiscoveryPortAtOnceAndAgainEarlyInTheScan) {
    QUdpSocket unit;
    ASSERT_TRUE(unit.bind(QHostAddress(kBroadcast), port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    QList<QNetworkDatagram> queries;
    QList<qint64> atMs;
    QElapsedTimer clock;
    QObject::connect(&unit, &QUdpSocket::readyRead, [&] {
        while (unit.hasPendingDatagrams()) {
            queries.append(unit.receiveDatagram(1024));
            atMs.append(clock.elapsed());
        }
    });
    QProcess cli;
    cli.setProcessEnvironment(TestSupport::cleanEnvironment());
    cli.start(QStringLiteral(ZUREDOR_CLI_PATH),
              {QStringLiteral("scan"), QStringLiteral("--wait"), QStringLiteral("2.5"), QStringLiteral("--broadcast"),
               kBroadcast, QStringLiteral("--discovery-port"), QString::number(port)});
    clock.start();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return cli.state() == QProcess::NotRunning; }, 10000));
    TestSupport::waitUntil([] { return false; }, 50); // the last datagrams in flight
    ASSERT_EQ(queries.size(), 7) << "the first send and six repeats";
    for (const QNetworkDatagram& query : queries) {
        EXPECT_EQ(query.data(), Discovery::DiscoveryRequest());
        EXPECT_EQ(query.senderPort(), port);
    }
    // Counted from the first copy; a busy machine may fire a timer late, never early. The late
    // side allows for load: a slower schedule's last copy misses the wait, which the count catches.
    const qint64 expectedMs[] = {0, 200, 400, 700, 1000, 1500, 2000};
    for (int i = 1; i < 7; ++i) {
        EXPECT_GE(atMs[i] - atMs[0], expectedMs[i] - 5) << "repeat " << i;
        EXPECT_LE(atMs[i] - atMs[0], expectedMs[i] + 1000) << "repeat " << i;
    }
}

TEST_F(CliScan, ABroadcastListReachesUnitsAtTheirOwnAddresses) {
    startSim();
    const auto rows = jsonRows(runCli({QStringLiteral("scan"), QStringLiteral("--json"), QStringLiteral("--wait"),
                                       QStringLiteral("0.5"), QStringLiteral("--discovery-port"), QString::number(port),
                                       QStringLiteral("--broadcast"), QStringLiteral("127.0.0.4, 127.0.0.3")}));
    ASSERT_EQ(rows.size(), 2u) << "127.0.0.2 was not asked";
    EXPECT_EQ((QSet<QString>{rows[0].ip, rows[1].ip}),
              (QSet<QString>{QStringLiteral("127.0.0.3"), QStringLiteral("127.0.0.4")}));

    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    environment.insert(QStringLiteral("ZUREDOR_BROADCAST"), QStringLiteral("127.0.0.2,127.255.255.255"));
    const auto all = jsonRows(runCli({QStringLiteral("scan"), QStringLiteral("--json"), QStringLiteral("--wait"),
                                      QStringLiteral("0.5"), QStringLiteral("--discovery-port"), QString::number(port)},
                                     environment));
    EXPECT_EQ(all.size(), 3u) << "127.0.0.2 answers both of its queries and is listed once";
}

TEST_F(CliScan, GlobalOptionsGoBeforeOrAfterTheCommand) {
    startSim();
    const CliRun before =
        runCli({QStringLiteral("--json"), QStringLiteral("--broadcast"), kBroadcast, QStringLiteral("--discovery-port"),
                QString::number(port), QStringLiteral("scan"), QStringLiteral("--wait"), QStringLiteral("0.5")});
    const CliRun after =
        runCli({QStringLiteral("scan"), QStringLiteral("--json"), QStringLiteral("--wait"), QStringLiteral("0.5"),
                QStringLiteral("--discovery-port"), QString::number(port), QStringLiteral("--broadcast"), kBroadcast});
    EXPECT_EQ(jsonRows(before).size(), 3u) << before.err.toStdString();
    EXPECT_EQ(jsonRows(after).size(), 3u) << after.err.toStdString();
}

TEST_F(CliScan, EnvironmentSetsTheAddressAndPortAndOptionsWin) {
    startSim();
    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    environment.insert(QStringLiteral("ZUREDOR_BROADCAST"), kBroadcast);
    environment.insert(QStringLiteral("ZUREDOR_DISCOVERY_PORT"), QString::number(port));
    const QStringList scanArgs{QStringLiteral("--json"), QStringLiteral("scan"), QStringLiteral("--wait"),
                               QStringLiteral("0.5")};
    EXPECT_EQ(jsonRows(runCli(scanArgs, environment)).size(), 3u) << "from the environment";

    environment.insert(QStringLiteral("ZUREDOR_DISCOVERY_PORT"), QString::number(TestSupport::freeUdpPort()));
    EXPECT_TRUE(jsonRows(runCli(scanArgs, environment)).empty()) << "a port where nothing answers";
    EXPECT_EQ(
        jsonRows(runCli(scanArgs + QStringList{QStringLiteral("--discovery-port"), QString::number(port)}, environment))
            .size(),
        3u)
        << "the option beats the environment";
}

TEST_F(CliScan, SecondAnswerFromAnAddressChangesNothing) {
    startSim({QStringLiteral("--answer-twice")});
    EXPECT_EQ(scanJson(), (std::vector<Row>{unitRow(1), unitRow(2), unitRow(3)}));
}

TEST_F(CliScan, MalformedDatagramsBeforeTheAnswerAreDropped) {
    startSim({QStringLiteral("--malformed"), QStringLiteral("all")});
    EXPECT_EQ(scanJson(), (std::vector<Row>{unitRow(1), unitRow(2), unitRow(3)}));
}

class CliScanMalformed : public CliScan, public ::testing::WithParamInterface<const char*> {};

TEST_P(CliScanMalformed, AloneListsNothing) {
    startSim({QStringLiteral("--no-answer"), QStringLiteral("--malformed"), QString::fromLatin1(GetParam())});
    EXPECT_TRUE(scanJson().empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliScanMalformed, ::testing::Values("short", "long", "type", "no-firmware"));

TEST_F(CliScan, SameHostNameAtTwoAddressesGivesTwoRows) {
    startSim({QStringLiteral("--units"), QStringLiteral("2"), QStringLiteral("--host-name"), QStringLiteral("SAME")});
    const auto rows = scanJson();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].hostName, QStringLiteral("SAME"));
    EXPECT_EQ(rows[1].hostName, QStringLiteral("SAME"));
    EXPECT_NE(rows[0].ip, rows[1].ip);
}

TEST_F(CliScan, SixteenCharacterHostNameKeepsItsGroupApart) {
    startSim({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--host-name"),
              QStringLiteral("ABCDEFGHIJKLMNOP"), QStringLiteral("--group-name"), QStringLiteral("GROUP")});
    const auto rows = scanJson();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].hostName, QStringLiteral("ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(rows[0].groupName, QStringLiteral("GROUP"));
}

TEST_F(CliScan, TextIsPrintedAsReceived) {
    const QString name = QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC-%n");
    startSim({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--host-name"), name});
    const CliRun run = scan(QStringLiteral("0.5"));
    EXPECT_TRUE(run.out.contains("127.0.0.2   Caf\xC3\xA9 \xE2\x82\xAC-1  Group-1")) << run.out.toStdString();
    const auto rows = scanJson();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].hostName, QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC-1"));
}

TEST_F(CliScan, WaitTakesFractionsOfASecond) {
    startSim({QStringLiteral("--delay"), QStringLiteral("500")});
    EXPECT_TRUE(scanJson(QStringLiteral("0.2")).empty()) << "0.2 s is not rounded up to a second";
    EXPECT_EQ(scanJson(QStringLiteral("0.9")).size(), 3u) << "0.9 s is not cut to nothing";
}

TEST_F(CliScan, AFloodOfJunkLeavesOneRowPerUnit) {
    startSim({QStringLiteral("--flood"), QStringLiteral("5000")});
    EXPECT_EQ(scanJson(QStringLiteral("1")), (std::vector<Row>{unitRow(1), unitRow(2), unitRow(3)}));
}

TEST_F(CliScan, ManyUnitsAreAllListedOnce) {
    startSim({QStringLiteral("--units"), QStringLiteral("300")});
    const auto rows = scanJson(QStringLiteral("2"));
    ASSERT_EQ(rows.size(), 300u) << sims.back()->output().toStdString();
    QSet<QString> addresses;
    for (const Row& row : rows)
        addresses.insert(row.ip);
    EXPECT_EQ(addresses.size(), 300);
}

TEST_F(CliScan, APortItCannotShareEndsWithStatus3AndTheReason) {
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, port, QUdpSocket::DontShareAddress));
    const CliRun run = scan(QStringLiteral("0.2"), {QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 3);
    // With --json only JSON goes to standard output: one object with the result and the reason.
    const QJsonObject failure = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(failure.value(QStringLiteral("result")).toString(), QStringLiteral("unreachable"))
        << run.out.toStdString();
    EXPECT_TRUE(
        failure.value(QStringLiteral("error")).toString().startsWith(QStringLiteral("cannot listen on UDP port ")));
    EXPECT_TRUE(run.err.contains("cannot listen on UDP port " + QByteArray::number(port))) << run.err.toStdString();
}

struct Usage {
    const char* name;
    QStringList arguments;
};

class CliScanUsage : public ::testing::TestWithParam<Usage> {};

TEST_P(CliScanUsage, IsRefusedWithStatus64AndNothingOnStandardOutput) {
    const CliRun run = runCli(GetParam().arguments);
    EXPECT_EQ(run.exitCode, 64) << GetParam().name;
    EXPECT_TRUE(run.out.isEmpty()) << GetParam().name;
    EXPECT_FALSE(run.err.isEmpty()) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliScanUsage,
    ::testing::Values(
        Usage{"no command", {}},
        Usage{"negative wait", {QStringLiteral("scan"), QStringLiteral("--wait"), QStringLiteral("-1")}},
        Usage{"wait not a number", {QStringLiteral("scan"), QStringLiteral("--wait"), QStringLiteral("soon")}},
        Usage{"broadcast", {QStringLiteral("scan"), QStringLiteral("--broadcast"), QStringLiteral("300.1.1.1")}},
        Usage{"broadcast list with a name",
              {QStringLiteral("scan"), QStringLiteral("--broadcast"), QStringLiteral("127.255.255.255,nas.local")}},
        Usage{"broadcast list with an empty entry",
              {QStringLiteral("scan"), QStringLiteral("--broadcast"), QStringLiteral("127.255.255.255,")}},
        Usage{"port", {QStringLiteral("scan"), QStringLiteral("--discovery-port"), QStringLiteral("0")}},
        Usage{"stray argument", {QStringLiteral("scan"), QStringLiteral("now")}}),
    [](const ::testing::TestParamInfo<Usage>& p) { return "case" + std::to_string(p.index); });

TEST(CliScanEnvironment, ABadValueIsRefusedLikeABadOption) {
    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    environment.insert(QStringLiteral("ZUREDOR_DISCOVERY_PORT"), QStringLiteral("99999"));
    const CliRun run = runCli({QStringLiteral("scan"), QStringLiteral("--wait"), QStringLiteral("0")}, environment);
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_TRUE(run.err.contains("discovery-port")) << run.err.toStdString();
}

} // namespace
