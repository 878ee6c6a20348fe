#include "discovery_options.h"
#include "discovery_responder.h"
#include "stop_signals.h"

#include <QCoreApplication>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <sys/resource.h>

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

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuredor-sim"));

    CLI::App cli{"Simulated Zur Edor units on consecutive addresses, answering the discovery query."};
    cli.name("zuredor-sim");
    Sim::DiscoveryOptions discovery;
    Sim::addDiscoveryOptions(cli, discovery);
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
    Sim::DiscoveryResponder responder(Sim::fleet(discovery), QHostAddress(QString::fromStdString(discovery.broadcast)),
                                      static_cast<quint16>(discovery.discoveryPort), Sim::discoveryFaults(discovery));
    if (const auto error = responder.open()) {
        std::fprintf(stderr, "zuredor-sim: %s\n", qPrintable(*error));
        return kExitFailed;
    }

    // A test or script starts asking only after "ready".
    std::printf("zuredor-sim: %d unit%s from %s, discovery query on %s:%d\nready\n", discovery.units,
                discovery.units == 1 ? "" : "s", discovery.firstAddress.c_str(), discovery.broadcast.c_str(),
                discovery.discoveryPort);
    std::fflush(stdout);
    return QCoreApplication::exec();
}
