#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <future>
#include <memory>

class QTcpSocket;

namespace TestSupport {

// How one connection is answered.
struct Reply {
    QByteArray bytes;
    bool keepOpen = false;  // as a keep-alive server does
    bool silent = false;    // accept, read the request, never answer
    int dripMs = 0;         // send one byte at a time with this gap
    int delayMs = 0;        // silence before the answer
    bool reset = false;     // abort the connection (RST) after `bytes`, instead of closing it
    int holdMs = 0;         // after the answer, before the close or the reset
    bool endless = false;   // send `bytes` again and again until the peer gives up
    QByteArray lead{};      // sent once before `bytes`, such as the header of an endless body
    bool drainBody = false; // `lead` at once, then the request's whole body read (its Content-Length), then the rest
};

// A loopback peer that plays a unit, well-behaved, slow or hostile: one
// connection at a time on 127.0.0.1, each answered by the next reply of a
// script (the last one repeats) or by a function of the request. Requests are
// recorded up to their blank line.
class ScriptedServer {
public:
    using Answerer = std::function<Reply(const QByteArray& request)>;

    explicit ScriptedServer(QList<Reply> script);
    explicit ScriptedServer(Answerer answerer);
    // The same on another loopback address, such as 127.0.0.2.
    ScriptedServer(Answerer answerer, const QString& address);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    quint16 port() const { return m_port; }
    QString url(const char* path) const;
    QString address() const { return m_address; }
    QList<QByteArray> requests() const;
    // Connections accepted, the probes that send nothing included.
    int connections() const { return m_connections; }

private:
    void start();
    void run(std::promise<quint16>* listening);
    QByteArray readRequest(QTcpSocket& socket);
    void answer(QTcpSocket& socket, const Reply& reply);
    void drainBody(QTcpSocket& socket, const QByteArray& request, Reply& reply);

    QString m_address = QStringLiteral("127.0.0.1");
    QList<Reply> m_script;
    Answerer m_answerer;
    std::unique_ptr<QThread> m_thread;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable QMutex m_mutex;
    QList<QByteArray> m_requests;
};

// An answer with its Content-Length.
QByteArray withLength(const char* statusLine, const QByteArray& body, const char* extra = "");

// The path of a recorded request's first line.
QByteArray requestPath(const QByteArray& request);

} // namespace TestSupport
