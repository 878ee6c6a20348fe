#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <optional>
#include <variant>

namespace Base {

// Where discovery and device requests go. Defaults are the real protocol's;
// tests, the demo and the simulator move them to loopback.
struct NetworkSettings {
    QString broadcast = QStringLiteral("255.255.255.255");
    quint16 discoveryPort = 14675;
    quint16 devicePort = 80;
};

// The values given on the command line; each unset one falls back to its variable.
struct NetworkOptions {
    std::optional<QString> broadcast;     // --broadcast, else ZUREDOR_BROADCAST
    std::optional<QString> discoveryPort; // --discovery-port, else ZUREDOR_DISCOVERY_PORT
    std::optional<QString> devicePort;    // --device-port, else ZUREDOR_DEVICE_PORT
};

// The defaults with what the options and the environment change (an empty
// variable counts as unset), or the words that refuse the first bad value,
// naming the option or variable it came from.
std::variant<NetworkSettings, QString> resolveNetworkSettings(const NetworkOptions& options,
                                                              const QProcessEnvironment& environment);

// A port number 1..65535 in decimal digits, or nothing.
std::optional<quint16> parsePort(const QString& text);

// Whether the text is a dotted IPv4 address: four numbers 0..255 in decimal.
bool isDottedIpv4(const QString& text);

} // namespace Base
