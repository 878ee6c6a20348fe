#include "sim/web/unit_web_server.h"

#include "sim/web/firmware_upload.h"
#include "sim/web/utility_page.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QTcpSocket>

#include <memory>
#include <sys/socket.h>

namespace Sim {

namespace {

// What a stalled upload leaves waiting on the unit's side, so the sender soon stops.
constexpr qint64 kStalledBufferBytes = qint64{64} * 1024;
// An upload is taken in pieces of at most this, however much the kernel holds.
constexpr qint64 kUploadPieceBytes = qint64{1024} * 1024;

// A firmware upload under way: only the head and the body's first bytes are kept.
struct Upload {
    Upload(QByteArray boundary, qint64 contentLength, qint64 maxImageBytes, int timeoutMs)
        : body(std::move(boundary), contentLength, maxImageBytes), deadline(timeoutMs) {}

    FirmwareUpload body;
    bool authorized = false;
    QByteArray logged; // the head and the body's first bytes, as recorded
    qint64 headBytes = 0;
    qint64 received = 0; // body bytes taken
    QDeadlineTimer deadline;
    bool stalled = false;
};

} // namespace

struct UnitWebServer::Connection {
    QTcpSocket* socket = nullptr;
    QTimer* idle = nullptr; // a child of the socket, so it may fire while the connection is forgotten
    QByteArray buffer;
    bool answering = false; // an answer is on its way; what follows it waits
    bool done = false;      // answered and closing: nothing more is read
    std::unique_ptr<Upload> upload;
};

namespace {

struct Page {
    const char* name;
    const char* title;
    const char* text;
};

// Where the CGI programs send the browser; each is a page of its own on the unit.
constexpr Page kPages[] = {
    {"index.htm", "Zur Edor", "Storage unit."},
    {"status.htm", "Status", "The settings have been saved."},
    {"id.htm", "Identification", "The identification has been saved."},
    {"sys_auth.htm", "Administrator", "The administrator password has been changed."},
    {"sys_sntp.htm", "Date and Time", "The date and time settings have been saved."},
    {"if_cfg.htm", "IP Configuration", "The address settings have been saved."},
    {"smb.htm", "SMB Server", "The folder settings have been saved."},
    {"ftp.htm", "FTP Server", "The FTP settings have been saved."},
    {"ftp_add.htm", "FTP Account", "Enter the name of the new account."},
    {"ftp_mod.htm", "FTP Account", "The account has been saved."},
    {"sto.htm", "Disk Utility", "The disk settings have been saved."},
    {"sto_ok.htm", "Disk Utility", "The disk has been formatted."},
    {"maintain.htm", "Maintenance", "Firmware, reboot and factory defaults."},
    {"man_firm.htm", "Firmware Upload", "The firmware has been received."},
    {"reboot.htm", "System Reboot", "The unit is restarting. Please wait."},
    {"fail.htm", "Setting Failed", "The unit did not accept the setting."},
};

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return QByteArrayLiteral("OK");
    case 302:
        return QByteArrayLiteral("Found");
    case 400:
        return QByteArrayLiteral("Bad Request");
    case 401:
        return QByteArrayLiteral("Unauthorized");
    case 404:
        return QByteArrayLiteral("Not Found");
    case 501:
        return QByteArrayLiteral("Not Implemented");
    default:
        return QByteArrayLiteral("Error");
    }
}

QByteArray htmlPage(const QByteArray& title, const QByteArray& text) {
    return QByteArrayLiteral("<HTML>\r\n<HEAD><TITLE>") + title +
           QByteArrayLiteral("</TITLE></HEAD>\r\n<BODY>\r\n<H2>") + title + QByteArrayLiteral("</H2>\r\n<P>") + text +
           QByteArrayLiteral("</P>\r\n</BODY>\r\n</HTML>\r\n");
}

QByteArray errorPage(int status, const QByteArray& text) {
    return htmlPage(QByteArray::number(status) + ' ' + reasonPhrase(status), text);
}

// Header lines after the request line, names as sent.
QList<QPair<QByteArray, QByteArray>> headerFields(const QByteArray& header) {
    QList<QPair<QByteArray, QByteArray>> fields;
    const QList<QByteArray> lines = header.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            fields.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return fields;
}

QByteArray fieldValue(const QList<QPair<QByteArray, QByteArray>>& fields, QByteArrayView name) {
    for (const auto& [key, value] : fields) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// Nothing from the query may end or add a header line.
QByteArray headerSafe(const QString& text) {
    QByteArray out = text.toUtf8();
    out.removeIf([](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
    return out;
}

// Firmware goes to man.cgi as a multipart form; everything else is read whole.
bool isUpload(const QByteArray& header) {
    return header.startsWith("POST /man.cgi ") &&
           fieldValue(headerFields(header), "Content-Type").toLower().startsWith("multipart/form-data");
}

} // namespace

UnitWebServer::UnitWebServer(UnitState state, ServerSettings settings, QObject* parent)
    : QObject(parent), m_state(std::move(state)), m_settings(std::move(settings)) {
    connect(&m_server, &QTcpServer::newConnection, this, &UnitWebServer::acceptConnections);
    m_rebootTimer.setSingleShot(true);
    connect(&m_rebootTimer, &QTimer::timeout, this, &UnitWebServer::comeBack);
}

UnitWebServer::~UnitWebServer() {
    m_server.close();
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        QObject::disconnect(it.key(), nullptr, this, nullptr);
        delete it.value();
    }
    m_connections.clear();
}

bool UnitWebServer::listen(const QHostAddress& address, quint16 port) {
    m_rebootTimer.stop();
    m_server.close();
    const bool ok = m_server.listen(address, port);
    m_address = address;
    m_port = ok ? m_server.serverPort() : port;
    m_state.currentAddress = address;
    return ok;
}

bool UnitWebServer::moveTo(const QHostAddress& address) {
    m_address = address;
    m_state.currentAddress = address;
    if (m_rebootTimer.isActive())
        return true; // comes up at the new address when the reboot ends
    if (m_server.isListening() && m_server.serverAddress() == address)
        return true;
    m_server.close();
    return m_server.listen(address, m_port);
}

void UnitWebServer::stopListening() {
    m_rebootTimer.stop();
    m_server.close();
}

void UnitWebServer::acceptConnections() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_accepted;
        const bool dropThisOne = m_settings.faults.dropEvery > 0 && m_accepted % m_settings.faults.dropEvery == 0;
        if (m_settings.faults.dropConnections > 0 || dropThisOne) {
            if (m_settings.faults.dropConnections > 0)
                --m_settings.faults.dropConnections;
            socket->close();
            socket->deleteLater();
            continue;
        }
        auto* connection = new Connection;
        connection->socket = socket;
        connection->idle = new QTimer(socket);
        connection->idle->setSingleShot(true);
        connection->idle->setInterval(m_settings.idleTimeoutMs);
        m_connections.insert(socket, connection);
        // A small window from the start, or the kernel would take megabytes past the stall.
        if (m_settings.faults.stallUploadAfter >= 0)
            socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, int(kStalledBufferBytes));

        connect(connection->idle, &QTimer::timeout, this, [this, socket] {
            Connection* idle = m_connections.value(socket);
            if (idle && idle->upload) {
                idle->upload->body.refuse(QStringLiteral("the body stopped after %1 of %2 bytes")
                                              .arg(idle->upload->received)
                                              .arg(idle->upload->received + idle->upload->body.remaining()));
                finishUpload(*idle, false);
                return;
            }
            socket->abort();
            forget(socket);
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
        // A silent unit holds every connection as long as the client does.
        if (!m_settings.faults.silent)
            connection->idle->start();
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void UnitWebServer::forget(QTcpSocket* socket) {
    Connection* connection = m_connections.take(socket);
    if (!connection)
        return;
    connection->idle->stop();
    delete connection;
    socket->deleteLater();
}

void UnitWebServer::resetConnection(QTcpSocket* socket) {
    const linger hard{1, 0};
    ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    socket->abort();
    forget(socket);
}

void UnitWebServer::readFrom(QTcpSocket* socket) {
    Connection* connection = m_connections.value(socket);
    if (!connection)
        return;
    // Left unread, what the client sends fills the buffers and holds it up.
    if (connection->upload && connection->upload->stalled)
        return;
    const QByteArray data = socket->readAll();
    if (connection->done)
        return;
    if (!m_settings.faults.silent && !connection->answering)
        connection->idle->start();
    if (connection->upload) {
        feedUpload(*connection, data);
        return;
    }
    connection->buffer += data;
    serveBuffered(*connection);
}

// Takes whole requests off the front of the buffer. Returns as soon as an
// answer is handed on: delivering may close the connection and free it.
void UnitWebServer::serveBuffered(Connection& connection) {
    QTcpSocket* socket = connection.socket;
    while (!connection.answering && !connection.done) {
        const qsizetype headerEnd = connection.buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            if (connection.buffer.size() > m_settings.maxHeaderBytes) {
                record(connection.buffer, socket);
                connection.answering = true;
                deliver(socket, reply(400, {}, errorPage(400, "Request header too large."), false));
            }
            return;
        }
        if (isUpload(connection.buffer.left(headerEnd))) {
            beginUpload(connection, headerEnd);
            return;
        }
        const QByteArray lengthText = fieldValue(headerFields(connection.buffer.left(headerEnd)), "Content-Length");
        bool lengthOk = true;
        const qint64 length = lengthText.isEmpty() ? 0 : lengthText.toLongLong(&lengthOk);
        if (!lengthOk || length < 0) {
            record(connection.buffer.left(headerEnd + 4), socket);
            connection.answering = true;
            deliver(socket, reply(400, {}, errorPage(400, "Bad Content-Length."), false));
            return;
        }
        if (length > m_settings.maxBodyBytes) {
            // As the unit does with an oversized upload: drop the connection mid-body.
            record(connection.buffer.left(headerEnd + 4), socket, headerEnd + 4 + length);
            Q_EMIT noted(QStringLiteral("a body of %1 bytes is over the limit of %2: connection reset")
                             .arg(length)
                             .arg(m_settings.maxBodyBytes));
            resetConnection(socket);
            return;
        }
        const qsizetype total = headerEnd + 4 + qsizetype(length);
        if (connection.buffer.size() < total)
            return;
        const QByteArray request = connection.buffer.left(total);
        connection.buffer.remove(0, total);
        record(request, socket);
        if (m_settings.faults.silent)
            continue;
        respond(connection, answer(request));
        return;
    }
}

// Hands the answer on, after the delay fault's wait. Delivering may free the connection.
void UnitWebServer::respond(Connection& connection, const Answer& answered) {
    QTcpSocket* socket = connection.socket;
    connection.answering = true;
    connection.idle->stop();
    if (m_settings.faults.answerDelayMs > 0) {
        QTimer::singleShot(m_settings.faults.answerDelayMs, socket,
                           [this, socket, answered] { deliver(socket, answered); });
    } else {
        deliver(socket, answered);
    }
}

// The head is checked at once; the body goes through the upload as it arrives.
void UnitWebServer::beginUpload(Connection& connection, qsizetype headerEnd) {
    QTcpSocket* socket = connection.socket;
    const QByteArray head = connection.buffer.left(headerEnd);
    const QByteArray body = connection.buffer.mid(headerEnd + 4);
    connection.buffer.clear();
    const UploadHeader header = readUploadHeader(head, m_address.toString().toLatin1());
    const bool authorized = isAuthorized(fieldValue(headerFields(head), "Authorization"));

    if (header.contentLength < 0) {
        // Nothing says where the body ends, so nothing of it is waited for.
        record(head + "\r\n\r\n" + body.left(m_settings.requestLogEntryBytes), socket);
        Q_EMIT noted(QStringLiteral("firmware upload refused: no Content-Length"));
        respond(connection, authorized ? redirectTo(QStringLiteral("fail.htm"), false) : unauthorized(false));
        return;
    }
    if (header.contentLength > m_settings.maxFirmwareBytes + FirmwareUpload::kMaxOverheadBytes) {
        record(head + "\r\n\r\n", socket, headerEnd + 4 + header.contentLength);
        Q_EMIT noted(QStringLiteral("firmware upload of %1 bytes cannot hold an image within the limit of %2: "
                                    "connection reset")
                         .arg(header.contentLength)
                         .arg(m_settings.maxFirmwareBytes));
        resetConnection(socket);
        return;
    }
    auto upload = std::make_unique<Upload>(header.boundary, header.contentLength, m_settings.maxFirmwareBytes,
                                           m_settings.uploadTimeoutMs);
    upload->authorized = authorized;
    upload->headBytes = headerEnd + 4;
    upload->logged = head + "\r\n\r\n";
    if (!header.problem.isEmpty())
        upload->body.refuse(header.problem);
    connection.upload = std::move(upload);
    socket->setReadBufferSize(kUploadPieceBytes);
    feedUpload(connection, body);
}

void UnitWebServer::feedUpload(Connection& connection, const QByteArray& data) {
    QTcpSocket* socket = connection.socket;
    Upload& upload = *connection.upload;
    qint64 take = qMin<qint64>(data.size(), upload.body.remaining());
    const qint64 stallAt = m_settings.faults.stallUploadAfter;
    if (stallAt >= 0 && upload.received + take > stallAt) {
        take = qMax<qint64>(0, stallAt - upload.received);
        upload.stalled = true;
    }
    const QByteArrayView piece = QByteArrayView(data).first(qsizetype(take));
    const qint64 logRoom = m_settings.requestLogEntryBytes - upload.logged.size();
    if (logRoom > 0)
        upload.logged.append(piece.first(qsizetype(qMin<qint64>(logRoom, take))));
    upload.received += take;

    if (upload.body.feed(piece) == FirmwareUpload::State::TooLarge) {
        record(upload.logged, socket, upload.headBytes + upload.received + upload.body.remaining());
        Q_EMIT noted(QStringLiteral("firmware upload refused: %1: connection reset").arg(upload.body.reason()));
        resetConnection(socket);
        return;
    }
    if (upload.stalled) {
        // Held open and unanswered for as long as the client waits.
        connection.idle->stop();
        socket->setReadBufferSize(kStalledBufferBytes);
        Q_EMIT noted(QStringLiteral("firmware upload stalled after %1 body bytes, as asked").arg(upload.received));
        return;
    }
    if (upload.body.remaining() > 0) {
        if (upload.deadline.hasExpired()) {
            record(upload.logged, socket, upload.headBytes + upload.received + upload.body.remaining());
            Q_EMIT noted(QStringLiteral("firmware upload took longer than %1 ms: connection reset")
                             .arg(m_settings.uploadTimeoutMs));
            resetConnection(socket);
        }
        return;
    }
    finishUpload(connection, take < data.size());
}

void UnitWebServer::finishUpload(Connection& connection, bool bytesAfterBody) {
    const std::unique_ptr<Upload> upload = std::move(connection.upload);
    const FirmwareUpload& body = upload->body;
    record(upload->logged, connection.socket, upload->headBytes + upload->received);
    if (m_settings.faults.silent) {
        connection.idle->stop();
        return;
    }

    QString refusal;
    if (!upload->authorized)
        refusal = QStringLiteral("not authorized");
    else if (body.state() != FirmwareUpload::State::Accepted)
        refusal = body.reason();
    else if (bytesAfterBody)
        refusal = QStringLiteral("bytes follow the body's Content-Length");
    if (!refusal.isEmpty()) {
        Q_EMIT noted(QStringLiteral("firmware upload refused: %1").arg(refusal));
        const QString failure =
            body.failure().isEmpty() ? QStringLiteral("fail.htm") : QString::fromUtf8(body.failure());
        respond(connection, upload->authorized ? redirectTo(failure, false) : unauthorized(false));
        return;
    }

    m_state.uploadedImage = FirmwareImage{body.imageBytes(), QString::fromUtf8(body.fileName()), body.version()};
    Q_EMIT noted(QStringLiteral("firmware image \"%1\" of %2 bytes taken: %3")
                     .arg(m_state.uploadedImage->fileName)
                     .arg(body.imageBytes())
                     .arg(body.version().isEmpty()
                              ? QStringLiteral("it names no version, the firmware stays %1").arg(m_state.firmware)
                              : QStringLiteral("version %1 from the next reboot").arg(body.version())));
    const Answer taken = redirectTo(QString::fromUtf8(body.redirect()), false);
    if (m_settings.firmwareWriteMs <= 0) {
        respond(connection, taken);
        return;
    }
    // Silent while the flash is written, as a unit is; the idle timer must not end the connection meanwhile.
    connection.answering = true;
    connection.idle->stop();
    QTcpSocket* socket = connection.socket;
    QTimer::singleShot(m_settings.firmwareWriteMs, socket, [this, socket, taken] {
        if (Connection* still = m_connections.value(socket))
            respond(*still, taken);
    });
}

void UnitWebServer::deliver(QTcpSocket* socket, const Answer& answered) {
    Connection* connection = m_connections.value(socket);
    if (!connection)
        return;
    socket->write(answered.bytes);
    connection->answering = false;
    if (answered.effect != UnitEffect::None)
        QTimer::singleShot(0, this, [this, effect = answered.effect] { applyEffect(effect); });

    if (answered.keepOpen) {
        connection->idle->start();
        serveBuffered(*connection);
        return;
    }
    connection->done = true;
    connection->idle->stop();
    // May report the disconnection at once and forget the connection: last.
    socket->disconnectFromHost();
}

void UnitWebServer::record(const QByteArray& request, const QTcpSocket* socket, qint64 size) {
    // A copy of its own: the request may share the 32 KiB buffer the socket read it into, and the log keeps
    // hundreds of them.
    const QByteArray kept(request.constData(), qMin(request.size(), m_settings.requestLogEntryBytes));
    m_log.append(kept);
    while (m_log.size() > qMax(1, m_settings.requestLogEntries))
        m_log.removeFirst();

    if (!m_settings.requestLogPath.isEmpty()) {
        QFile file(m_settings.requestLogPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QString line = QStringLiteral("=== unit %1 at %2:%3 from %4:%5, %6, %7 bytes\n")
                                     .arg(m_state.unitNumber)
                                     .arg(m_address.toString())
                                     .arg(m_port)
                                     .arg(QHostAddress(socket->peerAddress().toIPv4Address()).toString())
                                     .arg(socket->peerPort())
                                     .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs))
                                     .arg(size < 0 ? request.size() : size);
            file.write(line.toUtf8());
            file.write(kept);
            file.write("\n");
        }
    }
    Q_EMIT requestRecorded(kept);
}

UnitWebServer::Answer UnitWebServer::answer(const QByteArray& request) {
    const qsizetype headerEnd = request.indexOf("\r\n\r\n");
    const QByteArray header = request.left(headerEnd);
    const QList<QByteArray> requestLine = header.left(header.indexOf("\r\n")).trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/") || !requestLine[1].startsWith('/'))
        return reply(400, {}, errorPage(400, "Malformed request line."), false);

    const QByteArray& method = requestLine[0];
    const QByteArray& target = requestLine[1];
    const auto fields = headerFields(header);

    // Basic authorization guards every page, as on the unit.
    if (!isAuthorized(fieldValue(fields, "Authorization")))
        return unauthorized();

    const bool head = method == "HEAD";
    if (method != "GET" && method != "POST" && !head)
        return reply(501, {}, errorPage(501, "Method not supported."));

    const qsizetype question = target.indexOf('?');
    const QByteArray name = target.mid(1, question < 0 ? -1 : question - 1);
    const QByteArrayView query = question < 0 ? QByteArrayView() : QByteArrayView(target).sliced(question + 1);

    if (isCgiProgram(name)) {
        const bool formBody =
            method == "POST" && fieldValue(fields, "Content-Type").startsWith("application/x-www-form-urlencoded");
        return answerCgi(name, query, request.mid(headerEnd + 4), formBody);
    }
    if (name == "utility_use.htm")
        return reply(200, {}, utilityPage(m_state, QDateTime::currentDateTimeUtc()), true, !head);
    const QByteArray page = name.isEmpty() ? QByteArrayLiteral("index.htm") : name;
    for (const Page& known : kPages) {
        if (page == known.name)
            return reply(200, {}, htmlPage(known.title, known.text), true, !head);
    }
    return reply(404, {}, errorPage(404, "No such page on this unit."), true, !head);
}

UnitWebServer::Answer UnitWebServer::answerCgi(QByteArrayView program, QByteArrayView query, const QByteArray& body,
                                               bool formBody) {
    QByteArray text(query.data(), query.size());
    if (formBody)
        text += '&' + body;
    CgiCall call{QByteArray(program.data(), program.size()), CgiParams::parse(text), QDateTime::currentDateTimeUtc()};
    const QString redirect = call.params.value("redirect");
    QString failure = call.params.value("failure");
    if (failure.isEmpty())
        failure = QStringLiteral("fail.htm");

    CgiResult result;
    if (m_settings.faults.refuseFtpChanges > 0 && redirect == QLatin1String("ftp.htm"))
        --m_settings.faults.refuseFtpChanges;
    else
        result = runCgiAction(m_state, call);
    if (result.accepted)
        Q_EMIT stateChanged();

    Answer answered =
        redirectTo(result.accepted ? (redirect.isEmpty() ? QStringLiteral("index.htm") : redirect) : failure);
    answered.effect = result.effect;
    return answered;
}

bool UnitWebServer::isAuthorized(const QByteArray& authorization) const {
    if (authorization.left(6).compare("Basic ", Qt::CaseInsensitive) != 0)
        return false;
    const auto result =
        QByteArray::fromBase64Encoding(authorization.mid(6).trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    const QByteArray& credentials = result.decoded;
    const qsizetype colon = result ? credentials.indexOf(':') : -1;
    return colon >= 0 && credentials.left(colon) == m_state.adminUser.toUtf8() &&
           credentials.mid(colon + 1) == m_state.adminPassword.toUtf8();
}

UnitWebServer::Answer UnitWebServer::unauthorized(bool mayKeepOpen) const {
    const QByteArray challenge =
        QByteArrayLiteral("WWW-Authenticate: Basic realm=\"") + headerSafe(m_state.hostName) + "\"\r\n";
    return reply(401, challenge, errorPage(401, "Authorization required."), mayKeepOpen);
}

UnitWebServer::Answer UnitWebServer::redirectTo(const QString& location, bool mayKeepOpen) const {
    const QByteArray safe = headerSafe(location);
    const QByteArray moved = htmlPage("302 Found", "The document has moved <A HREF=\"" + safe + "\">here</A>.");
    return reply(302, QByteArrayLiteral("Location: ") + safe + "\r\n", moved, mayKeepOpen);
}

UnitWebServer::Answer UnitWebServer::reply(int status, const QByteArray& extraHeaders, const QByteArray& body,
                                           bool mayKeepOpen, bool withBody) const {
    const bool keepOpen = mayKeepOpen && m_settings.faults.keepAlive;
    QByteArray out = (keepOpen ? QByteArrayLiteral("HTTP/1.1 ") : QByteArrayLiteral("HTTP/1.0 ")) +
                     QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    out += QByteArrayLiteral("Server: zuredor-sim\r\n");
    out += extraHeaders;
    out += QByteArrayLiteral("Content-Type: text/html; charset=utf-8\r\n");
    out += QByteArrayLiteral("Content-Length: ") + QByteArray::number(body.size()) + "\r\n";
    out += keepOpen ? QByteArrayLiteral("Connection: Keep-Alive\r\nKeep-Alive: timeout=30\r\n")
                    : QByteArrayLiteral("Connection: close\r\n");
    out += "\r\n";
    if (withBody)
        out += body;
    return {out, UnitEffect::None, keepOpen};
}

void UnitWebServer::applyEffect(UnitEffect effect) {
    switch (effect) {
    case UnitEffect::None:
        break;
    case UnitEffect::MoveToDhcpAddress:
        Q_EMIT addressChangeRequested({true, QHostAddress()});
        break;
    case UnitEffect::MoveToStaticAddress:
        Q_EMIT addressChangeRequested({false, QHostAddress(m_state.address.ip)});
        break;
    case UnitEffect::Reboot:
        reboot();
        break;
    }
}

void UnitWebServer::reboot() {
    // The page the reboot request redirects to is still served, as a unit does before it goes down.
    if (m_settings.rebootGraceMs > 0 && !m_goingDown) {
        m_goingDown = true;
        QTimer::singleShot(m_settings.rebootGraceMs, this, [this] {
            m_goingDown = false;
            goOffline();
        });
        return;
    }
    if (!m_goingDown)
        goOffline();
}

void UnitWebServer::goOffline() {
    m_server.close();
    // Kept-alive connections end with the restart; answers already written still go out.
    for (QTcpSocket* socket : m_connections.keys())
        socket->disconnectFromHost();
    Q_EMIT onlineChanged(false);
    m_rebootTimer.start(m_settings.rebootMs);
}

// The end of a reboot: an uploaded image and a reset to factory settings take effect now.
void UnitWebServer::comeBack() {
    const QString firmware = m_state.firmware;
    m_state = stateAfterReboot(m_state);
    if (m_state.firmware != firmware)
        Q_EMIT noted(QStringLiteral("firmware %1 replaces %2").arg(m_state.firmware, firmware));
    const bool moved = m_state.currentAddress != m_address;
    m_address = m_state.currentAddress;
    if (!m_server.listen(m_address, m_port)) {
        Q_EMIT noted(QStringLiteral("cannot listen on %1:%2 after the reboot: %3")
                         .arg(m_address.toString())
                         .arg(m_port)
                         .arg(m_server.errorString()));
        return;
    }
    Q_EMIT stateChanged();
    // The discovery side follows the unit to its factory address.
    if (moved)
        Q_EMIT addressChangeRequested({false, m_address});
    Q_EMIT onlineChanged(true);
}

} // namespace Sim
