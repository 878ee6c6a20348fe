#include "discovery_options.h"

#include <CLI/CLI.hpp>

#include <map>

namespace Sim {

namespace {

const std::map<std::string, std::vector<Malformed>>& malformedKinds() {
    static const std::map<std::string, std::vector<Malformed>> kinds = {
        {"short", {Malformed::Short}},
        {"long", {Malformed::Long}},
        {"type", {Malformed::WrongType}},
        {"no-firmware", {Malformed::EmptyFirmware}},
        {"all", {Malformed::Short, Malformed::Long, Malformed::WrongType, Malformed::EmptyFirmware}}};
    return kinds;
}

QHostAddress address(const std::string& text) {
    return QHostAddress(QString::fromStdString(text));
}

} // namespace

void addDiscoveryOptions(CLI::App& app, DiscoveryOptions& options) {
    app.add_option("--units", options.units, "Number of units (default 3)")->check(CLI::Range(1, 60000));
    app.add_option("--first-address", options.firstAddress,
                   "Address of unit 1; the others follow it (default 127.0.0.2)")
        ->check(CLI::ValidIPV4);
    app.add_option("--broadcast", options.broadcast,
                   "Addresses the discovery query arrives at, comma-separated (default 127.255.255.255); inside a "
                   "network namespace of its own, add 255.255.255.255 to hear the limited broadcast")
        ->envname("ZUREDOR_BROADCAST")
        ->delimiter(',')
        ->check(CLI::ValidIPV4);
    app.add_option("--discovery-port", options.discoveryPort, "UDP port of discovery (default 14675)")
        ->envname("ZUREDOR_DISCOVERY_PORT")
        ->check(CLI::Range(1, 65535));
    app.add_flag("--log-queries", options.logQueries,
                 "A line on standard output for every query: its sender, where it arrived, how many units answer");
    app.add_option("--host-name", options.hostName, "Host name; %n becomes the unit's number (default ZurEdor-%n)");
    app.add_option("--group-name", options.groupName, "Group name; %n as above (default Group-%n)");
    app.add_option("--firmware-version", options.firmwareVersion, "Firmware version; %n as above (default 1.0.%n)");

    const std::string faults = "Discovery faults";
    app.add_option("--malformed", options.malformed,
                   "Before its answer every unit sends these, comma-separated: short (71 bytes), long (73 bytes), "
                   "type (type byte 2), no-firmware (empty firmware field), all")
        ->delimiter(',')
        ->check(CLI::IsMember({"short", "long", "type", "no-firmware", "all"}))
        ->group(faults);
    app.add_flag("--no-answer", options.faults.noAnswer,
                 "No well-formed answer; malformed datagrams and floods still go")
        ->group(faults);
    app.add_flag("--answer-twice", options.faults.answerTwice,
                 "Every unit answers twice; the second answer names it DUPLICATE")
        ->group(faults);
    app.add_option("--delay", options.faults.delayMs, "Milliseconds between a query and its answer")
        ->check(CLI::Range(0, 600000))
        ->group(faults);
    app.add_option("--rate", options.faults.rate, "Datagrams per second for a whole answer (default 0: at once)")
        ->check(CLI::Range(0, 10000000))
        ->group(faults);
    app.add_option("--flood", options.faults.flood,
                   "After the answers, this many more datagrams from the units in turn: each malformed kind and a "
                   "copy of the answer, in rotation")
        ->check(CLI::Range(0, 10000000))
        ->group(faults);
    app.add_option("--drop-queries", options.faults.dropPercent,
                   "Percent chance that a unit ignores a query, drawn anew for each unit and query (default 0)")
        ->check(CLI::Range(0, 100))
        ->group(faults);
    app.add_option("--seed", options.faults.seed, "Seed of the drops, so a run can be repeated (default 1)")
        ->group(faults);
}

std::optional<QString> checkDiscoveryOptions(const DiscoveryOptions& options) {
    const quint64 first = address(options.firstAddress).toIPv4Address();
    if (first + static_cast<quint64>(options.units) - 1 > 0xFFFFFFFFULL) {
        return QStringLiteral("%1 units do not fit above %2")
            .arg(options.units)
            .arg(QString::fromStdString(options.firstAddress));
    }
    return std::nullopt;
}

DiscoveryFaults discoveryFaults(const DiscoveryOptions& options) {
    DiscoveryFaults faults = options.faults;
    for (const auto& name : options.malformed) {
        for (Malformed kind : malformedKinds().at(name))
            faults.malformed.append(kind);
    }
    return faults;
}

QList<QHostAddress> broadcastAddresses(const DiscoveryOptions& options) {
    QList<QHostAddress> addresses;
    for (const std::string& text : options.broadcast) {
        const QHostAddress broadcast = address(text);
        if (!addresses.contains(broadcast))
            addresses.append(broadcast);
    }
    return addresses;
}

QList<SimUnit> fleet(const DiscoveryOptions& options) {
    const UnitTemplate names{QString::fromStdString(options.hostName), QString::fromStdString(options.groupName),
                             QString::fromStdString(options.firmwareVersion)};
    return makeUnits(options.units, address(options.firstAddress), names);
}

} // namespace Sim
