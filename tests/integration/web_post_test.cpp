// The firmware post against a raw loopback peer: the bytes it receives, and
// how each kind of answer or failure ends the post.

#include "web/multipart.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// How the peer treats the one connection it takes.
struct PeerScript {
    QByteArray answer;      // sent once the request is read
    qint64 resetAfter = -1; // abort with a reset after reading this many bytes
    qint64 stopAfter = -1;  // stop reading after this many bytes and hold the connection
};

class PostPeer {
public:
    explicit PostPeer(PeerScript script) : m_script(std::move(script)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 1);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~PostPeer() {
        m_done = true;
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/man.cgi").arg(m_port); }
    // Everything read, once the post has returned.
    QByteArray received() {
        m_thread.join();
        m_thread = std::thread([] {});
        return m_received;
    }

private:
    void serve() {
        const int connection = ::accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            return;
        char piece[65536];
        qint64 expected = -1;
        while (!m_done) {
            const qint64 limit = m_script.resetAfter >= 0 ? m_script.resetAfter : m_script.stopAfter;
            if (limit >= 0 && m_received.size() >= limit)
                break;
            const ssize_t got = ::recv(connection, piece, sizeof piece, 0);
            if (got <= 0)
                break;
            m_received.append(piece, got);
            const qsizetype end = m_received.indexOf("\r\n\r\n");
            if (expected < 0 && end >= 0) {
                const qsizetype at = m_received.indexOf("Content-Length: ");
                expected = end + 4 + m_received.mid(at + 16, m_received.indexOf('\r', at) - at - 16).toLongLong();
            }
            if (expected >= 0 && m_received.size() >= expected && limit < 0)
                break;
        }
        if (m_script.resetAfter >= 0) {
            const linger abort{1, 0};
            ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        } else if (m_script.stopAfter >= 0) {
            while (!m_done)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } else {
            ::send(connection, m_script.answer.constData(), m_script.answer.size(), MSG_NOSIGNAL);
        }
        ::close(connection);
    }

    PeerScript m_script;
    int m_listener = -1;
    quint16 m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_done{false};
    QByteArray m_received;
};

std::unique_ptr<Web::THttpDataStream> firmwareBody(qint64 imageSize) {
    auto body = std::make_unique<Web::THttpDataStream>();
    body->AddFormField("redirect", "man_firm.htm");
    body->AddFormField("failure", "fail.htm");
    body->AddFormField("type", "file_upload");
    auto image = std::make_unique<QBuffer>();
    image->setData(QByteArray(imageSize, '\x5a'));
    image->open(QIODevice::ReadOnly);
    body->AddStream("filename", "/tmp/fw.bin", "application/octet-stream", std::move(image));
    body->FinishBody();
    return body;
}

const Web::PostFields kFields{s("admin"), s("admin"), s("http://127.0.0.1/maintain.htm"), 30000};

TEST(MultipartPost, SendsTheHeadAndTheWholeBodyAndReportsProgress) {
    PostPeer peer({"HTTP/1.0 302 Found\r\nLocation: man_firm.htm\r\nContent-Length: 0\r\n\r\n"});
    auto body = firmwareBody(3 * 1024 * 1024 + 17);
    QByteArray expected = Web::MultipartPostHead(s("127.0.0.1"), s("/man.cgi"), *body, kFields);
    auto copy = firmwareBody(3 * 1024 * 1024 + 17);
    QByteArray piece(1 << 20, '\0');
    for (qint64 got; (got = copy->read(piece.data(), piece.size())) > 0;)
        expected.append(piece.constData(), got);

    qint64 last = -1;
    bool ordered = true;
    const Web::PostResult result = Web::PostMultipart(peer.url(), *body, kFields, {}, [&](qint64 sent, qint64 total) {
        ordered = ordered && sent >= last && sent <= total && total == body->size();
        last = sent;
    });
    EXPECT_EQ(result.outcome, Web::PostResult::Outcome::Answered);
    EXPECT_EQ(result.status, 302);
    EXPECT_EQ(result.location, QByteArray("man_firm.htm"));
    EXPECT_EQ(result.failureText, s("302 Found"));
    EXPECT_TRUE(ordered);
    EXPECT_EQ(last, body->size());
    // Host carries the address alone; the boundary of the two bodies differs only if the clock moved on.
    const QByteArray got = peer.received();
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got.startsWith("POST /man.cgi HTTP/1.0\r\nHost: 127.0.0.1\r\n"));
    EXPECT_EQ(got.mid(got.indexOf("\r\n\r\n")).size(), expected.mid(expected.indexOf("\r\n\r\n")).size());
}

TEST(MultipartPost, EachEndingOfThePost) {
    using Outcome = Web::PostResult::Outcome;
    const QByteArray answer200 = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok";
    const struct {
        const char* name;
        PeerScript script;
        qint64 imageSize;
        Outcome outcome;
        int status;
        QString failureStart;
    } cases[] = {
        {"200 completes", {answer200}, 1000, Outcome::Completed, 200, s("200 OK")},
        {"200 with a Location does not",
         {"HTTP/1.0 200 OK\r\nLocation: fail.htm\r\nContent-Length: 0\r\n\r\n"},
         1000,
         Outcome::Answered,
         200,
         s("200 OK")},
        {"500 whose reason holds 302",
         {"HTTP/1.0 500 Internal 302 Error\r\nContent-Length: 0\r\n\r\n"},
         1000,
         Outcome::Answered,
         500,
         s("500 Internal 302 Error")},
        {"a reset while the image goes up",
         {{}, 64 * 1024},
         16 * 1024 * 1024,
         Outcome::Aborted,
         0,
         // ECONNRESET or EPIPE, as the moment of the reset decides
         QStringLiteral("Socket Error # ")},
        {"a reset once the head is read, all of a small image already in the buffers",
         {{}, 100},
         100000,
         Outcome::Aborted,
         0,
         QStringLiteral("Socket Error # ")},
        {"an orderly close without an answer is no reset",
         {""},
         1000,
         Outcome::Failed,
         0,
         s("The unit closed the connection without an answer")},
    };
    for (const auto& c : cases) {
        PostPeer peer(c.script);
        auto body = firmwareBody(c.imageSize);
        const Web::PostResult result = Web::PostMultipart(peer.url(), *body, kFields);
        EXPECT_EQ(result.outcome, c.outcome) << c.name;
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_TRUE(result.failureText.startsWith(c.failureStart))
            << c.name << ": " << result.failureText.toStdString();
    }
}

TEST(MultipartPost, NoConnectionAndAUnitThatStopsReading) {
    using Outcome = Web::PostResult::Outcome;
    quint16 closedPort = 0;
    {
        PostPeer gone({});
        closedPort = QUrl(gone.url()).port();
        Web::THttpDataStream nothing;
        nothing.FinishBody();
        Web::PostMultipart(gone.url(), nothing, kFields); // lets the peer end
    }
    auto body = firmwareBody(1000);
    const Web::PostResult refused =
        Web::PostMultipart(QStringLiteral("http://127.0.0.1:%1/man.cgi").arg(closedPort), *body, kFields);
    EXPECT_EQ(refused.outcome, Outcome::Failed);
    EXPECT_TRUE(refused.failureText.startsWith(QStringLiteral("Socket Error # %1\r\n").arg(ECONNREFUSED)))
        << refused.failureText.toStdString();

    PostPeer stuck({{}, -1, 64 * 1024});
    auto large = firmwareBody(64 * 1024 * 1024);
    Web::PostFields impatient = kFields;
    impatient.stallTimeoutMs = 300;
    QElapsedTimer clock;
    clock.start();
    const Web::PostResult stalled = Web::PostMultipart(stuck.url(), *large, impatient);
    EXPECT_EQ(stalled.outcome, Outcome::Stalled);
    // The peer never reads again: a post that ignored its own stall bound would wait for the default one, or for ever.
    EXPECT_LT(clock.elapsed(), Web::PostFields().stallTimeoutMs / 2);
}

} // namespace
