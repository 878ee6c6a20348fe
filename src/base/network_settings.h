#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace Base {

// Where discovery and device requests go. Defaults are the real protocol's;
// tests, the demo and the simulator move them to loopback.
struct NetworkSettings {
    // Where the discovery query goes: these dotted IPv4 addresses (directed
    // broadcasts or single units), or when none are given, 255.255.255.255 and
    // the directed broadcast of every interface (src/discovery/query_targets.h).
    QStringList broadcast;
    quint16 discoveryPort = 14675;
    quint16 devicePort = 80;
};

// The values given on the command line; each unset one falls back to its variable.
struct NetworkOptions {
    std::optional<QString> broadcast;     // --broadcast, else ZUREDOR_BROADCAST; comma-separated
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

// The most addresses one --broadcast takes: a list of single units beyond a
// router stays usable, a runaway variable does not become a flood of queries.
inline constexpr qsizetype kMaxBroadcastAddresses = 256;

// Comma-separated dotted IPv4 addresses, blanks around each allowed, each kept
// once in the order given; or the words that refuse the list, naming `source`
// (the option or variable it came from) and quoting the first bad entry.
std::variant<QStringList, QString> parseAddressList(const QString& text, const QString& source);

} // namespace Base
