#include "discovery/discovery_datagram.h"

#include <gtest/gtest.h>

namespace {

QByteArray reply(QByteArray host, QByteArray group, QByteArray firmware) {
    return Discovery::encodeDiscoveryReply({std::move(host), std::move(group), std::move(firmware)});
}

TEST(DiscoveryRequest, IsTypeOneAndSeventyOneZeros) {
    const QByteArray request = Discovery::DiscoveryRequest();
    ASSERT_EQ(request.size(), 72);
    EXPECT_EQ(request[0], '\x01');
    EXPECT_EQ(request.count('\0'), 71);
    // Written out from the wire description, not from the codec.
    const char expected[72] = {1};
    EXPECT_EQ(request, QByteArray(expected, sizeof expected));
}

// A reply laid out by hand: type, seven unread bytes, then the three fields
// at offsets 8, 24 and 40, and two unread bytes at the end.
QByteArray handMadeReply(const char* host, const char* group, const char* firmware, qsizetype size = 72) {
    QByteArray datagram(size, '\0');
    const auto put = [&](qsizetype at, qsizetype width, const char* text) {
        for (qsizetype i = 0; text[i] != '\0' && i < width && at + i < size; ++i)
            datagram[at + i] = text[i];
    };
    if (size > 0)
        datagram[0] = '\x01';
    put(1, 7, "\x7f\x7f\x7f\x7f\x7f\x7f\x7f");
    put(8, 16, host);
    put(24, 16, group);
    put(40, 30, firmware);
    put(70, 2, "\x7f\x7f");
    return datagram;
}

struct ParseCase {
    const char* name;
    QByteArray datagram;
    bool parsed;
    QByteArray host;
    QByteArray group;
    QByteArray firmware;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class ParseHandMadeReply : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseHandMadeReply, ReadsEachFieldFromItsOwnBytes) {
    const ParseCase& c = GetParam();
    const auto reply = Discovery::parseDiscoveryReply(c.datagram);
    ASSERT_EQ(reply.has_value(), c.parsed) << c.name;
    if (!reply)
        return;
    EXPECT_EQ(reply->hostName, c.host) << c.name;
    EXPECT_EQ(reply->groupName, c.group) << c.name;
    EXPECT_EQ(reply->firmwareVersion, c.firmware) << c.name;
}

QByteArray typed(QByteArray datagram, char type) {
    datagram[0] = type;
    return datagram;
}

QByteArray withByte(QByteArray datagram, qsizetype at, char value) {
    datagram[at] = value;
    return datagram;
}

const char* const k16 = "ABCDEFGHIJKLMNOP";
const char* const k16b = "abcdefghijklmnop";
const char* const k30 = "0123456789012345678901234567_Z";

INSTANTIATE_TEST_SUITE_P(
    Bytes, ParseHandMadeReply,
    ::testing::Values(
        ParseCase{"plain reply", handMadeReply("NAS1", "WORKGROUP", "1.02"), true, "NAS1", "WORKGROUP", "1.02"},
        ParseCase{"71 bytes", handMadeReply("NAS1", "WORKGROUP", "1.02", 71), false, {}, {}, {}},
        ParseCase{"73 bytes", handMadeReply("NAS1", "WORKGROUP", "1.02", 73), false, {}, {}, {}},
        ParseCase{"type byte 0", typed(handMadeReply("NAS1", "WG", "1"), '\0'), false, {}, {}, {}},
        ParseCase{"type byte 2", typed(handMadeReply("NAS1", "WG", "1"), '\x02'), false, {}, {}, {}},
        ParseCase{"type byte 0x81", typed(handMadeReply("NAS1", "WG", "1"), '\x81'), false, {}, {}, {}},
        // Acceptance, not the parser, drops an empty firmware field.
        ParseCase{"empty firmware field", handMadeReply("NAS1", "WG", ""), true, "NAS1", "WG", ""},
        ParseCase{"every field full, no terminator", handMadeReply(k16, k16b, k30), true, k16, k16b, k30},
        ParseCase{"full host name, empty group", handMadeReply(k16, "", "1"), true, k16, "", "1"},
        ParseCase{"bytes after a field's NUL are not read",
                  withByte(withByte(handMadeReply("NAS", "WG", "1.0"), 12, 'q'), 45, 'r'), true, "NAS", "WG", "1.0"},
        ParseCase{"empty host name", handMadeReply("", "WG", "1"), true, "", "WG", "1"}),
    [](const ::testing::TestParamInfo<ParseCase>& p) { return "case" + std::to_string(p.index); });

TEST(DiscoveryReply, EncodesTheLayoutByteForByte) {
    const QByteArray encoded = Discovery::encodeDiscoveryReply({"NAS1", "WORKGROUP", "1.02"});
    QByteArray expected(72, '\0');
    expected[0] = '\x01';
    expected.replace(8, 4, "NAS1");
    expected.replace(24, 9, "WORKGROUP");
    expected.replace(40, 4, "1.02");
    ASSERT_EQ(encoded.size(), 72);
    EXPECT_EQ(encoded.mid(0, 1), expected.mid(0, 1));
    EXPECT_EQ(encoded.mid(8), expected.mid(8)) << "bytes 1..7 are the unit's own; the fields are fixed";
}

struct AcceptCase {
    const char* name;
    QByteArray datagram;
    bool accepted;
};

class Acceptance : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(Acceptance, FollowsTheRulesInOrder) {
    Discovery::ReplyCollector collector;
    EXPECT_EQ(collector.accept(QHostAddress(QStringLiteral("127.0.0.2")), GetParam().datagram).has_value(),
              GetParam().accepted)
        << GetParam().name;
}

QByteArray withType(QByteArray datagram, char type) {
    datagram[0] = type;
    return datagram;
}

const QByteArray kGood = reply("NAS1", "WORKGROUP", "1.02");

INSTANTIATE_TEST_SUITE_P(
    Datagrams, Acceptance,
    ::testing::Values(AcceptCase{"well formed", kGood, true}, AcceptCase{"71 bytes", kGood.left(71), false},
                      AcceptCase{"73 bytes", kGood + '\0', false}, AcceptCase{"empty", QByteArray(), false},
                      AcceptCase{"type byte 0", withType(kGood, '\0'), false},
                      AcceptCase{"type byte 2", withType(kGood, '\x02'), false},
                      AcceptCase{"own query: empty firmware", Discovery::DiscoveryRequest(), false},
                      AcceptCase{"empty firmware with names", reply("NAS1", "WG", ""), false},
                      AcceptCase{"firmware only", reply("", "", "1"), true}),
    [](const ::testing::TestParamInfo<AcceptCase>& p) { return "case" + std::to_string(p.index); });

TEST(DiscoveryReply, FullFieldsAreNotRunTogether) {
    QByteArray datagram = reply("ABCDEFGHIJKLMNOP", "GROUPNAME-16CHRS", QByteArray(30, 'v'));
    datagram[70] = 'x';
    datagram[71] = 'y';
    const auto parsed = Discovery::parseDiscoveryReply(datagram);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->hostName, QByteArray("ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(parsed->groupName, QByteArray("GROUPNAME-16CHRS"));
    EXPECT_EQ(parsed->firmwareVersion, QByteArray(30, 'v'));
}

TEST(DiscoveryReply, FieldEndsAtFirstNulAndIgnoresUnreadBytes) {
    QByteArray datagram = reply("NAS", "WG", "1.0");
    datagram[1] = 'z';  // bytes 1..7 are not read
    datagram[12] = 'q'; // after the host name's NUL
    const auto parsed = Discovery::parseDiscoveryReply(datagram);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->hostName, QByteArray("NAS"));
}

TEST(ReplyCollector, DeduplicatesBySenderAddressFirstReplyWins) {
    Discovery::ReplyCollector collector;
    const QHostAddress a(QStringLiteral("127.0.0.2"));
    const QHostAddress b(QStringLiteral("127.0.0.3"));
    const QHostAddress mapped(QStringLiteral("::ffff:127.0.0.2"));

    auto first = collector.accept(a, reply("SAME", "WG", "1"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->ip, QStringLiteral("127.0.0.2"));
    EXPECT_FALSE(collector.accept(a, reply("OTHER", "WG", "2"))) << "second reply from one address";
    EXPECT_FALSE(collector.accept(mapped, reply("OTHER", "WG", "2"))) << "dual-stack form is the same sender";
    EXPECT_TRUE(collector.accept(b, reply("SAME", "WG", "1"))) << "same host name at another address";
    EXPECT_FALSE(collector.accept(QHostAddress(QStringLiteral("127.0.0.4")), reply("X", "WG", "")));
    EXPECT_EQ(collector.size(), 2);

    collector.clear();
    EXPECT_TRUE(collector.accept(a, reply("AGAIN", "WG", "1"))) << "a new scan lists the unit again";
}

TEST(DisplayText, ShowsUtf8AndFallsBackToBytes) {
    EXPECT_EQ(Discovery::displayText("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
    EXPECT_EQ(Discovery::displayText("caf\xE9"), QString::fromLatin1("caf\xE9"));
}

} // namespace
