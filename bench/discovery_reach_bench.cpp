// What the repeats of the discovery query are worth, against one send measured in
// the same run, with zuredor-sim on loopback (the query goes to 127.255.255.255
// only; nothing leaves 127.0.0.0/8).
//
//   bench_discovery_reach [--units N] [--scans N] [--drop PERCENT] [--seed N]
//                         [--clean-scans N] [--time-scale F]
//
// 1. Loss: every unit ignores each query with the given chance; the share of units
//    listed per scan, with one send and with the send and its repeats.
// 2. Clean network: the time from the first send to the last unit listed, one send
//    against the send and its repeats, the two kinds of scan taking turns.
//
// --time-scale shortens the repeat times and the scan (default 0.25: repeats at
// 50..500 ms, scans of 625 ms) so a hundred scans take a minute; on loopback an
// answer takes well under a millisecond, so the losses do not depend on it.

#include "discovery/discovery_scan.h"

#include "bench_support.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTcpServer>
#include <QUdpSocket>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace std::chrono_literals;

const QString kLoopbackBroadcast = QStringLiteral("127.255.255.255");

// zuredor-sim on loopback; ends with the object.
class Sim {
public:
    explicit Sim(const QStringList& arguments) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ZUREDOR_SIM_PATH),
                        arguments + QStringList{QStringLiteral("--broadcast"), kLoopbackBroadcast,
                                                QStringLiteral("--device-port"),
                                                QString::number(Bench::freeTcpPort())});
        QByteArray said;
        while (m_process.waitForReadyRead(10000)) {
            said += m_process.readAll();
            if (said.contains("ready\n"))
                return;
        }
        std::fprintf(stderr, "bench_discovery_reach: the simulator did not start: %s\n", said.constData());
        std::exit(1);
    }
    ~Sim() {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }

private:
    QProcess m_process;
};

struct Schedule {
    QList<std::chrono::milliseconds> repeats;
    std::chrono::milliseconds wait;
};

Schedule scaled(double scale, bool repeat) {
    Schedule schedule;
    for (const auto after : Discovery::defaultRepeats())
        schedule.repeats.append(std::chrono::milliseconds(std::llround(static_cast<double>(after.count()) * scale)));
    // The CLI's name scan: every repeat and half a second for the last answers.
    schedule.wait = std::chrono::milliseconds(std::llround(2500.0 * scale));
    if (!repeat)
        schedule.repeats.clear();
    return schedule;
}

Discovery::ScanResult scanOnce(quint16 port, const Schedule& schedule) {
    return Discovery::ScanOnce(
        {Discovery::queryTargets({kLoopbackBroadcast}, {}), port, schedule.wait, schedule.repeats});
}

void benchLoss(int units, int scans, int drop, int seed, double scale) {
    const quint16 port = Bench::freeUdpPort();
    Sim sim({QStringLiteral("--units"), QString::number(units), QStringLiteral("--discovery-port"),
             QString::number(port), QStringLiteral("--drop-queries"), QString::number(drop), QStringLiteral("--seed"),
             QString::number(seed)});
    std::printf("loss: %d units, each ignores a query with a chance of %d %% (seed %d); %d scans of each kind; "
                "time scale %.2f\n",
                units, drop, seed, scans, scale);
    for (const bool repeat : {false, true}) {
        const Schedule schedule = scaled(scale, repeat);
        long found = 0;
        int complete = 0;
        int fewest = units;
        for (int i = 0; i < scans; ++i) {
            const Discovery::ScanResult result = scanOnce(port, schedule);
            if (result.error) {
                std::fprintf(stderr, "bench_discovery_reach: %s\n", qPrintable(result.error->detail));
                std::exit(1);
            }
            const int listed = static_cast<int>(result.rows.size());
            found += listed;
            complete += listed == units;
            fewest = std::min(fewest, listed);
        }
        const long asked = static_cast<long>(units) * scans;
        const double expected = 100.0 * (1.0 - std::pow(drop / 100.0, schedule.repeats.size() + 1));
        std::printf("loss: %-28s units found %ld of %ld = %.2f %% (expected %.2f %%), fewest in a scan %d of %d, "
                    "scans with every unit %d of %d%s\n",
                    repeat ? "send and 6 repeats:" : "one send (as before):", found, asked,
                    100.0 * static_cast<double>(found) / static_cast<double>(asked), expected, fewest, units, complete,
                    scans, repeat ? " (target >= 99.9 %)" : "");
    }
}

void benchClean(int units, int scans, double scale) {
    const quint16 port = Bench::freeUdpPort();
    Sim sim(
        {QStringLiteral("--units"), QString::number(units), QStringLiteral("--discovery-port"), QString::number(port)});
    std::vector<double> lastMs[2];
    int incomplete = 0;
    for (int i = 0; i < scans; ++i) {
        for (const bool repeat : {i % 2 == 0, i % 2 != 0}) {
            const Discovery::ScanResult result = scanOnce(port, scaled(scale, repeat));
            if (result.rows.size() != units) {
                ++incomplete;
                continue;
            }
            lastMs[repeat].push_back(static_cast<double>(result.arrivals.constLast().count()) / 1e6);
        }
    }
    std::printf("clean: %d units, no loss, %d scans of each kind taking turns%s\n", units, scans,
                incomplete ? " (some scans missed a unit and are left out)" : "");
    for (const bool repeat : {false, true}) {
        const auto& v = lastMs[repeat];
        std::printf("clean: %-28s last unit listed after median %.2f ms, p90 %.2f ms, max %.2f ms (%zu scans)\n",
                    repeat ? "send and 6 repeats:" : "one send (as before):", Bench::percentile(v, 0.5),
                    Bench::percentile(v, 0.9), Bench::percentile(v, 1.0), v.size());
    }
    const double baseline = Bench::percentile(lastMs[0], 0.5);
    std::printf("clean: median with repeats / median with one send = %.2f (target: no later, <= 1 within noise)\n",
                baseline > 0 ? Bench::percentile(lastMs[1], 0.5) / baseline : 0.0);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const auto option = [&](const char* name, double fallback) {
        const qsizetype i = args.indexOf(QString::fromLatin1(name));
        return i >= 0 && i + 1 < args.size() ? args[i + 1].toDouble() : fallback;
    };
    const int units = static_cast<int>(option("--units", 20));
    const int scans = static_cast<int>(option("--scans", 100));
    const int drop = static_cast<int>(option("--drop", 30));
    const int seed = static_cast<int>(option("--seed", 1));
    const int cleanScans = static_cast<int>(option("--clean-scans", 30));
    const double scale = option("--time-scale", 0.25);
    if (units < 1 || scans < 1 || drop < 0 || drop > 100 || cleanScans < 1 || scale <= 0) {
        std::fprintf(stderr, "bench_discovery_reach: a value out of range\n");
        return 64;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as it comes, also into a file
    benchLoss(units, scans, drop, seed, scale);
    benchClean(units, cleanScans, scale);
    return 0;
}
