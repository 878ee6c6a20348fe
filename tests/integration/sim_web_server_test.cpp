// The simulated unit's web server on loopback, driven byte by byte: credentials,
// connection handling, every fault, the request log, address moves and reboots.
#include "sim/web/unit_web_server.h"
#include "sim/web/web_options.h"
#include "support/test_ports.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

using namespace Sim;
using TestSupport::waitUntil;

namespace {

const QHostAddress kUnitAddress(QStringLiteral("127.0.0.2"));

struct Reply {
    QByteArray raw;
    bool closedByServer = false;
    qint64 firstByteMs = -1;

    int status() const {
        const QList<QByteArray> words = raw.left(raw.indexOf("\r\n")).split(' ');
        return words.size() > 1 && raw.startsWith("HTTP/") ? words[1].toInt() : -1;
    }
    QByteArray header(const QByteArray& name) const {
        const QByteArray key = "\r\n" + name + ": ";
        const qsizetype at = raw.indexOf(key);
        return at < 0 ? QByteArray() : raw.mid(at + key.size(), raw.indexOf("\r\n", at + 2) - at - key.size());
    }
    QByteArray body() const {
        const qsizetype end = raw.indexOf("\r\n\r\n");
        return end < 0 ? QByteArray() : raw.mid(end + 4);
    }
};

// A client on the socket itself, so the test sees exactly what the unit sends.
class RawClient {
public:
    bool connectTo(const QHostAddress& address, quint16 port) {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
            if (m_reply.raw.isEmpty())
                m_reply.firstByteMs = m_clock.elapsed();
            m_reply.raw += m_socket.readAll();
        });
        QObject::connect(&m_socket, &QTcpSocket::connected, [this] { m_connected = true; });
        QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] { m_reply.closedByServer = true; });
        m_socket.connectToHost(address, port);
        // A unit that drops the connection may do so before the client looks.
        return waitUntil([this] { return m_connected; }, 3000);
    }
    void send(const QByteArray& bytes) {
        m_clock.start();
        m_socket.write(bytes);
    }
    // Waits for the unit to close, or for the given time.
    Reply& wait(int ms = 3000) {
        waitUntil([this] { return m_reply.closedByServer; }, ms);
        return m_reply;
    }
    bool waitFor(qsizetype bytes, int ms = 3000) {
        return waitUntil([&] { return m_reply.raw.size() >= bytes; }, ms);
    }
    Reply& reply() { return m_reply; }

private:
    QTcpSocket m_socket;
    bool m_connected = false;
    Reply m_reply;
    QElapsedTimer m_clock;
};

QByteArray get(const QByteArray& target, const QByteArray& credentials = "admin:admin") {
    return "GET " + target + " HTTP/1.1\r\nHost:127.0.0.2\r\nConnection: Keep-Alive\r\nAuthorization: Basic " +
           credentials.toBase64() + "\r\n\r\n";
}

class SimWebServer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(start({})); }

    bool start(const ServerSettings& settings) {
        m_server = std::make_unique<UnitWebServer>(defaultUnitState(1, kUnitAddress), settings);
        m_port = TestSupport::freeTcpPort();
        return m_server->listen(kUnitAddress, m_port);
    }

    Reply exchange(const QByteArray& request, int waitMs = 3000, const QHostAddress& address = kUnitAddress) {
        RawClient client;
        if (!client.connectTo(address, m_port))
            return {};
        client.send(request);
        return client.wait(waitMs);
    }

    bool refusesConnections(const QHostAddress& address) {
        QTcpSocket socket;
        socket.connectToHost(address, m_port);
        waitUntil(
            [&] {
                return socket.state() != QAbstractSocket::ConnectingState &&
                       socket.state() != QAbstractSocket::HostLookupState;
            },
            3000);
        return socket.state() == QAbstractSocket::UnconnectedState;
    }

    std::unique_ptr<UnitWebServer> m_server;
    quint16 m_port = 0;
};

TEST_F(SimWebServer, CredentialsDecideBetweenThePageAndAnErrorPage) {
    const QByteArray prefix = "GET /utility_use.htm HTTP/1.1\r\nHost:127.0.0.2\r\n";
    struct Case {
        const char* what;
        QByteArray authorization;
        int status;
    };
    const Case cases[] = {
        {"no Authorization line", "", 401},
        {"wrong password", "Authorization: Basic " + QByteArray("admin:nimda").toBase64() + "\r\n", 401},
        {"wrong user", "Authorization: Basic " + QByteArray("root:admin").toBase64() + "\r\n", 401},
        {"password in other case", "Authorization: Basic " + QByteArray("admin:ADMIN").toBase64() + "\r\n", 401},
        {"user name alone", "Authorization: Basic " + QByteArray("admin:").toBase64() + "\r\n", 401},
        {"no colon", "Authorization: Basic " + QByteArray("adminadmin").toBase64() + "\r\n", 401},
        {"not Base64", "Authorization: Basic !!!!\r\n", 401},
        {"other scheme", "Authorization: Digest " + QByteArray("admin:admin").toBase64() + "\r\n", 401},
        {"right", "Authorization: Basic " + QByteArray("admin:admin").toBase64() + "\r\n", 200},
        {"scheme in lower case", "authorization: basic " + QByteArray("admin:admin").toBase64() + "\r\n", 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Reply reply = exchange(prefix + c.authorization + "\r\n");
        EXPECT_EQ(reply.status(), c.status);
        EXPECT_TRUE(reply.closedByServer);
        EXPECT_EQ(reply.header("Content-Length").toLongLong(), reply.body().size());
        EXPECT_TRUE(reply.body().startsWith("<HTML>"));
        EXPECT_EQ(reply.header("Connection"), "close");
        if (c.status == 401) {
            EXPECT_TRUE(reply.header("WWW-Authenticate").startsWith("Basic realm="));
            EXPECT_FALSE(reply.body().contains("host_name="));
        } else {
            EXPECT_TRUE(reply.body().contains("\r\nhost_name=\"ZE-NAS1\";\r\n"));
        }
    }
}

TEST_F(SimWebServer, ServesRedirectPagesAndRefusesOthers) {
    struct Case {
        QByteArray target;
        int status;
    };
    const Case cases[] = {
        {"/status.htm", 200}, {"/if_cfg.htm", 200},  {"/fail.htm", 200},          {"/maintain.htm", 200},
        {"/", 200},           {"/nothing.htm", 404}, {"/utility_use.htm/x", 404},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.constData());
        const Reply reply = exchange(get(c.target));
        EXPECT_EQ(reply.status(), c.status);
        EXPECT_TRUE(reply.body().startsWith("<HTML>"));
    }
    EXPECT_EQ(exchange("BREW /status.htm HTTP/1.0\r\nAuthorization: Basic YWRtaW46YWRtaW4=\r\n\r\n").status(), 501);
    EXPECT_EQ(exchange("nonsense\r\n\r\n").status(), 400);
}

TEST_F(SimWebServer, RecordsEveryRequestExactlyAndBounded) {
    QTemporaryDir dir;
    ServerSettings settings;
    settings.requestLogEntries = 3;
    settings.requestLogPath = dir.filePath(QStringLiteral("requests.log"));
    ASSERT_TRUE(start(settings));

    QList<QByteArray> sent;
    for (int i = 0; i < 5; ++i) {
        // Odd spacing and header case must survive as they came.
        sent.append("GET /status.htm?n=" + QByteArray::number(i) + " HTTP/1.0\r\nX-Odd:  two  blanks\r\n\r\n");
        exchange(sent.last());
    }
    const QByteArray post = "POST /nas.cgi HTTP/1.0\r\nContent-Length: 11\r\n\r\ntype=reboot";
    exchange(post);
    sent.append(post);

    EXPECT_EQ(m_server->recordedRequests(), sent.mid(3));
    // An entry holds its request, not the whole buffer the request was read into: a long-running unit
    // keeps hundreds of them.
    for (const QByteArray& kept : m_server->recordedRequests())
        EXPECT_LE(kept.capacity(), kept.size() + 64) << kept.constData();
    QFile file(settings.requestLogPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray log = file.readAll();
    for (const QByteArray& request : sent)
        EXPECT_TRUE(log.contains(request)) << request.constData();
}

TEST_F(SimWebServer, KeepAliveServesTheNextRequestOnTheSameConnection) {
    m_server->faults().keepAlive = true;
    RawClient client;
    ASSERT_TRUE(client.connectTo(kUnitAddress, m_port));
    client.send(get("/status.htm"));
    Reply& reply = client.wait(400);
    EXPECT_FALSE(reply.closedByServer);
    ASSERT_EQ(reply.status(), 200);
    EXPECT_EQ(reply.header("Connection"), "Keep-Alive");
    // The answer is complete by its length while the connection stays open.
    EXPECT_EQ(reply.header("Content-Length").toLongLong(), reply.body().size());

    const qsizetype first = reply.raw.size();
    client.send(get("/utility_use.htm"));
    ASSERT_TRUE(client.waitFor(first + 20));
    EXPECT_TRUE(reply.raw.mid(first).startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(m_server->recordedRequests().size(), 2);
}

TEST_F(SimWebServer, SlowUnitWaitsBeforeEachAnswer) {
    m_server->faults().answerDelayMs = 300;
    RawClient client;
    ASSERT_TRUE(client.connectTo(kUnitAddress, m_port));
    client.send(get("/utility_use.htm"));
    const Reply& reply = client.wait();
    EXPECT_EQ(reply.status(), 200);
    EXPECT_GE(reply.firstByteMs, 300);
}

TEST_F(SimWebServer, SilentUnitTakesTheRequestAndNeverAnswers) {
    m_server->faults().silent = true;
    RawClient client;
    ASSERT_TRUE(client.connectTo(kUnitAddress, m_port));
    client.send(get("/utility_use.htm"));
    const Reply& reply = client.wait(500);
    EXPECT_TRUE(reply.raw.isEmpty());
    EXPECT_FALSE(reply.closedByServer);
    EXPECT_EQ(m_server->recordedRequests(), QList<QByteArray>{get("/utility_use.htm")});
}

TEST_F(SimWebServer, DroppedConnectionsCloseUnansweredThenTheUnitAnswers) {
    m_server->faults().dropConnections = 2;
    for (int i = 0; i < 2; ++i) {
        const Reply dropped = exchange(get("/utility_use.htm"));
        EXPECT_TRUE(dropped.closedByServer);
        EXPECT_TRUE(dropped.raw.isEmpty());
    }
    EXPECT_EQ(exchange(get("/utility_use.htm")).status(), 200);
    EXPECT_EQ(m_server->recordedRequests().size(), 1);
}

TEST_F(SimWebServer, DropsEveryNthConnectionCountingFromTheFirst) {
    struct Case {
        int dropEvery;
        int dropFirst;
        const char* pattern; // one letter a connection: answered (a) or dropped (d)
    };
    const Case cases[] = {
        {0, 0, "aaaa"},
        {1, 0, "ddd"},
        {3, 0, "aadaadaa"},
        {10, 0, "aaaaaaaaadaaaaaaaaad"},
        // Connections the first-N fault drops count too.
        {3, 2, "dddaadaa"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "every " << c.dropEvery << ", first " << c.dropFirst);
        ServerSettings settings;
        settings.faults.dropEvery = c.dropEvery;
        settings.faults.dropConnections = c.dropFirst;
        ASSERT_TRUE(start(settings));
        std::string seen;
        for (std::size_t i = 0; i < std::strlen(c.pattern); ++i) {
            const Reply reply = exchange(get("/utility_use.htm"));
            seen += reply.status() == 200 ? 'a' : reply.closedByServer && reply.raw.isEmpty() ? 'd' : '?';
        }
        EXPECT_EQ(seen, c.pattern);
        EXPECT_EQ(m_server->recordedRequests().size(), std::count(seen.begin(), seen.end(), 'a'));
    }
}

TEST_F(SimWebServer, RefusesTheNextFtpChangesThenAppliesThem) {
    m_server->faults().refuseFtpChanges = 2;
    const QByteArray ftp = get("/nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set=ENABLE&"
                               "ftps_port=2100");
    const QByteArray other = get("/nas.cgi?redirect=status.htm&failure=fail.htm&type=nas_lang_apply&lang=4");

    EXPECT_EQ(exchange(ftp).header("Location"), "fail.htm");
    // Only requests for ftp.htm count and are refused.
    EXPECT_EQ(exchange(other).header("Location"), "status.htm");
    EXPECT_EQ(exchange(ftp).header("Location"), "fail.htm");
    EXPECT_EQ(m_server->state().ftp.port, 21);
    EXPECT_EQ(exchange(ftp).header("Location"), "ftp.htm");
    EXPECT_EQ(m_server->state().ftp.port, 2100);
}

TEST_F(SimWebServer, CommandLineFaultsReachOnlyTheChosenUnits) {
    qunsetenv("ZUREDOR_DEVICE_PORT");
    struct Case {
        std::vector<std::string> args;
        int unit;
        FaultSettings expected;
        int devicePort;
    };
    const Case cases[] = {
        {{}, 1, {}, 80},
        {{"--web-keep-alive", "--web-delay", "250", "--device-port", "8080"}, 3, {true, 250, false, 0, 0}, 8080},
        {{"--web-silent", "--web-drop", "3", "--web-refuse-ftp", "4"}, 2, {false, 0, true, 3, 4}, 80},
        {{"--web-silent", "--web-fault-units", "2,4"}, 4, {false, 0, true, 0, 0}, 80},
        {{"--web-silent", "--web-fault-units", "2,4"}, 3, {}, 80},
        {{"--web-drop-every", "10", "--web-fault-units", "1"}, 1, {false, 0, false, 0, 0, -1, 10}, 80},
        {{"--web-drop-every", "10", "--web-fault-units", "1"}, 2, {}, 80},
    };
    for (const Case& c : cases) {
        WebOptions options;
        CLI::App app;
        addWebOptions(app, options);
        std::vector<std::string> args(c.args.rbegin(), c.args.rend()); // CLI11 takes them last first
        ASSERT_NO_THROW(app.parse(args));
        const FaultSettings f = serverSettings(options, c.unit).faults;
        EXPECT_EQ(f.keepAlive, c.expected.keepAlive);
        EXPECT_EQ(f.answerDelayMs, c.expected.answerDelayMs);
        EXPECT_EQ(f.silent, c.expected.silent);
        EXPECT_EQ(f.dropConnections, c.expected.dropConnections);
        EXPECT_EQ(f.refuseFtpChanges, c.expected.refuseFtpChanges);
        EXPECT_EQ(f.dropEvery, c.expected.dropEvery);
        EXPECT_EQ(options.devicePort, c.devicePort);
    }

    WebOptions options;
    CLI::App app;
    addWebOptions(app, options);
    std::vector<std::string> args{"s3cret", "--password", "root", "--user"};
    app.parse(args);
    const UnitState state = initialUnitState(options, 2, kUnitAddress);
    EXPECT_EQ(state.adminUser, QStringLiteral("root"));
    EXPECT_EQ(state.adminPassword, QStringLiteral("s3cret"));
}

TEST_F(SimWebServer, AddressChangesAreAskedForAfterTheAnswer) {
    QList<AddressChange> asked;
    QObject::connect(m_server.get(), &UnitWebServer::addressChangeRequested,
                     [&](const AddressChange& change) { asked.append(change); });

    const Reply dhcp = exchange(get("/dhcpc.cgi?redirect=if_cfg.htm&failure=fail.htm&type=dhcpc_apply&ifname="));
    EXPECT_EQ(dhcp.header("Location"), "if_cfg.htm");
    ASSERT_TRUE(waitUntil([&] { return asked.size() == 1; }));
    EXPECT_TRUE(asked[0].dhcpClient);
    EXPECT_TRUE(m_server->state().address.dhcpClient);

    const QHostAddress moved(QStringLiteral("127.0.0.9"));
    const Reply fixed = exchange(get("/if.cgi?redirect=if_cfg.htm&failure=fail.htm&type=wan_fixip_apply&ip=127.0.0.9"
                                     "&submask=255.0.0.0&gateway=127.0.0.1&pdns=127.0.0.1&sdns="));
    EXPECT_EQ(fixed.header("Location"), "if_cfg.htm");
    ASSERT_TRUE(waitUntil([&] { return asked.size() == 2; }));
    EXPECT_FALSE(asked[1].dhcpClient);
    EXPECT_EQ(asked[1].address, moved);

    ASSERT_TRUE(m_server->moveTo(moved));
    EXPECT_TRUE(refusesConnections(kUnitAddress));
    const Reply page = exchange(get("/utility_use.htm"), 3000, moved);
    EXPECT_TRUE(page.body().contains("\r\nip_addr=\"127.0.0.9\";\r\n"));
    EXPECT_TRUE(page.body().contains("\r\nip_type=\"FIXED IP\";\r\n"));
}

TEST_F(SimWebServer, RebootTakesTheUnitOffTheNetworkForAWhile) {
    ServerSettings settings;
    settings.rebootMs = 300;
    ASSERT_TRUE(start(settings));
    QList<bool> online;
    QObject::connect(m_server.get(), &UnitWebServer::onlineChanged, [&](bool on) { online.append(on); });

    EXPECT_EQ(exchange(get("/man.cgi?redirect=reboot.htm&failure=fail.htm&type=reboot")).header("Location"),
              "reboot.htm");
    ASSERT_TRUE(waitUntil([&] { return online == QList<bool>{false}; }));
    EXPECT_TRUE(refusesConnections(kUnitAddress));
    ASSERT_TRUE(waitUntil([&] { return online == QList<bool>{false, true}; }));
    EXPECT_EQ(exchange(get("/utility_use.htm")).status(), 200);
}

} // namespace
