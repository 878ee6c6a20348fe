#include "discovery/discovery_scan.h"

#include "discovery/udp_endpoint.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace Discovery {

namespace {

// Bounds the last read, so a flood still ends the scan on time.
constexpr int kQueuedAtDeadline = 4096;

} // namespace

ScanResult ScanOnce(const ScanPlan& plan) {
    ScanResult result;
    UdpEndpoint endpoint;
    if (!endpoint.open(plan.port)) {
        result.error = ScanError{ScanErrorKind::Bind, endpoint.errorText()};
        return result;
    }
    ReplyCollector collector;
    QElapsedTimer clock;
    QObject::connect(&endpoint, &UdpEndpoint::datagramReceived,
                     [&](const QByteArray& datagram, const QHostAddress& sender, quint16) {
                         if (auto row = collector.accept(sender, datagram)) {
                             result.rows.append(std::move(*row));
                             result.arrivals.append(std::chrono::nanoseconds(clock.nsecsElapsed()));
                         }
                     });

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        // Answers already queued arrived inside the wait, even when a busy machine left them unread.
        endpoint.drainQueued(kQueuedAtDeadline);
        loop.quit();
    });
    // Repeats due at or after the end of the wait would be heard by no one.
    QList<std::chrono::milliseconds> repeats;
    for (const auto after : plan.repeats) {
        if (after < plan.wait)
            repeats.append(after);
    }
    QuerySender sender(endpoint);
    // The wait starts once the first round is out, as the window's progress bar does.
    clock.start();
    result.unsent = sender.start(plan.targets, plan.port, repeats);
    if (result.unsent.size() == plan.targets.size()) {
        sender.stop();
        result.error = ScanError{ScanErrorKind::Send, result.unsent.isEmpty() ? QStringLiteral("no address to send to")
                                                                              : result.unsent.constFirst().detail};
        return result;
    }
    deadline.start(plan.wait);
    loop.exec();
    return result;
}

} // namespace Discovery
