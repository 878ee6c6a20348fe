#include "discovery/udp_endpoint.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTimer>
#include <QVariant>

namespace Discovery {

namespace {

constexpr int kReceiveBufferBytes = 8192;
// A flood of datagrams is handed out in slices so the window keeps painting.
constexpr qint64 kSliceMs = 8;

} // namespace

UdpEndpoint::UdpEndpoint(QObject* parent) : QObject(parent) {
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpEndpoint::drain);
}

bool UdpEndpoint::open(quint16 port) {
    if (!m_socket.bind(QHostAddress::AnyIPv4, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return false;
    m_socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(1 << 20));
    m_port = m_socket.localPort();
    return true;
}

bool UdpEndpoint::isOpen() const {
    return m_socket.state() == QAbstractSocket::BoundState;
}

bool UdpEndpoint::send(const QByteArray& datagram, const QHostAddress& target, quint16 port) {
    // Qt sets SO_BROADCAST on every UDP socket it creates, so the permission is on for the send.
    return m_socket.writeDatagram(datagram, target, port) == datagram.size();
}

bool UdpEndpoint::send(const QByteArray& datagram, const QueryTarget& target, quint16 port) {
    QNetworkDatagram out(datagram, target.address, port);
    if (target.interfaceIndex > 0)
        out.setInterfaceIndex(static_cast<uint>(target.interfaceIndex));
    return m_socket.writeDatagram(out) == datagram.size();
}

void UdpEndpoint::drain() {
    m_drainQueued = false;
    QElapsedTimer slice;
    slice.start();
    while (m_socket.hasPendingDatagrams()) {
        if (slice.elapsed() >= kSliceMs) {
            if (!m_drainQueued) {
                m_drainQueued = true;
                QTimer::singleShot(0, this, &UdpEndpoint::drain);
            }
            return;
        }
        readOne();
    }
}

void UdpEndpoint::drainQueued(int limit) {
    for (int i = 0; i < limit && m_socket.hasPendingDatagrams(); ++i)
        readOne();
}

void UdpEndpoint::readOne() {
    const QNetworkDatagram datagram = m_socket.receiveDatagram(kReceiveBufferBytes);
    if (datagram.isValid())
        Q_EMIT datagramReceived(datagram.data(), datagram.senderAddress(), static_cast<quint16>(datagram.senderPort()));
}

} // namespace Discovery
