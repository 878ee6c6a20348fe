// Discovery and start-up figures of the desktop program, each with a baseline
// from the same run (the machines are shared and noisy).
//
//   bench_discovery [--units N] [--flood N] [--startup-runs N]
//
// Units are played by a sender thread with one socket per loopback address,
// as zuredor-sim does; nothing leaves 127.0.0.0/8.

#include "bench_support.h"

#include "app/app_windows.h"
#include "base/localize.h"
#include "discovery/discovery_datagram.h"
#include "discovery/scan_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Clock = QElapsedTimer;

quint16 freePort() {
    QUdpSocket s;
    s.bind(QHostAddress::AnyIPv4, 0);
    return s.localPort();
}

QHostAddress unitAddress(int i) {
    // 127.0.0.2, 127.0.0.3, ... continuing into 127.0.1.x past 255.
    const quint32 base = (127u << 24) + 2u;
    return QHostAddress(base + static_cast<quint32>(i));
}

// Sends one reply per unit from its own address and keeps each send's time.
class UnitSender final : public QThread {
public:
    UnitSender(int units, quint16 port, const Clock& clock) : m_units(units), m_port(port), m_clock(clock) {}
    std::vector<double> sentMs;
    double lastSentMs = 0;

protected:
    void run() override {
        std::vector<std::unique_ptr<QUdpSocket>> sockets;
        for (int i = 0; i < m_units; ++i) {
            auto s = std::make_unique<QUdpSocket>();
            s->bind(unitAddress(i), m_port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
            sockets.push_back(std::move(s));
        }
        sentMs.resize(static_cast<size_t>(m_units));
        for (int i = 0; i < m_units; ++i) {
            const QByteArray d = Discovery::encodeDiscoveryReply(
                {"UNIT" + QByteArray::number(i), "WORKGROUP", "1.0." + QByteArray::number(i)});
            sentMs[static_cast<size_t>(i)] = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
            sockets[static_cast<size_t>(i)]->writeDatagram(d, QHostAddress::LocalHost, m_port);
        }
        lastSentMs = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
    }

private:
    int m_units;
    quint16 m_port;
    const Clock& m_clock;
};

// Bad and duplicate datagrams as fast as one socket sends them.
class FloodSender final : public QThread {
public:
    FloodSender(int count, quint16 port) : m_count(count), m_port(port) {}

protected:
    void run() override {
        QUdpSocket s;
        s.bind(unitAddress(0), m_port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
        const QByteArray good = Discovery::encodeDiscoveryReply({"DUP", "WG", "1"});
        QByteArray wrongType = good;
        wrongType[0] = '\x02';
        const QByteArray kinds[] = {good.left(71), good + '\0', wrongType, Discovery::DiscoveryRequest(), good};
        for (int i = 0; i < m_count; ++i) {
            s.writeDatagram(kinds[i % 5], QHostAddress::LocalHost, m_port);
            if (i % 200 == 199)
                QThread::usleep(200); // keep the kernel's buffer from dropping most of them
        }
    }

private:
    int m_count;
    quint16 m_port;
};

struct Heartbeat {
    QTimer timer;
    Clock clock;
    double maxGapMs = 0;
    qint64 last = 0;
    void start() {
        clock.start();
        last = 0;
        timer.setInterval(1);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            maxGapMs = std::max(maxGapMs, static_cast<double>(now - last) / 1e6);
            last = now;
        });
        timer.start();
    }
};

void runEventsFor(int ms) {
    Clock c;
    c.start();
    while (c.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void benchUnits(int units) {
    Base::NetworkSettings settings;
    settings.broadcast = {QStringLiteral("127.255.255.255")};
    settings.discoveryPort = freePort();
    Discovery::ScanWindow window(settings);
    window.show();

    Clock clock;
    clock.start();
    std::vector<double> rowMs;
    QObject::connect(&window, &Discovery::ScanWindow::rowAdded,
                     [&](int) { rowMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6); });
    UnitSender sender(units, settings.discoveryPort, clock);
    sender.start();
    Clock deadline;
    deadline.start();
    while ((rowMs.size() < static_cast<size_t>(units) || sender.isRunning()) && deadline.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    sender.wait();

    // Baseline: the same datagrams read by a bare socket, no parsing or list.
    QUdpSocket bare;
    bare.bind(QHostAddress::AnyIPv4, 0);
    const quint16 barePort = bare.localPort();
    Clock bareClock;
    bareClock.start();
    UnitSender bareSender(units, barePort, bareClock);
    int bareCount = 0;
    double bareLastMs = 0;
    QObject::connect(&bare, &QUdpSocket::readyRead, [&] {
        while (bare.hasPendingDatagrams()) {
            bare.receiveDatagram();
            ++bareCount;
            bareLastMs = static_cast<double>(bareClock.nsecsElapsed()) / 1e6;
        }
    });
    bareSender.start();
    deadline.restart();
    while ((bareCount < units || bareSender.isRunning()) && deadline.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    bareSender.wait();

    const int listed = window.listView()->rowCount();
    std::vector<double> latency;
    // Rows keep arrival order and each unit sends once, so row i answers send i
    // when every datagram got through.
    if (listed == units)
        for (int i = 0; i < units; ++i)
            latency.push_back(rowMs[static_cast<size_t>(i)] - sender.sentMs[static_cast<size_t>(i)]);
    const double lastAfter = rowMs.empty() ? -1 : rowMs.back() - sender.lastSentMs;
    std::printf("units: %d answered, %d rows listed (baseline socket read %d)\n", units, listed, bareCount);
    std::printf("units: row latency after send: median %.2f ms, p99 %.2f ms, max %.2f ms (target each <= 50 ms)\n",
                Bench::percentile(latency, 0.5), Bench::percentile(latency, 0.99), Bench::percentile(latency, 1.0));
    std::printf("units: last row %.2f ms after the last datagram was sent (target <= 200 ms); "
                "bare socket read its last %.2f ms after; ratio %.2f\n",
                lastAfter, bareLastMs - bareSender.lastSentMs,
                (bareLastMs - bareSender.lastSentMs) > 0 ? lastAfter / (bareLastMs - bareSender.lastSentMs) : 0.0);
}

void benchFlood(int count) {
    Base::NetworkSettings settings;
    settings.broadcast = {QStringLiteral("127.255.255.255")};
    settings.discoveryPort = freePort();
    Discovery::ScanWindow window(settings);
    window.show();

    // Baseline: the heartbeat's own gaps with nothing arriving.
    Heartbeat idle;
    idle.start();
    runEventsFor(500);
    idle.timer.stop();

    int received = 0;
    QObject::connect(&window.endpoint(), &Discovery::UdpEndpoint::datagramReceived, [&] { ++received; });
    Heartbeat beat;
    beat.start();
    FloodSender flood(count, settings.discoveryPort);
    flood.start();
    while (flood.isRunning())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    runEventsFor(300);
    flood.wait();
    beat.timer.stop();
    std::printf("flood: %d datagrams sent, %d received, %d row(s) listed (expected 1: the duplicate's first copy)\n",
                count, received, window.listView()->rowCount());
    std::printf("flood: longest event-loop block %.2f ms (target < 50 ms); idle baseline %.2f ms\n", beat.maxGapMs,
                idle.maxGapMs);
}

double startOnce() {
    Clock c;
    c.start();
    App::WindowSet windows(Base::NetworkSettings{{QStringLiteral("127.255.255.255")}, freePort(), 80}, [] {});
    windows.showScanWindow();
    while (!windows.scanWindow().isVisible())
        QApplication::processEvents();
    QApplication::processEvents();
    return static_cast<double>(c.nsecsElapsed()) / 1e6;
}

void benchStartup(int runs) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Base::reloadLanguageFile();
    std::vector<double> plain;
    for (int i = 0; i < runs; ++i)
        plain.push_back(startOnce());

    QFile file(QStringLiteral("language"));
    file.open(QIODevice::WriteOnly);
    for (int i = 0; i < 2000; ++i)
        file.write("Translated text number " + QByteArray::number(i) + "=Uebersetzung Nummer " + QByteArray::number(i) +
                   "\r\n");
    file.write("Scan=Suchen\r\n");
    file.close();
    Base::reloadLanguageFile();
    std::vector<double> withFile;
    for (int i = 0; i < runs; ++i)
        withFile.push_back(startOnce());
    QDir::setCurrent(previous);
    Base::reloadLanguageFile();
    const double m = Bench::percentile(withFile, 0.5);
    const double b = Bench::percentile(plain, 0.5);
    std::printf("startup: window set created and scan window shown, 2000-line language file: median %.2f ms "
                "(target < 300 ms); no file: %.2f ms; ratio %.2f\n",
                m, b, b > 0 ? m / b : 0.0);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    int units = 1000;
    int flood = 10000;
    int runs = 21;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--units"))
            units = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--flood"))
            flood = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--startup-runs"))
            runs = args[i + 1].toInt();
    }
    benchUnits(units);
    benchFlood(flood);
    benchStartup(runs);
    return 0;
}
