#pragma once

#include <QString>

#include <optional>

namespace Base {

// Where discovery and device requests go. Defaults are the real protocol's;
// tests, the demo and the simulator move them to loopback.
struct NetworkSettings {
    QString broadcast = QStringLiteral("255.255.255.255");
    quint16 discoveryPort = 14675;
    quint16 devicePort = 80;
};

// Defaults overridden by ZUREDOR_BROADCAST, ZUREDOR_DISCOVERY_PORT and
// ZUREDOR_DEVICE_PORT where they are set.
NetworkSettings networkSettingsFromEnvironment();

// A port number 1..65535, or nothing.
std::optional<quint16> parsePort(const QString& text);

} // namespace Base
