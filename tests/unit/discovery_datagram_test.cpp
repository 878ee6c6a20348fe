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
