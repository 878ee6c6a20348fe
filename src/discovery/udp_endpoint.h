#pragma once

#include "discovery/query_targets.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

namespace Discovery {

// The discovery socket: bound to the discovery port on all IPv4 interfaces,
// shared with other programs on the port, broadcast permitted. It stays open
// from creation to exit; every datagram it receives is handed out in arrival
// order, its own broadcast query included.
class UdpEndpoint final : public QObject {
    Q_OBJECT
public:
    explicit UdpEndpoint(QObject* parent = nullptr);

    bool open(quint16 port);
    bool isOpen() const;
    quint16 port() const { return m_port; }
    QString errorText() const { return m_socket.errorString(); }

    // Sends from the endpoint's own socket, so the source port is the discovery port.
    bool send(const QByteArray& datagram, const QHostAddress& target, quint16 port);
    // The same out of the target's interface when it names one.
    bool send(const QByteArray& datagram, const QueryTarget& target, quint16 port);
    // Reads up to `limit` datagrams the socket holds now, without giving way to the event loop.
    void drainQueued(int limit);

Q_SIGNALS:
    void datagramReceived(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort);

private:
    void drain();
    void readOne();

    QUdpSocket m_socket;
    quint16 m_port = 0;
    bool m_drainQueued = false;
};

} // namespace Discovery
