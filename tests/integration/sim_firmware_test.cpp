// Firmware uploads to the simulated unit in the desktop program's exact layout:
// the version found in the image, every way the layout can be wrong, the size
// limit's reset, the stall fault, reboots and the reset to factory settings.
#include "discovery/discovery_datagram.h"
#include "sim/web/firmware_upload.h"
#include "sim/web/unit_web_server.h"
#include "sim/web/web_options.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>

#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <tuple>
#include <unistd.h>

using namespace Sim;
using TestSupport::waitUntil;

namespace {

const QHostAddress kUnitAddress(QStringLiteral("127.0.0.2"));
const QByteArray kBoundary = "-------------------------20240502134501123";

// An image of `size` bytes with the version line somewhere after some binary bytes.
QByteArray image(qsizetype size, const QByteArray& versionLine = "ZUREDOR-FIRMWARE 2.10.07\r\n") {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + 7) & 0xff);
    if (!versionLine.isEmpty())
        bytes.replace(qMin<qsizetype>(300, size - versionLine.size()), versionLine.size(), versionLine);
    return bytes;
}

// The desktop program's upload, with a knob for each way to get it wrong.
struct Upload {
    QByteArray boundary = kBoundary;       // on the part lines and the closing line
    QByteArray headerBoundary = kBoundary; // in Content-Type
    QByteArray partLine;                   // empty: the boundary itself
    QList<QPair<QByteArray, QByteArray>> fields{
        {"redirect", "man_firm.htm"}, {"failure", "fail.htm"}, {"type", "file_upload"}};
    QByteArray fileName = "C:\\Firmware\\ze 2.10.bin";
    QByteArray fileType = "Content-Type: application/octet-stream\r\n";
    QByteArray bytes = image(4096);
    std::optional<QByteArray> closing; // none: "--" and the boundary line
    QByteArray afterBody;              // counted in Content-Length
    qint64 lengthChange = 0;           // added to the true Content-Length
    bool withLength = true;
    QByteArray requestLine = "POST /man.cgi HTTP/1.0";
    QByteArray userAgent = "Mozilla/3.0 (compatible; Indy Library)";
    QByteArray host = "127.0.0.2";
    QByteArray extraHeader;                 // a whole line, before Authorization
    QByteArray credentials = "admin:admin"; // empty: no Authorization line

    QByteArray body() const {
        const QByteArray part = partLine.isEmpty() ? boundary : partLine;
        QByteArray out;
        for (const auto& [name, value] : fields)
            out += part + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
        out += part + "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"" + fileName + "\"\r\n";
        out += fileType + "\r\n" + bytes + "\r\n";
        out += closing.value_or("--\r\n" + boundary + "\r\n");
        return out + afterBody;
    }

    QByteArray request() const {
        const QByteArray content = body();
        QByteArray out = requestLine + "\r\nHost: " + host + "\r\nAccept: text/html, */*\r\nReferer: http://" + host +
                         "/maintain.htm\r\nUser-Agent: " + userAgent +
                         "\r\nContent-Type: multipart/form-data; boundary=" + headerBoundary + "\r\n";
        if (withLength)
            out += "Content-Length: " + QByteArray::number(content.size() + lengthChange) + "\r\n";
        out += extraHeader;
        if (!credentials.isEmpty())
            out += "Authorization: Basic " + credentials.toBase64() + "\r\n";
        return out + "\r\n" + content;
    }
};

struct Outcome {
    QByteArray reply;
    qint64 sent = 0;
    bool reset = false;  // a send or receive failed with a reset
    bool closed = false; // the unit closed in order after its reply
    bool connected = false;

    int status() const {
        const QList<QByteArray> words = reply.left(reply.indexOf("\r\n")).split(' ');
        return words.size() > 1 && reply.startsWith("HTTP/") ? words[1].toInt() : -1;
    }
    QByteArray location() const {
        const qsizetype at = reply.indexOf("\r\nLocation: ");
        return at < 0 ? QByteArray() : reply.mid(at + 12, reply.indexOf("\r\n", at + 2) - at - 12);
    }
};

// A plain non-blocking socket, so a reset is told apart from a close and the
// unit's event loop runs in between: the unit lives in this same thread.
Outcome exchange(const QHostAddress& address, quint16 port, const QByteArray& request, int forMs = 5000,
                 int sendBuffer = 0) {
    Outcome outcome;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return outcome;
    if (sendBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address.toIPv4Address());
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return outcome;
    }
    QDeadlineTimer deadline(forMs);
    pollfd watched{fd, POLLOUT, 0};
    while (!deadline.hasExpired() && ::poll(&watched, 1, 1) == 0)
        QCoreApplication::processEvents();
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    outcome.connected = (watched.revents & POLLOUT) && error == 0;

    char buffer[64 * 1024];
    while (outcome.connected && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        if (outcome.sent < request.size()) {
            const ssize_t n = ::send(fd, request.constData() + outcome.sent,
                                     size_t(qMin<qint64>(request.size() - outcome.sent, 1 << 20)), MSG_NOSIGNAL);
            if (n > 0) {
                outcome.sent += n;
            } else if (n < 0 && errno != EAGAIN) {
                outcome.reset = errno == ECONNRESET || errno == EPIPE;
                break;
            }
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            outcome.reply.append(buffer, n);
        } else if (n == 0) {
            outcome.closed = true;
            break;
        } else if (errno != EAGAIN) {
            outcome.reset = errno == ECONNRESET;
            break;
        } else {
            pollfd ready{fd, short(POLLIN | (outcome.sent < request.size() ? POLLOUT : 0)), 0};
            ::poll(&ready, 1, 1);
        }
    }
    ::close(fd);
    return outcome;
}

QByteArray get(const QByteArray& target, const QByteArray& credentials = "admin:admin") {
    return "GET " + target + " HTTP/1.0\r\nAuthorization: Basic " + credentials.toBase64() + "\r\n\r\n";
}

QByteArray pageValue(const QByteArray& page, const QByteArray& name) {
    const QByteArray key = "\r\n" + name + "=\"";
    const qsizetype at = page.indexOf(key);
    return at < 0 ? QByteArray() : page.mid(at + key.size(), page.indexOf("\";\r\n", at) - at - key.size());
}

class SimFirmware : public ::testing::Test {
protected:
    void SetUp() override {
        ServerSettings settings;
        settings.rebootMs = 200;
        settings.idleTimeoutMs = 1000;
        settings.requestLogEntryBytes = 4096;
        ASSERT_TRUE(start(settings));
    }

    bool start(const ServerSettings& settings) {
        m_server = std::make_unique<UnitWebServer>(defaultUnitState(1, kUnitAddress), settings);
        QObject::connect(m_server.get(), &UnitWebServer::noted, [this](const QString& text) { notes.append(text); });
        QObject::connect(m_server.get(), &UnitWebServer::onlineChanged, [this](bool on) { online.append(on); });
        m_port = TestSupport::freeTcpPort();
        return m_server->listen(kUnitAddress, m_port);
    }

    Outcome send(const QByteArray& request, int forMs = 5000, int sendBuffer = 0) {
        return exchange(kUnitAddress, m_port, request, forMs, sendBuffer);
    }

    QByteArray page(const QByteArray& credentials = "admin:admin", const QHostAddress& at = kUnitAddress) {
        return exchange(at, m_port, get("/utility_use.htm", credentials)).reply;
    }

    bool reboot(const QByteArray& credentials = "admin:admin") {
        online.clear();
        return send(get("/man.cgi?redirect=reboot.htm&failure=fail.htm&type=reboot", credentials)).location() ==
                   "reboot.htm" &&
               waitUntil(
                   [&] {
                       return online == QList<bool>{false, true};
                   },
                   3000);
    }

    std::unique_ptr<UnitWebServer> m_server;
    quint16 m_port = 0;
    QStringList notes;
    QList<bool> online;
};

TEST_F(SimFirmware, AWellFormedUploadIsTakenAndItsVersionShownAfterTheReboot) {
    Upload upload;
    upload.bytes = image(200 * 1024);
    const QByteArray request = upload.request();
    const Outcome outcome = send(request);
    EXPECT_EQ(outcome.status(), 302);
    EXPECT_EQ(outcome.location(), "man_firm.htm");
    EXPECT_TRUE(outcome.closed);
    EXPECT_FALSE(outcome.reset);
    ASSERT_TRUE(m_server->state().uploadedImage);
    EXPECT_EQ(m_server->state().uploadedImage->bytes, 200 * 1024);
    EXPECT_EQ(m_server->state().uploadedImage->fileName, QStringLiteral("C:\\Firmware\\ze 2.10.bin"));
    // The log keeps the request's start, cut to its bound.
    EXPECT_EQ(m_server->recordedRequests().constLast(), request.left(4096));

    // Flashed only when the unit starts again.
    EXPECT_EQ(pageValue(page(), "firm_ver"), "2.01.16");
    ASSERT_TRUE(reboot());
    EXPECT_EQ(pageValue(page(), "firm_ver"), "2.10.07");
    EXPECT_FALSE(m_server->state().uploadedImage);
}

TEST_F(SimFirmware, AnImageWithoutAVersionIsTakenAndChangesNothing) {
    Upload upload;
    upload.bytes = image(1000, {});
    EXPECT_EQ(send(upload.request()).location(), "man_firm.htm");
    ASSERT_TRUE(reboot());
    EXPECT_EQ(pageValue(page(), "firm_ver"), "2.01.16");
    EXPECT_EQ(notes.filter(QStringLiteral("names no version")).size(), 1)
        << notes.join(QLatin1Char('\n')).toStdString();
}

TEST_F(SimFirmware, EveryOtherLayoutIsRefused) {
    struct Case {
        const char* what;
        std::function<void(Upload&)> change;
        int status;
        const char* why; // in the unit's note
    };
    const QByteArray otherBoundary = "-------------------------20240502134501124";
    const char* const notClosed = "not followed by the \"--\" and boundary lines";
    const Case cases[] = {
        {"part lines with -- in front", [](Upload& u) { u.partLine = "--" + u.boundary; }, 302,
         "body line 1 should be the boundary"},
        {"closing line in the usual style", [](Upload& u) { u.closing = "--" + u.boundary + "--\r\n"; }, 302,
         notClosed},
        {"no closing lines", [](Upload& u) { u.closing = ""; }, 302, notClosed},
        {"no boundary after the -- line", [](Upload& u) { u.closing = "--\r\n"; }, 302, notClosed},
        {"Content-Length one short", [](Upload& u) { u.lengthChange = -1; }, 302, notClosed},
        {"Content-Length one long", [](Upload& u) { u.lengthChange = 1; }, 302, "the body stopped after"},
        {"no Content-Length", [](Upload& u) { u.withLength = false; }, 302, "no Content-Length"},
        {"bytes after the closing lines", [](Upload& u) { u.afterBody = "\r\n"; }, 302, notClosed},
        {"another boundary in Content-Type", [&](Upload& u) { u.headerBoundary = otherBoundary; }, 302,
         "body line 1 should be the boundary"},
        {"a boundary not of hyphens and a time",
         [](Upload& u) { u.boundary = u.headerBoundary = "----WebKitFormBoundary7MA4YWxkTrZu0gW"; }, 302,
         "header line 6 should be the Content-Type line"},
        {"a boundary whose time has a month 13",
         [](Upload& u) { u.boundary = u.headerBoundary = "-------------------------20241302134501123"; }, 302,
         "header line 6 should be the Content-Type line"},
        {"no type field", [](Upload& u) { u.fields.removeLast(); }, 302,
         "body line 10 should be the type field's head"},
        {"another type", [](Upload& u) { u.fields.last().second = "firmware_upload"; }, 302,
         "body line 12 should be file_upload"},
        {"fields in another order", [](Upload& u) { u.fields.swapItemsAt(0, 1); }, 302,
         "body line 2 should be the redirect field's head"},
        {"an empty redirect field", [](Upload& u) { u.fields.first().second = ""; }, 302,
         "the redirect field is empty"},
        {"no Content-Type in the file part", [](Upload& u) { u.fileType = ""; }, 302,
         "body line 15 should be the file's Content-Type"},
        {"no file name", [](Upload& u) { u.fileName = ""; }, 302, "body line 14 should name the file"},
        {"an empty image", [](Upload& u) { u.bytes = ""; }, 302, "the image is empty"},
        {"an HTTP/1.1 request", [](Upload& u) { u.requestLine = "POST /man.cgi HTTP/1.1"; }, 302,
         "header line 1 should be the request line"},
        {"another User-Agent", [](Upload& u) { u.userAgent = "Mozilla/5.0"; }, 302,
         "header line 5 should be the User-Agent line"},
        {"another unit's address in Host and Referer", [](Upload& u) { u.host = "127.0.0.3"; }, 302,
         "header line 2 should be the Host line"},
        {"a header line more", [](Upload& u) { u.extraHeader = "Connection: close\r\n"; }, 302,
         "header line 8 should not be there"},
        {"no Authorization", [](Upload& u) { u.credentials = ""; }, 401, "not authorized"},
        {"a wrong password", [](Upload& u) { u.credentials = "admin:nimda"; }, 401, "not authorized"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Upload upload;
        c.change(upload);
        notes.clear();
        m_server->state().uploadedImage.reset();
        const Outcome outcome = send(upload.request());
        EXPECT_EQ(outcome.status(), c.status);
        if (c.status == 302) {
            EXPECT_EQ(outcome.location(), "fail.htm");
        }
        EXPECT_TRUE(outcome.closed);
        EXPECT_FALSE(m_server->state().uploadedImage);
        ASSERT_EQ(notes.size(), 1);
        EXPECT_TRUE(notes[0].startsWith(QStringLiteral("firmware upload refused: "))) << notes[0].toStdString();
        EXPECT_TRUE(notes[0].contains(QLatin1String(c.why))) << notes[0].toStdString();
    }
    // The same request as it should be still goes through.
    EXPECT_EQ(send(Upload().request()).location(), "man_firm.htm");
}

TEST_F(SimFirmware, ImagesOverTheLimitResetTheConnectionWhileTheClientSends) {
    ServerSettings settings;
    settings.maxFirmwareBytes = 4 * 1024 * 1024;
    ASSERT_TRUE(start(settings));
    struct Case {
        const char* what;
        qsizetype imageBytes;
        bool taken;
    };
    const Case cases[] = {
        {"at the limit", 4 * 1024 * 1024, true},
        {"one byte over: known from the file part's head", 4 * 1024 * 1024 + 1, false},
        {"far over: known from Content-Length", 16 * 1024 * 1024, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Upload upload;
        upload.bytes = image(c.imageBytes);
        const QByteArray request = upload.request();
        notes.clear();
        m_server->state().uploadedImage.reset();
        const Outcome outcome = send(request, 10000, 64 * 1024);
        EXPECT_EQ(bool(m_server->state().uploadedImage), c.taken);
        if (c.taken) {
            EXPECT_EQ(outcome.location(), "man_firm.htm");
            continue;
        }
        EXPECT_TRUE(outcome.reset);
        EXPECT_TRUE(outcome.reply.isEmpty());
        EXPECT_LT(outcome.sent, request.size()) << "the unit reads a little, not the whole image";
        ASSERT_EQ(notes.size(), 1);
        EXPECT_TRUE(notes[0].endsWith(QStringLiteral("connection reset"))) << notes[0].toStdString();
    }
}

TEST_F(SimFirmware, AStalledUnitStopsReadingAndNeverAnswers) {
    m_server->faults().stallUploadAfter = 100 * 1024;
    Upload upload;
    upload.bytes = image(16 * 1024 * 1024);
    const QByteArray request = upload.request();
    // Longer than the idle time-out: a stalled upload is held open regardless.
    const Outcome outcome = send(request, 1500, 64 * 1024);
    EXPECT_TRUE(outcome.connected);
    EXPECT_TRUE(outcome.reply.isEmpty());
    EXPECT_FALSE(outcome.closed);
    EXPECT_FALSE(outcome.reset);
    EXPECT_LT(outcome.sent, request.size() / 4);
    EXPECT_GE(outcome.sent, 100 * 1024);
    EXPECT_EQ(notes, QStringList{QStringLiteral("firmware upload stalled after 102400 body bytes, as asked")});
    EXPECT_FALSE(m_server->state().uploadedImage);
}

TEST_F(SimFirmware, ABodyThatStopsShortIsRefusedAfterTheIdleTime) {
    Upload upload;
    const QByteArray request = upload.request();
    QTcpSocket socket;
    socket.connectToHost(kUnitAddress, m_port);
    ASSERT_TRUE(socket.waitForConnected(3000));
    socket.write(request.left(request.size() - 10));
    QByteArray reply;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { reply += socket.readAll(); });
    ASSERT_TRUE(waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 3000));
    EXPECT_TRUE(reply.contains("\r\nLocation: fail.htm\r\n")) << reply.constData();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes[0].contains(QStringLiteral("stopped after"))) << notes[0].toStdString();
}

TEST_F(SimFirmware, FactoryDefaultsComeBackWithTheNextReboot) {
    QObject::connect(m_server.get(), &UnitWebServer::addressChangeRequested,
                     [this](const AddressChange& change) { m_server->moveTo(change.address); });
    const QByteArray renamed = "/nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1"
                               "&hostname=RENAMED&group_name=ELSEWHERE";
    ASSERT_EQ(send(get(renamed)).location(), "id.htm");
    ASSERT_EQ(
        send(get("/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_mkdir_apply&folder=Kept&to_name=")).location(),
        "smb.htm");
    ASSERT_EQ(send(get("/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rmdir_apply&folder=Documents&to_name="))
                  .location(),
              "smb.htm");
    ASSERT_EQ(send(get("/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply&TF_password=n3w"
                       "&TF_passwordl=n3w"))
                  .location(),
              "sys_auth.htm");
    const QHostAddress moved(QStringLiteral("127.0.0.9"));
    ASSERT_EQ(send(get("/if.cgi?redirect=if_cfg.htm&failure=fail.htm&type=wan_fixip_apply&ip=127.0.0.9"
                       "&submask=255.255.0.0&gateway=&pdns=&sdns=",
                       "admin:n3w"))
                  .location(),
              "if_cfg.htm");
    ASSERT_TRUE(waitUntil([&] { return m_server->address() == moved; }));

    const Outcome reset = exchange(
        moved, m_port, get("/man.cgi?redirect=maintain.htm&failure=fail.htm&type=default_setting", "admin:n3w"));
    EXPECT_EQ(reset.location(), "maintain.htm");
    // Until the reboot the unit runs on as it was, so the console can still reboot it.
    EXPECT_EQ(pageValue(page("admin:n3w", moved), "host_name"), "RENAMED");
    const Outcome rebooting =
        exchange(moved, m_port, get("/man.cgi?redirect=reboot.htm&failure=fail.htm&type=reboot", "admin:n3w"));
    ASSERT_EQ(rebooting.location(), "reboot.htm");
    ASSERT_TRUE(waitUntil([&] { return online == QList<bool>{false, true}; }, 3000));

    EXPECT_EQ(m_server->address(), kUnitAddress);
    EXPECT_FALSE(exchange(moved, m_port, get("/utility_use.htm", "admin:admin")).connected);
    EXPECT_EQ(send(get("/utility_use.htm", "admin:n3w")).status(), 401);
    const QByteArray fresh = page();
    EXPECT_EQ(pageValue(fresh, "host_name"), "ZE-NAS1");
    EXPECT_EQ(pageValue(fresh, "group_name"), "WORKGROUP");
    EXPECT_EQ(pageValue(fresh, "ip"), "127.0.0.2");
    EXPECT_EQ(pageValue(fresh, "submask"), "255.0.0.0");
    EXPECT_EQ(pageValue(fresh, "firm_ver"), "2.01.16");
    // The disk keeps its folders; only the settings about them go back.
    EXPECT_TRUE(pageValue(fresh, "share_list").contains("Kept"));
    EXPECT_FALSE(pageValue(fresh, "share_list").contains("Documents"));
    EXPECT_FALSE(pageValue(fresh, "allow_share").contains("Documents"));
    EXPECT_TRUE(pageValue(fresh, "allow_share").contains("Music"));
}

TEST_F(SimFirmware, UploadAndFactoryResetTogetherKeepTheNewFirmware) {
    ASSERT_EQ(send(Upload().request()).location(), "man_firm.htm");
    ASSERT_EQ(send(get("/man.cgi?redirect=maintain.htm&failure=fail.htm&type=default_setting")).location(),
              "maintain.htm");
    ASSERT_TRUE(reboot());
    EXPECT_EQ(pageValue(page(), "firm_ver"), "2.10.07");
}

TEST(FirmwareVersion, IsFoundOnlyWhereAndAsTheFormatSays) {
    const QByteArray filler(1000, '\x7f');
    const QByteArray thirty(30, 'v');
    struct Case {
        const char* what;
        QByteArray start;
        QString version;
    };
    const Case cases[] = {
        {"at the start, LF", "ZUREDOR-FIRMWARE 2.10.07\nrest", QStringLiteral("2.10.07")},
        {"among binary bytes, CR LF", filler + "ZUREDOR-FIRMWARE v3-beta_1\r\n" + filler, QStringLiteral("v3-beta_1")},
        {"ended by NUL", QByteArray("\x01\x02ZUREDOR-FIRMWARE 1.0\0x", 24), QStringLiteral("1.0")},
        {"30 characters", "ZUREDOR-FIRMWARE " + thirty + "\n", QString::fromLatin1(thirty)},
        {"31 characters", "ZUREDOR-FIRMWARE " + thirty + "v\n", QString()},
        {"empty", "ZUREDOR-FIRMWARE \n", QString()},
        {"a blank inside", "ZUREDOR-FIRMWARE 2.1 beta\n", QString()},
        {"a byte past ASCII", "ZUREDOR-FIRMWARE 2.1\xe9\n", QString()},
        {"no line end", "ZUREDOR-FIRMWARE 2.1", QString()},
        {"marker in lower case", "zuredor-firmware 2.1\n", QString()},
        {"no blank after the marker", "ZUREDOR-FIRMWARE:2.1\n", QString()},
        {"the first marker decides", "ZUREDOR-FIRMWARE \nZUREDOR-FIRMWARE 2.1\n", QString()},
        {"ending on the window's last byte", QByteArray(kVersionWindowBytes - 21, 'x') + "ZUREDOR-FIRMWARE 2.1\n",
         QStringLiteral("2.1")},
        {"its end just past the window", QByteArray(kVersionWindowBytes - 20, 'x') + "ZUREDOR-FIRMWARE 2.1\n",
         QString()},
        {"past the window", QByteArray(kVersionWindowBytes, 'x') + "ZUREDOR-FIRMWARE 2.1\n", QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(firmwareVersionIn(c.start), c.version) << c.what;
}

TEST(FirmwareUploadBody, EverySplitOfTheBodyGivesTheSameResult) {
    Upload good;
    good.bytes = image(600);
    Upload broken = good;
    broken.closing = "--" + good.boundary + "--\r\n";
    for (const Upload* upload : {&good, &broken}) {
        const QByteArray body = upload->body();
        const auto run = [&](const QList<qsizetype>& cuts) {
            FirmwareUpload reader(kBoundary, body.size(), 1 << 20);
            qsizetype from = 0;
            for (qsizetype cut : cuts + QList<qsizetype>{body.size()}) {
                reader.feed(QByteArrayView(body).sliced(from, cut - from));
                from = cut;
            }
            EXPECT_EQ(reader.remaining(), 0);
            return std::tuple(reader.state(), reader.version(), reader.imageBytes(), reader.fileName(),
                              reader.redirect(), reader.failure());
        };
        const auto whole = run({});
        EXPECT_EQ(std::get<0>(whole),
                  upload == &good ? FirmwareUpload::State::Accepted : FirmwareUpload::State::Refused);
        if (upload == &good) {
            EXPECT_EQ(std::get<1>(whole), QStringLiteral("2.10.07"));
            EXPECT_EQ(std::get<2>(whole), 600);
            EXPECT_EQ(std::get<3>(whole), good.fileName);
            EXPECT_EQ(std::get<4>(whole), "man_firm.htm");
            EXPECT_EQ(std::get<5>(whole), "fail.htm");
        }
        for (qsizetype cut = 0; cut <= body.size(); ++cut)
            ASSERT_EQ(run({cut}), whole) << "cut at " << cut;
        QList<qsizetype> everyByte;
        for (qsizetype i = 1; i < body.size(); ++i)
            everyByte.append(i);
        EXPECT_EQ(run(everyByte), whole);
    }
}

TEST(FirmwareOptions, ReachTheUnitsTheyName) {
    struct Case {
        std::vector<std::string> args;
        int unit;
        qint64 maxFirmwareBytes;
        qint64 stallUploadAfter;
    };
    const Case cases[] = {
        {{}, 1, 64 * 1024 * 1024, -1},
        {{"--max-firmware-bytes", "1000", "--web-stall-upload-after", "0"}, 1, 1000, 0},
        {{"--web-stall-upload-after", "5000", "--web-fault-units", "2"}, 2, 64 * 1024 * 1024, 5000},
        {{"--web-stall-upload-after", "5000", "--web-fault-units", "2"}, 1, 64 * 1024 * 1024, -1},
    };
    for (const Case& c : cases) {
        WebOptions options;
        CLI::App app;
        addWebOptions(app, options);
        std::vector<std::string> args(c.args.rbegin(), c.args.rend()); // CLI11 takes them last first
        ASSERT_NO_THROW(app.parse(args));
        const ServerSettings settings = serverSettings(options, c.unit);
        EXPECT_EQ(settings.maxFirmwareBytes, c.maxFirmwareBytes);
        EXPECT_EQ(settings.faults.stallUploadAfter, c.stallUploadAfter);
    }
    for (const char* bad : {"0", "-1"}) {
        WebOptions options;
        CLI::App app;
        addWebOptions(app, options);
        std::vector<std::string> args{bad, "--max-firmware-bytes"};
        EXPECT_THROW(app.parse(args), CLI::ParseError) << bad;
    }
}

// The whole simulator: the discovery answer follows the web side through an
// upload, a reset to factory settings and the reboot, during which the unit is
// off the network altogether.
TEST(SimFirmwareProcess, TheUnitIsGoneDuringTheRebootAndAnswersWithItsNewFirmwareAfter) {
    const quint16 discoveryPort = TestSupport::freeUdpPort();
    TestSupport::SimProcess sim({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--discovery-port"),
                                 QString::number(discoveryPort), QStringLiteral("--reboot-ms"), QStringLiteral("600")});
    ASSERT_TRUE(sim.start()) << sim.output().toStdString();
    const quint16 webPort = sim.devicePort();

    QUdpSocket utility;
    ASSERT_TRUE(
        utility.bind(QHostAddress::AnyIPv4, discoveryPort, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    // The answer to one query sent straight to the unit, or nothing within the wait.
    const auto ask = [&](int waitMs) -> std::optional<Discovery::DiscoveryReply> {
        while (utility.hasPendingDatagrams())
            utility.receiveDatagram();
        utility.writeDatagram(Discovery::DiscoveryRequest(), kUnitAddress, discoveryPort);
        std::optional<Discovery::DiscoveryReply> reply;
        waitUntil(
            [&] {
                while (!reply && utility.hasPendingDatagrams()) {
                    const QNetworkDatagram d = utility.receiveDatagram();
                    if (d.senderAddress().toIPv4Address() == kUnitAddress.toIPv4Address())
                        reply = Discovery::parseDiscoveryReply(d.data());
                }
                return reply.has_value();
            },
            waitMs);
        return reply;
    };
    auto before = ask(3000);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->firmwareVersion, "1.0.1");

    const QByteArray renamed = "/nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1"
                               "&hostname=RENAMED&group_name=ELSEWHERE";
    ASSERT_EQ(exchange(kUnitAddress, webPort, get(renamed)).location(), "id.htm");
    ASSERT_TRUE(waitUntil([&] { return ask(500).value_or(Discovery::DiscoveryReply{}).hostName == "RENAMED"; }));
    ASSERT_EQ(exchange(kUnitAddress, webPort, Upload().request()).location(), "man_firm.htm");
    ASSERT_EQ(
        exchange(kUnitAddress, webPort, get("/man.cgi?redirect=maintain.htm&failure=fail.htm&type=default_setting"))
            .location(),
        "maintain.htm");
    ASSERT_EQ(
        exchange(kUnitAddress, webPort, get("/man.cgi?redirect=reboot.htm&failure=fail.htm&type=reboot")).location(),
        "reboot.htm");

    ASSERT_TRUE(waitUntil([&] { return !exchange(kUnitAddress, webPort, {}, 200).connected; }, 1000))
        << "web connections are refused while the unit reboots";
    EXPECT_FALSE(ask(150)) << "nor does it answer the discovery query";

    std::optional<Discovery::DiscoveryReply> after;
    ASSERT_TRUE(waitUntil([&] { return (after = ask(100)).has_value(); }, 3000));
    EXPECT_EQ(after->firmwareVersion, "2.10.07");
    EXPECT_EQ(after->hostName, "ZurEdor-1") << "the factory name, not the profile's";
    EXPECT_EQ(after->groupName, "Group-1");
    const QByteArray page = exchange(kUnitAddress, webPort, get("/utility_use.htm")).reply;
    EXPECT_EQ(pageValue(page, "firm_ver"), "2.10.07");
    EXPECT_EQ(pageValue(page, "host_name"), "ZurEdor-1");
}

} // namespace
