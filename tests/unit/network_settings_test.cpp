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
    EXPECT_EQ(settings.broadcast, QStringLiteral("255.255.255.255"));
}

} // namespace
