// Where the discovery query goes, worked out from made-up interface lists, and
// when it goes out again.

#include "discovery/query_targets.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Discovery::InterfaceAddress;
using Discovery::InterfaceView;
using Discovery::QueryTarget;

QHostAddress a(const char* text) {
    return QHostAddress(QString::fromLatin1(text));
}

InterfaceAddress v4(const char* ip, int prefix, const char* broadcast = nullptr) {
    return {a(ip), broadcast ? a(broadcast) : QHostAddress(), prefix};
}

// An interface that is up, has a link and can broadcast; each case takes one of them away.
InterfaceView eth(const char* name, int index, QList<InterfaceAddress> addresses) {
    return {QString::fromLatin1(name), index, true, true, true, false, std::move(addresses)};
}

struct Target {
    const char* address;
    int index;
};

struct SelectionCase {
    const char* name;
    QList<InterfaceView> interfaces;
    std::vector<Target> expected;
};

void PrintTo(const SelectionCase& c, std::ostream* os) {
    *os << c.name;
}

class DirectedBroadcasts : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(DirectedBroadcasts, OnlyUsableIpv4InterfacesEachByItsOwnIndex) {
    const SelectionCase& c = GetParam();
    const QList<QueryTarget> targets = Discovery::directedBroadcasts(c.interfaces);
    std::vector<std::pair<QString, int>> got;
    for (const QueryTarget& target : targets)
        got.emplace_back(target.address.toString(), target.interfaceIndex);
    std::vector<std::pair<QString, int>> want;
    for (const Target& target : c.expected)
        want.emplace_back(QString::fromLatin1(target.address), target.index);
    EXPECT_EQ(got, want) << c.name;
}

InterfaceView with(InterfaceView view, bool InterfaceView::*flag, bool value) {
    view.*flag = value;
    return view;
}

const InterfaceView kWired = eth("eth0", 2, {v4("192.168.1.20", 24, "192.168.1.255")});

INSTANTIATE_TEST_SUITE_P(
    Interfaces, DirectedBroadcasts,
    ::testing::Values(
        SelectionCase{"wired", {kWired}, {{"192.168.1.255", 2}}},
        SelectionCase{"down", {with(kWired, &InterfaceView::up, false)}, {}},
        SelectionCase{"up without a link", {with(kWired, &InterfaceView::running, false)}, {}},
        SelectionCase{"cannot broadcast (a VPN tunnel)", {with(kWired, &InterfaceView::canBroadcast, false)}, {}},
        SelectionCase{"loopback", {with(kWired, &InterfaceView::loopback, true)}, {}},
        SelectionCase{"a loopback address on an ordinary interface", {eth("dummy0", 3, {v4("127.0.0.9", 8)})}, {}},
        SelectionCase{"no index to send by", {eth("eth9", 0, {v4("10.0.0.1", 8, "10.255.255.255")})}, {}},
        SelectionCase{"IPv6 only", {eth("eth0", 2, {{a("fe80::1"), QHostAddress(), 64}})}, {}},
        SelectionCase{"IPv6 beside IPv4",
                      {eth("eth0", 2, {{a("fd00::5"), QHostAddress(), 64}, v4("10.4.0.5", 16, "10.4.255.255")})},
                      {{"10.4.255.255", 2}}},
        SelectionCase{"no broadcast reported: the top of the subnet",
                      {eth("eth0", 2, {v4("10.2.3.7", 16)}), eth("eth1", 3, {v4("172.16.5.1", 30)})},
                      {{"10.2.255.255", 2}, {"172.16.5.3", 3}}},
        SelectionCase{"/31 and /32 have no broadcast", {eth("p2p0", 4, {v4("10.9.0.0", 31), v4("10.9.1.1", 32)})}, {}},
        SelectionCase{"two addresses on one interface",
                      {eth("eth0", 2, {v4("192.168.1.20", 24, "192.168.1.255"), v4("10.1.0.1", 24)})},
                      {{"192.168.1.255", 2}, {"10.1.0.255", 2}}},
        SelectionCase{"one subnet on two interfaces (wired and wireless): one copy out of each",
                      {kWired, eth("wlan0", 5, {v4("192.168.1.21", 24, "192.168.1.255")})},
                      {{"192.168.1.255", 2}, {"192.168.1.255", 5}}},
        SelectionCase{"the same address reported twice", {kWired, kWired}, {{"192.168.1.255", 2}}},
        SelectionCase{"wired, wireless, VPN and loopback together",
                      {{QStringLiteral("lo"), 1, true, true, false, true, {v4("127.0.0.1", 8)}},
                       kWired,
                       eth("wlan0", 5, {v4("10.0.8.30", 22, "10.0.11.255")}),
                       {QStringLiteral("tun0"), 6, true, true, false, false, {v4("10.8.0.2", 24)}}},
                      {{"192.168.1.255", 2}, {"10.0.11.255", 5}}}),
    [](const ::testing::TestParamInfo<SelectionCase>& p) { return "case" + std::to_string(p.index); });

TEST(QueryTargets, TheDefaultIsTheLimitedBroadcastFirstThenEachInterface) {
    const QList<InterfaceView> interfaces{kWired, eth("wlan0", 5, {v4("10.0.8.30", 22)})};
    const QList<QueryTarget> targets = Discovery::queryTargets({}, interfaces);
    ASSERT_EQ(targets.size(), 3);
    EXPECT_EQ(targets[0].address, a("255.255.255.255"));
    EXPECT_EQ(targets[0].interfaceIndex, 0) << "left to the routing table, as it always was";
    EXPECT_EQ(targets[1].address, a("192.168.1.255"));
    EXPECT_EQ(targets[2].address, a("10.0.11.255"));

    EXPECT_EQ(Discovery::queryTargets({}, {}).size(), 1) << "no usable interface: the limited broadcast alone";
}

TEST(QueryTargets, AddressesGivenAreTheOnlyTargetsEachOnceWhereRoutingSendsIt) {
    const QList<QueryTarget> targets = Discovery::queryTargets(
        {QStringLiteral("10.3.0.10"), QStringLiteral("192.168.1.255"), QStringLiteral("10.3.0.10")}, {kWired});
    ASSERT_EQ(targets.size(), 2);
    EXPECT_EQ(targets[0].address, a("10.3.0.10"));
    EXPECT_EQ(targets[1].address, a("192.168.1.255"));
    for (const QueryTarget& target : targets)
        EXPECT_EQ(target.interfaceIndex, 0);
}

TEST(QueryRepeats, AllFallInsideTheCliScansWithTimeForTheAnswersAndOutlastALossyNetwork) {
    const auto repeats = Discovery::defaultRepeats();
    ASSERT_FALSE(repeats.empty());
    EXPECT_GT(repeats.front().count(), 0) << "the first copy goes at once, not as a repeat";
    for (qsizetype i = 1; i < repeats.size(); ++i)
        EXPECT_GT(repeats[i], repeats[i - 1]);
    // The CLI scans 3 s by default and 2.5 s for a unit's name; the last answers need a moment.
    EXPECT_LE(repeats.back().count(), 2000);
    // With 30 % of the queries lost, a unit that hears none of the copies is rarer than one in a thousand.
    EXPECT_LT(std::pow(0.3, static_cast<double>(repeats.size() + 1)), 0.001);
}

} // namespace
