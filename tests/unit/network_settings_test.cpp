// Which addresses and ports the programs take, and which of two sources wins.

#include "base/network_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(NetworkSettings, PortsAndAddressesAtTheirEdges) {
    const struct {
        QString text;
        bool port;
        bool address;
    } cases[] = {
        {QStringLiteral("1"), true, false},
        {QStringLiteral("65535"), true, false},
        {QStringLiteral("0"), false, false},
        {QStringLiteral("65536"), false, false},
        {QStringLiteral("99999999999"), false, false},
        {QStringLiteral(" 80"), false, false},
        {QStringLiteral("+80"), false, false},
        {QStringLiteral("0x50"), false, false},
        {QString(), false, false},
        {QStringLiteral("127.255.255.255"), false, true},
        {QStringLiteral("0.0.0.0"), false, true},
        {QStringLiteral("127.255.255.256"), false, false},
        {QStringLiteral("127.0.0.0001"), false, false},
        {QStringLiteral("127.0..1"), false, false},
        {QStringLiteral("127.0.0.1."), false, false},
        {QStringLiteral("127.1"), false, false},
        {QStringLiteral("::ffff:127.0.0.1"), false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Base::parsePort(c.text).has_value(), c.port) << c.text.toStdString();
        EXPECT_EQ(Base::isDottedIpv4(c.text), c.address) << c.text.toStdString();
    }
}

TEST(NetworkSettings, AnOptionGivenWinsAndAnEmptyVariableIsUnset) {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("ZUREDOR_DEVICE_PORT"), QStringLiteral("bad"));
    environment.insert(QStringLiteral("ZUREDOR_DISCOVERY_PORT"), QStringLiteral("5000"));
    environment.insert(QStringLiteral("ZUREDOR_BROADCAST"), QString());
    Base::NetworkOptions options;
    options.devicePort = QStringLiteral("8080");
    const auto resolved = Base::resolveNetworkSettings(options, environment);
    ASSERT_TRUE(std::holds_alternative<Base::NetworkSettings>(resolved)) << std::get<QString>(resolved).toStdString();
    const auto& settings = std::get<Base::NetworkSettings>(resolved);
    EXPECT_EQ(settings.devicePort, 8080);
    EXPECT_EQ(settings.discoveryPort, 5000);
    EXPECT_TRUE(settings.broadcast.isEmpty()) << "no address given: the every-interface default";
}

TEST(NetworkSettings, BroadcastTakesSeveralAddressesSeparatedByCommas) {
    const struct {
        QString text;
        QStringList addresses; // empty: refused
        QString quoted;        // what the refusal quotes
    } cases[] = {
        {QStringLiteral("127.255.255.255"), {QStringLiteral("127.255.255.255")}, {}},
        {QStringLiteral("10.1.0.255,10.3.0.10"), {QStringLiteral("10.1.0.255"), QStringLiteral("10.3.0.10")}, {}},
        {QStringLiteral(" 10.1.0.255 , 10.3.0.10 "), {QStringLiteral("10.1.0.255"), QStringLiteral("10.3.0.10")}, {}},
        {QStringLiteral("10.3.0.10,10.1.0.255,10.3.0.10"),
         {QStringLiteral("10.3.0.10"), QStringLiteral("10.1.0.255")},
         {}},
        {QStringLiteral("10.1.0.255,nas.local"), {}, QStringLiteral("\"nas.local\"")},
        {QStringLiteral("10.1.0.255,,10.3.0.10"), {}, QStringLiteral("\"10.1.0.255,,10.3.0.10\"")},
        {QStringLiteral("10.1.0.255,"), {}, QStringLiteral("\"10.1.0.255,\"")},
        {QStringLiteral("10.1.0.255;10.3.0.10"), {}, QStringLiteral("\"10.1.0.255;10.3.0.10\"")},
    };
    for (const auto& c : cases) {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("ZUREDOR_BROADCAST"), c.text);
        const auto resolved = Base::resolveNetworkSettings({}, environment);
        if (c.addresses.isEmpty()) {
            ASSERT_TRUE(std::holds_alternative<QString>(resolved)) << c.text.toStdString();
            const QString& words = std::get<QString>(resolved);
            EXPECT_TRUE(words.startsWith(QStringLiteral("ZUREDOR_BROADCAST "))) << words.toStdString();
            EXPECT_TRUE(words.contains(c.quoted)) << words.toStdString();
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<Base::NetworkSettings>(resolved))
            << std::get<QString>(resolved).toStdString();
        EXPECT_EQ(std::get<Base::NetworkSettings>(resolved).broadcast, c.addresses) << c.text.toStdString();
    }
}

TEST(NetworkSettings, ABroadcastListHasABound) {
    QStringList many;
    for (int i = 0; i <= Base::kMaxBroadcastAddresses; ++i)
        many << QStringLiteral("10.0.%1.%2").arg(i / 250).arg(i % 250 + 1);
    const auto tooMany = Base::parseAddressList(many.join(u','), QStringLiteral("--broadcast"));
    ASSERT_TRUE(std::holds_alternative<QString>(tooMany));
    EXPECT_TRUE(std::get<QString>(tooMany).contains(QString::number(Base::kMaxBroadcastAddresses)));
    many.removeLast();
    const auto most = Base::parseAddressList(many.join(u','), QStringLiteral("--broadcast"));
    ASSERT_TRUE(std::holds_alternative<QStringList>(most));
    EXPECT_EQ(std::get<QStringList>(most).size(), Base::kMaxBroadcastAddresses);
    // Repeats of one address are not counted against the bound.
    const auto repeated = Base::parseAddressList(QStringList(1000, QStringLiteral("10.0.0.1")).join(u','), {});
    ASSERT_TRUE(std::holds_alternative<QStringList>(repeated));
    EXPECT_EQ(std::get<QStringList>(repeated).size(), 1);
}

} // namespace
