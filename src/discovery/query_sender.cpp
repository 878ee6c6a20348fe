#include "discovery/query_sender.h"

#include "discovery/discovery_datagram.h"

namespace Discovery {

QuerySender::QuerySender(UdpEndpoint& endpoint, QObject* parent) : QObject(parent), m_endpoint(endpoint) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &QuerySender::repeat);
}

QList<SendFailure> QuerySender::start(QList<QueryTarget> targets, quint16 port,
                                      QList<std::chrono::milliseconds> repeats) {
    stop();
    m_targets = std::move(targets);
    m_port = port;
    m_repeats = std::move(repeats);
    m_nextRepeat = 0;
    m_rounds = 0;
    m_clock.start();
    QList<SendFailure> failures = sendRound();
    scheduleNext();
    return failures;
}

void QuerySender::stop() {
    m_timer.stop();
}

QList<SendFailure> QuerySender::sendRound() {
    static const QByteArray query = DiscoveryRequest();
    QList<SendFailure> failures;
    for (const QueryTarget& target : std::as_const(m_targets)) {
        if (!m_endpoint.send(query, target, m_port))
            failures.append({target, m_endpoint.errorText()});
    }
    ++m_rounds;
    return failures;
}

void QuerySender::repeat() {
    sendRound();
    ++m_nextRepeat;
    scheduleNext();
}

void QuerySender::scheduleNext() {
    if (m_nextRepeat >= m_repeats.size())
        return;
    // Counted from the first send, so a late timer does not push every later copy back.
    const qint64 due = m_repeats[m_nextRepeat].count() - m_clock.elapsed();
    m_timer.start(static_cast<int>(qMax<qint64>(0, due)));
}

} // namespace Discovery
