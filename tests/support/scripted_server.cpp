#include "support/scripted_server.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <utility>
#include <vector>

#include <sys/socket.h>

namespace TestSupport {

ScriptedServer::ScriptedServer(QList<Reply> script) : m_script(std::move(script)) {
    start();
}

ScriptedServer::ScriptedServer(Answerer answerer) : m_answerer(std::move(answerer)) {
    start();
}

ScriptedServer::ScriptedServer(Answerer answerer, const QString& address)
    : m_address(address), m_answerer(std::move(answerer)) {
    start();
}

ScriptedServer::~ScriptedServer() {
    m_stop = true;
    m_thread->wait();
}

void ScriptedServer::start() {
    std::promise<quint16> listening;
    auto port = listening.get_future();
    m_thread.reset(QThread::create([this, &listening] { run(&listening); }));
    m_thread->start();
    m_port = port.get();
}

QString ScriptedServer::url(const char* path) const {
    return QStringLiteral("http://%1:%2%3").arg(m_address).arg(m_port).arg(QString::fromUtf8(path));
}

QList<QByteArray> ScriptedServer::requests() const {
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void ScriptedServer::run(std::promise<quint16>* listening) {
    QTcpServer server;
    server.listen(QHostAddress(m_address), 0);
    listening->set_value(server.serverPort());
    std::vector<std::unique_ptr<QTcpSocket>> held;
    while (!m_stop) {
        if (!server.waitForNewConnection(20))
            continue;
        std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
        const int index = m_connections++;
        const QByteArray request = readRequest(*socket);
        if (!request.isEmpty()) {
            QMutexLocker lock(&m_mutex);
            m_requests.append(request);
        }
        Reply reply;
        if (m_answerer) {
            if (request.isEmpty())
                continue; // a reachability probe, or a peer that sent nothing
            reply = m_answerer(request);
            if (reply.drainBody)
                drainBody(*socket, request, reply);
        } else {
            // A script counts connections, the probes that send nothing included.
            reply = m_script[std::min<qsizetype>(index, m_script.size() - 1)];
        }
        if (reply.reset) {
            if (!reply.bytes.isEmpty())
                answer(*socket, reply);
            // A zero linger time makes the close send RST, as a crashed unit's stack does.
            const linger now{1, 0};
            ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
            socket->abort();
            continue;
        }
        if (!reply.silent)
            answer(*socket, reply);
        if (reply.silent || reply.keepOpen) {
            held.push_back(std::move(socket));
        } else {
            socket->disconnectFromHost();
            if (socket->state() != QAbstractSocket::UnconnectedState)
                socket->waitForDisconnected(1000);
        }
    }
}

QByteArray ScriptedServer::readRequest(QTcpSocket& socket) {
    QByteArray request;
    QElapsedTimer clock;
    clock.start();
    while (!m_stop && !request.contains("\r\n\r\n") && socket.state() == QAbstractSocket::ConnectedState &&
           clock.elapsed() < 5000) {
        if (socket.waitForReadyRead(20))
            request += socket.readAll();
    }
    return request + socket.readAll();
}

// As a unit that takes a whole upload before it answers; an interim answer may go first.
void ScriptedServer::drainBody(QTcpSocket& socket, const QByteArray& request, Reply& reply) {
    if (!reply.lead.isEmpty()) {
        socket.write(std::exchange(reply.lead, QByteArray()));
        socket.waitForBytesWritten(1000);
    }
    const qsizetype headEnd = request.indexOf("\r\n\r\n");
    qint64 length = 0;
    for (const QByteArray& line : request.left(headEnd).split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    }
    qint64 got = request.size() - (headEnd + 4);
    QElapsedTimer clock;
    clock.start();
    while (!m_stop && got < length && socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < 60000) {
        if (socket.waitForReadyRead(20))
            got += socket.readAll().size();
    }
}

void ScriptedServer::answer(QTcpSocket& socket, const Reply& reply) {
    QElapsedTimer clock;
    clock.start();
    while (!m_stop && clock.elapsed() < reply.delayMs)
        QThread::msleep(5);
    const auto connected = [&] { return !m_stop && socket.state() == QAbstractSocket::ConnectedState; };
    if (!reply.lead.isEmpty())
        socket.write(reply.lead);
    const auto sendOnce = [&] {
        if (reply.dripMs == 0) {
            socket.write(reply.bytes);
            return;
        }
        for (const char c : reply.bytes) {
            if (!connected())
                return;
            socket.write(&c, 1);
            socket.waitForBytesWritten(100);
            // In small steps, so a test that ends is not kept waiting for the next byte.
            QElapsedTimer gap;
            gap.start();
            while (!m_stop && gap.elapsed() < reply.dripMs)
                QThread::msleep(static_cast<unsigned long>(std::min(reply.dripMs, 5)));
        }
    };
    if (reply.endless) {
        // Until the peer closes; the bound only keeps a broken test from running forever.
        while (connected() && clock.elapsed() < 60000) {
            sendOnce();
            socket.waitForBytesWritten(50);
        }
    } else {
        sendOnce();
    }
    while (connected() && socket.bytesToWrite() > 0)
        socket.waitForBytesWritten(50);
    QElapsedTimer held;
    held.start();
    while (!m_stop && held.elapsed() < reply.holdMs)
        QThread::msleep(5);
}

QByteArray withLength(const char* statusLine, const QByteArray& body, const char* extra) {
    return QByteArray(statusLine) + "\r\n" + extra + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
           body;
}

QByteArray requestPath(const QByteArray& request) {
    const QByteArray line = request.left(request.indexOf("\r\n"));
    const QList<QByteArray> words = line.split(' ');
    return words.size() >= 2 ? words[1] : QByteArray();
}

} // namespace TestSupport
