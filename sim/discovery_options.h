#pragma once

#include "discovery_responder.h"
#include "sim_unit.h"

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace Sim {

// The fleet and its discovery side, as CLI11 fills them.
struct DiscoveryOptions {
    int units = 3;
    std::string firstAddress = "127.0.0.2";
    std::vector<std::string> broadcast{"127.255.255.255"};
    int discoveryPort = 14675;
    std::string hostName = UnitTemplate{}.hostName.toStdString();
    std::string groupName = UnitTemplate{}.groupName.toStdString();
    std::string firmwareVersion = UnitTemplate{}.firmwareVersion.toStdString();

    std::vector<std::string> malformed;
    DiscoveryFaults faults;
    bool logQueries = false;
};

// Registers --units, --first-address, --broadcast (also ZUREDOR_BROADCAST; comma-separated),
// --discovery-port (also ZUREDOR_DISCOVERY_PORT), --host-name, --group-name, --firmware-version,
// --log-queries and the faults --malformed, --no-answer, --answer-twice, --delay, --rate, --flood,
// --drop-queries and --seed.
void addDiscoveryOptions(CLI::App& app, DiscoveryOptions& options);

// What the options leave to check after parsing; the words for the user, or nothing.
std::optional<QString> checkDiscoveryOptions(const DiscoveryOptions& options);

// The faults with the malformed kinds filled in.
DiscoveryFaults discoveryFaults(const DiscoveryOptions& options);

QList<SimUnit> fleet(const DiscoveryOptions& options);

// The addresses the query may arrive at.
QList<QHostAddress> broadcastAddresses(const DiscoveryOptions& options);

} // namespace Sim
