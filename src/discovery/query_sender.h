#pragma once

#include "discovery/query_targets.h"
#include "discovery/udp_endpoint.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace Discovery {

// A copy of the query that could not be sent, and the platform's words for it.
struct SendFailure {
    QueryTarget target;
    QString detail;
};

// Sends the discovery query from an endpoint to every target at once, then again
// at each repeat time. The first copies go out before start() returns, so the
// repeats delay nothing; a new start replaces a schedule still running.
class QuerySender final : public QObject {
    Q_OBJECT
public:
    explicit QuerySender(UdpEndpoint& endpoint, QObject* parent = nullptr);

    // The failures of the first round; those of a repeat change nothing (the
    // first round said it), so they are not reported.
    QList<SendFailure> start(QList<QueryTarget> targets, quint16 port,
                             QList<std::chrono::milliseconds> repeats = defaultRepeats());
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    // Rounds sent since the last start, the first included.
    int roundsSent() const { return m_rounds; }

private:
    QList<SendFailure> sendRound();
    void repeat();
    void scheduleNext();

    UdpEndpoint& m_endpoint;
    QList<QueryTarget> m_targets;
    quint16 m_port = 0;
    QList<std::chrono::milliseconds> m_repeats;
    qsizetype m_nextRepeat = 0;
    int m_rounds = 0;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace Discovery
