#include "base/build_info.h"
#include "discovery_options.h"
#include "discovery_responder.h"
#include "sim/web/unit_web_server.h"
#include "sim/web/web_options.h"
#include "smb_server.h"
#include "stop_signals.h"

#include <QCoreApplication>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 64;

// A thousand units need a thousand sockets; take what the system allows.
void raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Addresses handed out when a unit is switched to DHCP: a range no fleet starts in.
class LoopbackLeases {
public:
    QHostAddress next() { return QHostAddress((127u << 24) | (200u << 16) | static_cast<quint32>(++m_last)); }

private:
    int m_last = 1;
};

// Keeps a unit's discovery answer in step with what its web side changed.
void followUnit(Sim::UnitWebServer& server, Sim::DiscoveryResponder& responder, int index, LoopbackLeases& leases) {
    QObject::connect(&server, &Sim::UnitWebServer::stateChanged, &responder, [&server, &responder, index] {
        Sim::SimUnit unit = responder.unit(index);
        unit.hostName = server.state().hostName.toUtf8();
        unit.groupName = server.state().groupName.toUtf8();
        unit.firmwareVersion = server.state().firmware.toUtf8();
        responder.updateUnit(index, unit);
    });
    QObject::connect(&server, &Sim::UnitWebServer::noted, &responder, [index](const QString& text) {
        std::fprintf(stderr, "zuredor-sim: unit %d: %s\n", index + 1, qPrintable(text));
    });
    QObject::connect(&server, &Sim::UnitWebServer::onlineChanged, &responder,
                     [&responder, index](bool online) { responder.setOnline(index, online); });
    QObject::connect(&server, &Sim::UnitWebServer::addressChangeRequested, &responder,
                     [&server, &responder, index, &leases](const Sim::AddressChange& change) {
                         QHostAddress target = change.dhcpClient ? leases.next() : change.address;
                         // An address off loopback is somewhere this machine cannot follow: the unit is gone.
                         if (!target.isLoopback() || target.protocol() != QAbstractSocket::IPv4Protocol) {
                             server.stopListening();
                             responder.setOnline(index, false);
                             return;
                         }
                         Sim::SimUnit unit = responder.unit(index);
                         unit.address = target;
                         if (responder.updateUnit(index, unit) || !server.moveTo(target)) {
                             std::fprintf(stderr, "zuredor-sim: unit %d cannot move to %s\n", index + 1,
                                          qPrintable(target.toString()));
                             return;
                         }
                         std::printf("zuredor-sim: unit %d now at %s\n", index + 1, qPrintable(target.toString()));
                         std::fflush(stdout);
                     });
}

} // namespace

int main(int argc, char* argv[]) { // NOLINT(bugprone-exception-escape): only a bug or no memory; abort keeps its stack
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuredor-sim"));

    CLI::App cli{"Simulated Zur Edor units on consecutive addresses, answering the discovery query."};
    cli.name("zuredor-sim");
    cli.set_version_flag("--version", Base::versionLine(QStringLiteral("zuredor-sim")).toStdString());
    Sim::DiscoveryOptions discovery;
    Sim::addDiscoveryOptions(cli, discovery);
    Sim::WebOptions web;
    Sim::addWebOptions(cli, web);
    Sim::SmbOptions smb;
    Sim::addSmbOptions(cli, smb);
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return cli.exit(e) == 0 ? 0 : kExitUsage;
    }
    if (const auto problem = Sim::checkDiscoveryOptions(discovery)) {
        std::fprintf(stderr, "zuredor-sim: %s\n", qPrintable(*problem));
        return kExitUsage;
    }

    raiseOpenFileLimit();
    if (!Sim::quitOnStopSignals()) {
        std::perror("zuredor-sim: signal handlers");
        return kExitFailed;
    }
    Sim::DiscoveryResponder responder(Sim::fleet(discovery), Sim::broadcastAddresses(discovery),
                                      static_cast<quint16>(discovery.discoveryPort), Sim::discoveryFaults(discovery));
    responder.setLogQueries(discovery.logQueries);
    if (const auto error = responder.open()) {
        std::fprintf(stderr, "zuredor-sim: %s\n", qPrintable(*error));
        return kExitFailed;
    }

    LoopbackLeases leases;
    std::vector<std::unique_ptr<Sim::UnitWebServer>> servers;
    for (int i = 0; i < discovery.units; ++i) {
        const Sim::SimUnit& unit = responder.unit(i);
        Sim::UnitState state = Sim::initialUnitState(web, unit.number, unit.address);
        Sim::setFactoryNames(state, QString::fromUtf8(unit.hostName), QString::fromUtf8(unit.groupName));
        state.firmware = QString::fromUtf8(unit.firmwareVersion);
        auto server = std::make_unique<Sim::UnitWebServer>(std::move(state), Sim::serverSettings(web, unit.number));
        if (!server->listen(unit.address, static_cast<quint16>(web.devicePort))) {
            std::fprintf(stderr, "zuredor-sim: unit %d web server on %s:%d: %s\n", unit.number,
                         qPrintable(unit.address.toString()), web.devicePort, qPrintable(server->errorString()));
            return kExitFailed;
        }
        followUnit(*server, responder, i, leases);
        servers.push_back(std::move(server));
    }
    Sim::SmbFleet shares;
    if (const auto error = shares.start(smb, servers)) {
        std::fprintf(stderr, "zuredor-sim: %s\n", qPrintable(*error));
        return kExitFailed;
    }

    // A test or script starts asking only after "ready".
    std::printf("zuredor-sim: %d unit%s from %s, discovery query on %s:%d, web port %d\nready\n", discovery.units,
                discovery.units == 1 ? "" : "s", discovery.firstAddress.c_str(),
                CLI::detail::join(discovery.broadcast, ",").c_str(), discovery.discoveryPort, web.devicePort);
    std::fflush(stdout);
    return QCoreApplication::exec();
}
