#pragma once

// What the benchmarks share: free loopback ports, a median and a percentile,
// and, for those that know where zuredor-sim is, a simulator started and waited for.

#include <QHostAddress>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Bench {

inline quint16 freeTcpPort() {
    QTcpServer s;
    s.listen(QHostAddress::AnyIPv4, 0);
    return s.serverPort();
}

inline quint16 freeUdpPort() {
    QUdpSocket s;
    s.bind(QHostAddress::AnyIPv4, 0);
    return s.localPort();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The value below which a share `p` (0 to 1) of the figures lie, the nearest one taken.
inline double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
    return v[i];
}

#ifdef ZUREDOR_SIM_PATH
// One simulated unit on 127.0.0.2 at `devicePort`, on a discovery port of its own, answering once it says
// "ready"; false (and the reason said by `who`) when it does not within five seconds of silence.
inline bool startSim(QProcess& sim, quint16 devicePort, const QStringList& extra, const char* who) {
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(ZUREDOR_SIM_PATH),
              QStringList{QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--discovery-port"),
                          QString::number(freeUdpPort()), QStringLiteral("--device-port"),
                          QString::number(devicePort)} +
                  extra);
    bool ready = false;
    while (!ready && sim.waitForReadyRead(5000))
        ready = sim.readAll().contains("ready\n");
    if (!ready)
        std::fprintf(stderr, "%s: the simulator did not start\n", who);
    return ready;
}
#endif

} // namespace Bench
