#include "support/test_ports.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QThread>
#include <QUdpSocket>

namespace TestSupport {

quint16 freeUdpPort() {
    QUdpSocket socket;
    socket.bind(QHostAddress::AnyIPv4, 0);
    return socket.localPort();
}

quint16 freeTcpPort() {
    QTcpServer server;
    server.listen(QHostAddress::AnyIPv4, 0);
    return server.serverPort();
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace TestSupport
