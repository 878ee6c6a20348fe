#include "discovery/discovery_datagram.h"

#include <QStringDecoder>

namespace Discovery {

namespace {

constexpr int kHostOffset = 8;
constexpr int kHostLength = 16;
constexpr int kGroupOffset = 24;
constexpr int kGroupLength = 16;
constexpr int kFirmwareOffset = 40;
constexpr int kFirmwareLength = 30;

QByteArray field(QByteArrayView datagram, int offset, int length) {
    QByteArrayView bytes = datagram.sliced(offset, length);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);
    return bytes.toByteArray();
}

void put(QByteArray& datagram, int offset, int length, const QByteArray& value) {
    const qsizetype n = qMin<qsizetype>(length, value.size());
    for (qsizetype i = 0; i < n; ++i)
        datagram[offset + i] = value[i];
}

} // namespace

QByteArray DiscoveryRequest() {
    QByteArray datagram(kDatagramSize, '\0');
    datagram[0] = static_cast<char>(kTypeByte);
    return datagram;
}

std::optional<DiscoveryReply> parseDiscoveryReply(QByteArrayView datagram) {
    if (datagram.size() != kDatagramSize || static_cast<quint8>(datagram[0]) != kTypeByte)
        return std::nullopt;
    return DiscoveryReply{field(datagram, kHostOffset, kHostLength), field(datagram, kGroupOffset, kGroupLength),
                          field(datagram, kFirmwareOffset, kFirmwareLength)};
}

QByteArray encodeDiscoveryReply(const DiscoveryReply& reply) {
    QByteArray datagram(kDatagramSize, '\0');
    datagram[0] = static_cast<char>(kTypeByte);
    put(datagram, kHostOffset, kHostLength, reply.hostName);
    put(datagram, kGroupOffset, kGroupLength, reply.groupName);
    put(datagram, kFirmwareOffset, kFirmwareLength, reply.firmwareVersion);
    return datagram;
}

QString senderText(const QHostAddress& sender) {
    bool isV4 = false;
    const quint32 v4 = sender.toIPv4Address(&isV4);
    if (isV4)
        return QHostAddress(v4).toString();
    return sender.toString();
}

QString displayText(const QByteArray& fieldBytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(fieldBytes);
    if (decoder.hasError())
        return QString::fromLatin1(fieldBytes);
    return text;
}

std::optional<DeviceRow> ReplyCollector::accept(const QHostAddress& sender, QByteArrayView datagram) {
    auto reply = parseDiscoveryReply(datagram);
    if (!reply || reply->firmwareVersion.isEmpty())
        return std::nullopt;
    QString ip = senderText(sender);
    if (m_seen.contains(ip))
        return std::nullopt;
    m_seen.insert(ip);
    return DeviceRow{std::move(ip), std::move(*reply)};
}

} // namespace Discovery
