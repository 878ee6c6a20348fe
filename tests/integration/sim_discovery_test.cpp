// zuredor-sim's discovery side as the utility sees it on the wire: a socket bound
// like the utility's, a query, and every datagram that comes back.

#include "discovery/discovery_datagram.h"
#include "discovery_responder.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSet>
#include <QUdpSocket>
#include <QVariant>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using TestSupport::SimProcess;

const QHostAddress kLoopbackBroadcast(QStringLiteral("127.255.255.255"));

struct Received {
    QByteArray data;
    QString sender;
    quint16 senderPort;
    qint64 atMs; // since the query went out
};

// Stands where the utility stands: port shared, all IPv4 interfaces.
class Listener {
public:
    explicit Listener(quint16 port) : m_port(port) {
        m_socket.bind(QHostAddress::AnyIPv4, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
        m_socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(4 << 20));
        QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = m_socket.receiveDatagram(1024);
                const QString sender = Discovery::senderText(d.senderAddress());
                // What the test itself sends, its query included, comes back from 127.0.0.1.
                if (sender != QLatin1String("127.0.0.1"))
                    received.append({d.data(), sender, static_cast<quint16>(d.senderPort()), m_clock.elapsed()});
            }
        });
    }

    void query(const QHostAddress& to = kLoopbackBroadcast) {
        m_clock.start();
        m_socket.writeDatagram(Discovery::DiscoveryRequest(), to, m_port);
    }

    // Waits for `count` datagrams, then a quiet moment in which no further one may come.
    bool collect(qsizetype count, int deadlineMs = 5000) {
        if (!TestSupport::waitUntil([&] { return received.size() >= count; }, deadlineMs))
            return false;
        TestSupport::waitUntil([&] { return received.size() > count; }, 150);
        return received.size() == count;
    }

    QList<Received> received;

private:
    quint16 m_port;
    QUdpSocket m_socket;
    QElapsedTimer m_clock;
};

class SimDiscovery : public ::testing::Test {
protected:
    // Starts the simulator on this test's own port.
    void startSim(QStringList arguments) {
        arguments << QStringLiteral("--discovery-port") << QString::number(port);
        sim = std::make_unique<SimProcess>(arguments);
        ASSERT_TRUE(sim->start()) << sim->output().toStdString();
    }

    quint16 port = TestSupport::freeUdpPort();
    Listener listener{port};
    std::unique_ptr<SimProcess> sim;
};

Discovery::DiscoveryReply parsed(const Received& datagram) {
    const auto reply = Discovery::parseDiscoveryReply(datagram.data);
    EXPECT_TRUE(reply) << "not a well-formed reply: " << datagram.data.size() << " bytes";
    return reply.value_or(Discovery::DiscoveryReply{});
}

TEST_F(SimDiscovery, EachUnitAnswersFromItsOwnAddressWithItsOwnNames) {
    startSim({});
    listener.query();
    ASSERT_TRUE(listener.collect(3));
    for (int i = 0; i < 3; ++i) {
        const Received& answer = listener.received[i];
        const QByteArray n = QByteArray::number(i + 1);
        EXPECT_EQ(answer.sender, QStringLiteral("127.0.0.%1").arg(i + 2));
        EXPECT_EQ(answer.senderPort, port) << "answers come from the discovery port";
        EXPECT_EQ(answer.data.size(), 72);
        const auto reply = parsed(answer);
        EXPECT_EQ(reply.hostName, "ZurEdor-" + n);
        EXPECT_EQ(reply.groupName, "Group-" + n);
        EXPECT_EQ(reply.firmwareVersion, "1.0." + n);
    }
}

TEST_F(SimDiscovery, UnitsStartAtTheFirstAddressAndNamesFollowTheTemplates) {
    startSim({QStringLiteral("--units"), QStringLiteral("2"), QStringLiteral("--first-address"),
              QStringLiteral("127.0.1.254"), QStringLiteral("--host-name"), QStringLiteral("ABCDEFGHIJKLMNOP-%n"),
              QStringLiteral("--group-name"), QStringLiteral("G%n%n"), QStringLiteral("--firmware-version"),
              QStringLiteral("v")});
    listener.query();
    ASSERT_TRUE(listener.collect(2));
    EXPECT_EQ(listener.received[0].sender, QStringLiteral("127.0.1.254"));
    EXPECT_EQ(listener.received[1].sender, QStringLiteral("127.0.1.255"));
    const auto second = parsed(listener.received[1]);
    EXPECT_EQ(second.hostName, QByteArray("ABCDEFGHIJKLMNOP")) << "cut to its 16-byte field";
    EXPECT_EQ(second.groupName, QByteArray("G22"));
    EXPECT_EQ(second.firmwareVersion, QByteArray("v"));
}

TEST_F(SimDiscovery, AQuerySentToOneUnitIsAnsweredByThatUnitAlone) {
    startSim({});
    listener.query(QHostAddress(QStringLiteral("127.0.0.3")));
    ASSERT_TRUE(listener.collect(1));
    EXPECT_EQ(listener.received[0].sender, QStringLiteral("127.0.0.3"));
}

TEST_F(SimDiscovery, MalformedDatagramsComeBeforeTheAnswerInTheirOrder) {
    startSim({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--malformed"), QStringLiteral("all")});
    listener.query();
    ASSERT_TRUE(listener.collect(5));
    const auto& r = listener.received;
    EXPECT_EQ(r[0].data.size(), 71);
    EXPECT_EQ(r[1].data.size(), 73);
    EXPECT_EQ(r[1].data.left(72).mid(8, 6), QByteArray("BAD-73"));
    ASSERT_EQ(r[2].data.size(), 72);
    EXPECT_EQ(r[2].data[0], '\x02');
    ASSERT_EQ(r[3].data.size(), 72);
    EXPECT_EQ(r[3].data[0], '\x01');
    EXPECT_EQ(parsed(r[3]).hostName, QByteArray("BAD-NOFW"));
    EXPECT_TRUE(parsed(r[3]).firmwareVersion.isEmpty());
    EXPECT_EQ(parsed(r[4]).hostName, QByteArray("ZurEdor-1"));
}

TEST_F(SimDiscovery, UnitsWithoutAnAnswerSendOnlyTheirMalformedDatagrams) {
    startSim({QStringLiteral("--units"), QStringLiteral("2"), QStringLiteral("--no-answer"),
              QStringLiteral("--malformed"), QStringLiteral("short,type")});
    listener.query();
    ASSERT_TRUE(listener.collect(4));
    for (const auto& datagram : listener.received)
        EXPECT_FALSE(Discovery::parseDiscoveryReply(datagram.data) && datagram.data[0] == '\x01');
}

TEST_F(SimDiscovery, AnswerTwiceSendsASecondDifferentAnswer) {
    startSim({QStringLiteral("--units"), QStringLiteral("2"), QStringLiteral("--answer-twice")});
    listener.query();
    ASSERT_TRUE(listener.collect(4));
    EXPECT_EQ(parsed(listener.received[0]).hostName, QByteArray("ZurEdor-1"));
    EXPECT_EQ(parsed(listener.received[1]).hostName, QByteArray("DUPLICATE"));
    EXPECT_EQ(listener.received[1].sender, QStringLiteral("127.0.0.2"));
}

TEST_F(SimDiscovery, FloodFollowsTheAnswersAndRotatesItsKinds) {
    startSim({QStringLiteral("--units"), QStringLiteral("2"), QStringLiteral("--flood"), QStringLiteral("500")});
    listener.query();
    ASSERT_TRUE(listener.collect(502)) << listener.received.size();
    int shorts = 0, longs = 0, wrongType = 0, noFirmware = 0, copies = 0;
    for (const auto& datagram : listener.received.sliced(2)) {
        const auto reply = Discovery::parseDiscoveryReply(datagram.data);
        shorts += datagram.data.size() == 71;
        longs += datagram.data.size() == 73;
        wrongType += datagram.data.size() == 72 && datagram.data[0] != '\x01';
        noFirmware += reply && reply->firmwareVersion.isEmpty();
        copies += reply && reply->hostName.startsWith("ZurEdor-");
    }
    EXPECT_EQ(shorts, 100);
    EXPECT_EQ(longs, 100);
    EXPECT_EQ(wrongType, 100);
    EXPECT_EQ(noFirmware, 100);
    EXPECT_EQ(copies, 100);
}

TEST_F(SimDiscovery, DelayHoldsTheAnswerBack) {
    startSim({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--delay"), QStringLiteral("300")});
    listener.query();
    ASSERT_TRUE(listener.collect(1));
    EXPECT_GE(listener.received[0].atMs, 290);
}

TEST_F(SimDiscovery, RateSpreadsTheDatagramsOut) {
    // 20 datagrams at 100 a second: the last leaves about 190 ms after the first.
    startSim({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--flood"), QStringLiteral("19"),
              QStringLiteral("--rate"), QStringLiteral("100")});
    listener.query();
    ASSERT_TRUE(listener.collect(20));
    EXPECT_GE(listener.received.constLast().atMs - listener.received.constFirst().atMs, 170);
}

TEST_F(SimDiscovery, EveryQueryIsAnswered) {
    startSim({QStringLiteral("--units"), QStringLiteral("1")});
    listener.query();
    ASSERT_TRUE(listener.collect(1));
    listener.query();
    ASSERT_TRUE(listener.collect(2));
}

TEST_F(SimDiscovery, DatagramsThatAreNotQueriesGetNoAnswer) {
    startSim({QStringLiteral("--units"), QStringLiteral("1")});
    QUdpSocket other;
    other.writeDatagram(Discovery::encodeDiscoveryReply({"X", "Y", "Z"}).left(71), kLoopbackBroadcast, port);
    QByteArray wrongType = Discovery::DiscoveryRequest();
    wrongType[0] = 2;
    other.writeDatagram(wrongType, kLoopbackBroadcast, port);
    listener.query();
    ASSERT_TRUE(listener.collect(1)) << "only the real query is answered";
}

TEST_F(SimDiscovery, AQueryIsHeardAtEveryBroadcastAddressGiven) {
    startSim({QStringLiteral("--broadcast"), QStringLiteral("127.255.255.255,127.0.0.255")});
    listener.query(QHostAddress(QStringLiteral("127.0.0.255")));
    ASSERT_TRUE(listener.collect(3));
    listener.query();
    ASSERT_TRUE(listener.collect(6));
}

// The answering units' addresses for one query, once the answers have stopped coming.
QSet<QString> answerersOfOneQuery(const QStringList& simArguments) {
    const quint16 port = TestSupport::freeUdpPort();
    Listener listener(port);
    SimProcess sim(simArguments + QStringList{QStringLiteral("--discovery-port"), QString::number(port)});
    if (!sim.start())
        return {QStringLiteral("the simulator did not start")};
    listener.query();
    TestSupport::waitUntil([] { return false; }, 400);
    QSet<QString> senders;
    for (const Received& answer : std::as_const(listener.received))
        senders.insert(answer.sender);
    return senders;
}

TEST(SimDroppedQueries, TheSameSeedDropsTheSameUnitsAndAllOrNoneAtTheEnds) {
    const QStringList lossy{QStringLiteral("--units"), QStringLiteral("20"), QStringLiteral("--drop-queries"),
                            QStringLiteral("30")};
    const QSet<QString> first = answerersOfOneQuery(lossy + QStringList{QStringLiteral("--seed"), QStringLiteral("9")});
    const QSet<QString> again = answerersOfOneQuery(lossy + QStringList{QStringLiteral("--seed"), QStringLiteral("9")});
    const QSet<QString> other =
        answerersOfOneQuery(lossy + QStringList{QStringLiteral("--seed"), QStringLiteral("10")});
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other) << "another seed, other losses";
    EXPECT_GT(first.size(), 0);
    EXPECT_LT(first.size(), 20);
    EXPECT_TRUE(answerersOfOneQuery({QStringLiteral("--units"), QStringLiteral("5"), QStringLiteral("--drop-queries"),
                                     QStringLiteral("100")})
                    .isEmpty());
}

// The responder in this process, as the simulator's web side drives it when a unit
// is renamed, moves to another address or reboots.
class LiveUnits : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(responder.open()); }

    quint16 port = TestSupport::freeUdpPort();
    Listener listener{port};
    Sim::DiscoveryResponder responder{
        Sim::makeUnits(2, QHostAddress(QStringLiteral("127.0.0.2")), {}), {kLoopbackBroadcast}, port, {}};
};

TEST_F(LiveUnits, ARenamedUnitAnswersWithItsNewName) {
    Sim::SimUnit renamed = responder.unit(1);
    renamed.hostName = "RENAMED";
    renamed.groupName = "NEWGROUP";
    ASSERT_FALSE(responder.updateUnit(1, renamed));
    listener.query();
    ASSERT_TRUE(listener.collect(2));
    EXPECT_EQ(parsed(listener.received[1]).hostName, QByteArray("RENAMED"));
    EXPECT_EQ(parsed(listener.received[1]).groupName, QByteArray("NEWGROUP"));
}

TEST_F(LiveUnits, AMovedUnitAnswersFromItsNewAddressOnly) {
    Sim::SimUnit moved = responder.unit(0);
    moved.address = QHostAddress(QStringLiteral("127.0.0.50"));
    ASSERT_FALSE(responder.updateUnit(0, moved));
    listener.query(QHostAddress(QStringLiteral("127.0.0.2")));
    listener.query();
    ASSERT_TRUE(listener.collect(2)) << "the old address is gone";
    EXPECT_EQ(listener.received[0].sender, QStringLiteral("127.0.0.50"));
    EXPECT_EQ(parsed(listener.received[0]).hostName, QByteArray("ZurEdor-1"));
}

TEST_F(LiveUnits, AnOfflineUnitAnswersNothingUntilItIsBack) {
    responder.setOnline(0, false);
    listener.query();
    ASSERT_TRUE(listener.collect(1));
    EXPECT_EQ(listener.received[0].sender, QStringLiteral("127.0.0.3"));
    responder.setOnline(0, true);
    listener.query();
    ASSERT_TRUE(listener.collect(3));
}

class SimStops : public ::testing::TestWithParam<int> {};

TEST_P(SimStops, OnSignalWithStatusZero) {
    SimProcess sim({QStringLiteral("--discovery-port"), QString::number(TestSupport::freeUdpPort())});
    ASSERT_TRUE(sim.start());
    ASSERT_EQ(::kill(static_cast<pid_t>(sim.process().processId()), GetParam()), 0);
    ASSERT_TRUE(sim.process().waitForFinished(5000));
    EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process().exitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(IntAndTerm, SimStops, ::testing::Values(SIGINT, SIGTERM));

struct BadOptions {
    const char* name;
    QStringList arguments;
};

class SimRefuses : public ::testing::TestWithParam<BadOptions> {};

TEST_P(SimRefuses, WithUsageStatusBeforeBinding) {
    QProcess sim;
    sim.start(QStringLiteral(ZUREDOR_SIM_PATH), GetParam().arguments);
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 64) << GetParam().name;
    EXPECT_FALSE(sim.readAllStandardOutput().contains("ready"));
}

INSTANTIATE_TEST_SUITE_P(
    Options, SimRefuses,
    ::testing::Values(BadOptions{"no units", {QStringLiteral("--units"), QStringLiteral("0")}},
                      BadOptions{"unknown kind", {QStringLiteral("--malformed"), QStringLiteral("short,huge")}},
                      BadOptions{"port", {QStringLiteral("--discovery-port"), QStringLiteral("65536")}},
                      BadOptions{"address", {QStringLiteral("--first-address"), QStringLiteral("127.0.0")}},
                      BadOptions{"past the last address",
                                 {QStringLiteral("--first-address"), QStringLiteral("255.255.255.255"),
                                  QStringLiteral("--units"), QStringLiteral("2")}}),
    [](const ::testing::TestParamInfo<BadOptions>& p) { return "case" + std::to_string(p.index); });

} // namespace
