#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QSet>
#include <QString>

#include <optional>

namespace Discovery {

inline constexpr int kDatagramSize = 72;
inline constexpr quint8 kTypeByte = 1;

// The 72-byte query: type byte 1, then zeros. See docs/protocol.md, "Discovery".
QByteArray DiscoveryRequest();

// The fields of a reply, each cut at its first NUL or the end of its field.
struct DiscoveryReply {
    QByteArray hostName;        // offset 8, 16 bytes
    QByteArray groupName;       // offset 24, 16 bytes
    QByteArray firmwareVersion; // offset 40, 30 bytes
};

// The reply's fields when the datagram is 72 bytes with type byte 1; nothing otherwise.
// An empty firmware field is still parsed: acceptance judges it.
std::optional<DiscoveryReply> parseDiscoveryReply(QByteArrayView datagram);

// The bytes a unit sends; fields longer than their slot are cut.
QByteArray encodeDiscoveryReply(const DiscoveryReply& reply);

// A sender as the list shows it: dotted IPv4, also for a dual-stack socket's ::ffff: form.
QString senderText(const QHostAddress& sender);

// Text from a unit shown as received: UTF-8 where it is valid, else byte for byte.
QString displayText(const QByteArray& field);

// One accepted row: the sender address and the reply's fields.
struct DeviceRow {
    QString ip;
    DiscoveryReply reply;
};

// The acceptance rules in their order, with de-duplication by sender address
// in constant time per reply. Used by the scan window and the CLI alike.
class ReplyCollector {
public:
    std::optional<DeviceRow> accept(const QHostAddress& sender, QByteArrayView datagram);
    void clear() { m_seen.clear(); }
    qsizetype size() const { return m_seen.size(); }

private:
    QSet<QString> m_seen;
};

} // namespace Discovery
