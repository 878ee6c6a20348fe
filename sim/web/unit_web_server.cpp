#include "sim/web/unit_web_server.h"

#include "sim/web/utility_page.h"

#include <QDateTime>
#include <QFile>
#include <QTcpSocket>

namespace Sim {

struct UnitWebServer::Connection {
    QTcpSocket* socket = nullptr;
    QTimer* idle = nullptr; // a child of the socket, so it may fire while the connection is forgotten
    QByteArray buffer;
    bool answering = false; // an answer is on its way; what follows it waits
    bool done = false;      // answered and closing: nothing more is read
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

} // namespace

UnitWebServer::UnitWebServer(UnitState state, ServerSettings settings, QObject* parent)
    : QObject(parent), m_state(std::move(state)), m_settings(std::move(settings)) {
    connect(&m_server, &QTcpServer::newConnection, this, &UnitWebServer::acceptConnections);
    m_rebootTimer.setSingleShot(true);
    connect(&m_rebootTimer, &QTimer::timeout, this, [this] {
        if (m_server.listen(m_address, m_port))
            Q_EMIT onlineChanged(true);
    });
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
    m_server.close();
    return m_server.listen(address, m_port);
}

void UnitWebServer::stopListening() {
    m_rebootTimer.stop();
    m_server.close();
}

void UnitWebServer::acceptConnections() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (m_settings.faults.dropConnections > 0) {
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

        connect(connection->idle, &QTimer::timeout, this, [this, socket] {
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

void UnitWebServer::readFrom(QTcpSocket* socket) {
    Connection* connection = m_connections.value(socket);
    if (!connection)
        return;
    const QByteArray data = socket->readAll();
    if (connection->done)
        return;
    connection->buffer += data;
    if (!m_settings.faults.silent && !connection->answering)
        connection->idle->start();
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
            record(connection.buffer.left(headerEnd + 4), socket);
            socket->abort();
            forget(socket);
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

        connection.answering = true;
        connection.idle->stop();
        const Answer answered = answer(request);
        if (m_settings.faults.answerDelayMs > 0) {
            QTimer::singleShot(m_settings.faults.answerDelayMs, socket,
                               [this, socket, answered] { deliver(socket, answered); });
        } else {
            deliver(socket, answered);
        }
        return;
    }
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

void UnitWebServer::record(const QByteArray& request, const QTcpSocket* socket) {
    const QByteArray kept = request.left(m_settings.requestLogEntryBytes);
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
                                     .arg(request.size());
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
    const QByteArray authorization = fieldValue(fields, "Authorization");
    bool authorized = false;
    if (authorization.left(6).compare("Basic ", Qt::CaseInsensitive) == 0) {
        const auto result =
            QByteArray::fromBase64Encoding(authorization.mid(6).trimmed(), QByteArray::AbortOnBase64DecodingErrors);
        const QByteArray& credentials = result.decoded;
        const qsizetype colon = result ? credentials.indexOf(':') : -1;
        authorized = colon >= 0 && credentials.left(colon) == m_state.adminUser.toUtf8() &&
                     credentials.mid(colon + 1) == m_state.adminPassword.toUtf8();
    }
    if (!authorized) {
        const QByteArray challenge =
            QByteArrayLiteral("WWW-Authenticate: Basic realm=\"") + headerSafe(m_state.hostName) + "\"\r\n";
        return reply(401, challenge, errorPage(401, "Authorization required."));
    }

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

    const QByteArray location =
        headerSafe(result.accepted ? (redirect.isEmpty() ? QStringLiteral("index.htm") : redirect) : failure);
    const QByteArray moved = htmlPage("302 Found", "The document has moved <A HREF=\"" + location + "\">here</A>.");
    Answer answered = reply(302, QByteArrayLiteral("Location: ") + location + "\r\n", moved);
    answered.effect = result.effect;
    return answered;
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
    m_server.close();
    // Kept-alive connections end with the restart; answers already written still go out.
    for (QTcpSocket* socket : m_connections.keys())
        socket->disconnectFromHost();
    Q_EMIT onlineChanged(false);
    m_rebootTimer.start(m_settings.rebootMs);
}

} // namespace Sim
