#include "discovery/discovery_scan.h"

#include "discovery/udp_endpoint.h"

#include <QEventLoop>
#include <QTimer>

namespace Discovery {

ScanResult ScanOnce(const QHostAddress& target, quint16 port, std::chrono::milliseconds wait) {
    ScanResult result;
    UdpEndpoint endpoint;
    if (!endpoint.open(port)) {
        result.error = ScanError{ScanErrorKind::Bind, endpoint.errorText()};
        return result;
    }
    ReplyCollector collector;
    QObject::connect(&endpoint, &UdpEndpoint::datagramReceived,
                     [&](const QByteArray& datagram, const QHostAddress& sender, quint16) {
                         if (auto row = collector.accept(sender, datagram))
                             result.rows.append(std::move(*row));
                     });

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The wait starts once the query is out, as the window's progress bar does.
    if (!endpoint.send(DiscoveryRequest(), target, port)) {
        result.error = ScanError{ScanErrorKind::Send, endpoint.errorText()};
        return result;
    }
    deadline.start(wait);
    loop.exec();
    return result;
}

} // namespace Discovery
