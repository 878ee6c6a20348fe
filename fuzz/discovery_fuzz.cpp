// A discovery datagram from whoever sent it: parsed, encoded again, and judged by the collector.
#include "fuzz_check.h"

#include "discovery/discovery_datagram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView datagram = Fuzz::bytesOf(data, size);
    const std::optional<Discovery::DiscoveryReply> reply = Discovery::parseDiscoveryReply(datagram);
    const bool wellFormed =
        datagram.size() == Discovery::kDatagramSize && static_cast<quint8>(datagram[0]) == Discovery::kTypeByte;
    FUZZ_REQUIRE(reply.has_value() == wellFormed, "exactly the 72-byte datagrams of type 1 are read");

    Discovery::ReplyCollector collector;
    const QHostAddress sender(QStringLiteral("127.0.0.2"));
    const std::optional<Discovery::DeviceRow> row = collector.accept(sender, datagram);
    if (!reply) {
        FUZZ_REQUIRE(!row, "a datagram that does not parse is never listed");
        return 0;
    }
    FUZZ_REQUIRE(reply->hostName.size() <= 16 && reply->groupName.size() <= 16 && reply->firmwareVersion.size() <= 30,
                 "each field stays within its slot");
    for (const QByteArray* field : {&reply->hostName, &reply->groupName, &reply->firmwareVersion})
        FUZZ_REQUIRE(!field->contains('\0'), "a field ends at its first NUL");

    const QByteArray encoded = Discovery::encodeDiscoveryReply(*reply);
    const std::optional<Discovery::DiscoveryReply> again = Discovery::parseDiscoveryReply(encoded);
    FUZZ_REQUIRE(again && again->hostName == reply->hostName && again->groupName == reply->groupName &&
                     again->firmwareVersion == reply->firmwareVersion,
                 "a parsed reply encodes to a datagram that parses to it");

    FUZZ_REQUIRE(row.has_value() == !reply->firmwareVersion.isEmpty(), "a reply is listed when it names a firmware");
    FUZZ_REQUIRE(!collector.accept(sender, datagram), "a sender is listed once");
    if (row) {
        FUZZ_REQUIRE(row->ip == QLatin1String("127.0.0.2"), "a row is the sender's");
        FUZZ_REQUIRE(row->reply.hostName == reply->hostName, "a row holds the reply's fields");
    }
    for (const QByteArray* field : {&reply->hostName, &reply->groupName, &reply->firmwareVersion}) {
        const QString shown = Discovery::displayText(*field);
        FUZZ_REQUIRE(shown.size() <= field->size(), "a field is shown with no more characters than bytes");
        FUZZ_REQUIRE(!shown.contains(QChar::ReplacementCharacter) || field->contains("\xef\xbf\xbd"),
                     "a field is shown as received, never with a replacement character of ours");
    }
    return 0;
}
