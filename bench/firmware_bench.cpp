// A firmware image of 256 MiB (by default) posted to zuredor-sim on loopback,
// three ways in one run:
//   - PostMultipart from this process: its time, and the growth of this
//     process's peak memory while it ran;
//   - the same post from the console window (off its thread): the longest
//     stretch the window's event loop went without running;
//   - the baseline: the same bytes, head and body, written by a plain socket
//     from memory to the same simulator.
// Reported: throughput of the post against the baseline, memory growth and
// the longest event-loop block.
//
//   bench_firmware [--mib N]

#include "console/console_window.h"
#include "console/maintenance_rules.h"
#include "ui/current_device.h"
#include "web/multipart.h"

#include "bench_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Peak resident memory of this process so far, in KiB.
qint64 peakKib() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// A file of the given size that carries a version line the simulator reads.
bool writeImage(const QString& path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, '\x5a');
    const QByteArray version = "ZUREDOR-FIRMWARE 9.9.9\n";
    block.replace(0, version.size(), version);
    for (qint64 written = 0; written < size; written += block.size()) {
        if (file.write(block.constData(), std::min<qint64>(block.size(), size - written)) < 0)
            return false;
        block.replace(0, version.size(), QByteArray(version.size(), '\x5a'));
    }
    return true;
}

// The baseline: the same head and body from memory, through a plain socket, and the unit's answer.
double plainSendMs(quint16 port, const QByteArray& bytes) {
    QElapsedTimer clock;
    clock.start();
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.2"), port);
    if (!socket.waitForConnected(3000))
        return -1;
    constexpr qint64 kPiece = 256 * 1024;
    for (qint64 at = 0; at < bytes.size(); at += kPiece) {
        socket.write(bytes.constData() + at, std::min(kPiece, bytes.size() - at));
        while (socket.bytesToWrite() > 1024 * 1024)
            socket.waitForBytesWritten(30000);
    }
    while (socket.bytesToWrite() > 0)
        socket.waitForBytesWritten(30000);
    if (!socket.waitForReadyRead(30000) || !socket.readAll().startsWith("HTTP/1.0 302"))
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 mib = 256;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--mib") == 0)
            mib = std::max(1, std::atoi(argv[i + 1]));
    }
    const qint64 size = mib * 1024 * 1024;

    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("image.bin"));
    if (!writeImage(image, size)) {
        std::fprintf(stderr, "bench_firmware: cannot write %s\n", qPrintable(image));
        return 1;
    }

    const quint16 port = Bench::freeTcpPort();
    QProcess sim;
    if (!Bench::startSim(sim, port, {QStringLiteral("--max-firmware-bytes"), QString::number(2 * size + (1 << 20))},
                         "bench_firmware"))
        return 1;
    const Console::UnitAddress unit{QStringLiteral("127.0.0.2"), port};
    const Web::PostFields fields{QStringLiteral("admin"), QStringLiteral("admin"), Console::firmwareReferer(unit)};
    Web::Settings settings;
    settings.devicePort = port;

    // The post from this process, memory watched in the first round; the baseline takes turns with it.
    constexpr int kRounds = 3;
    std::vector<double> postTimes;
    std::vector<double> plainTimes;
    qint64 growthKib = 0;
    qint64 bodySize = 0;
    bool accepted = true;
    QByteArray bytes;
    for (int round = 0; round < kRounds && accepted; ++round) {
        const qint64 peakBefore = peakKib();
        auto body = Console::firmwareBody(image);
        if (!body.ok())
            return 1;
        bodySize = body.value()->size();
        QElapsedTimer clock;
        clock.start();
        const Web::PostResult posted = Web::PostMultipart(Console::firmwareUrl(unit), *body.value(), fields, settings);
        postTimes.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (round == 0)
            growthKib = peakKib() - peakBefore;
        accepted = Console::judgeUpload(posted, unit) == Console::UploadVerdict::Accepted;
        if (!accepted)
            std::fprintf(stderr, "bench_firmware: %s\n", qPrintable(posted.failureText));

        // The baseline: the very bytes of the post, from memory.
        if (bytes.isEmpty()) {
            auto copy = Console::firmwareBody(image);
            bytes = Web::MultipartPostHead(unit.ip, QStringLiteral("/man.cgi"), *copy.value(), fields);
            bytes.reserve(bytes.size() + copy.value()->size());
            QByteArray piece(1 << 20, '\0');
            for (qint64 got; (got = copy.value()->read(piece.data(), piece.size())) > 0;)
                bytes.append(piece.constData(), got);
        }
        plainTimes.push_back(plainSendMs(port, bytes));
    }
    std::sort(postTimes.begin(), postTimes.end());
    std::sort(plainTimes.begin(), plainTimes.end());
    const double postMs = postTimes[postTimes.size() / 2];
    const double plainMs = plainTimes.front() < 0 ? -1 : plainTimes[plainTimes.size() / 2];

    // The same post from the console, its event loop watched.
    Ui::CurrentDevice() = {unit.ip, QStringLiteral("admin"), QStringLiteral("admin")};
    Console::ConsoleWindow console(settings);
    QElapsedTimer sinceTick;
    qint64 longestGapMs = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGapMs = std::max(longestGapMs, sinceTick.elapsed());
        sinceTick.restart();
    });
    auto again = Console::firmwareBody(image);
    sinceTick.start();
    tick.start();
    const Web::PostResult fromWindow =
        console.PostMultipart(Console::firmwareUrl(unit), *again.value(), fields.referer, {});
    tick.stop();
    const bool windowAccepted = Console::judgeUpload(fromWindow, unit) == Console::UploadVerdict::Accepted;

    sim.terminate();
    sim.waitForFinished(3000);
    if (!accepted || !windowAccepted || plainMs < 0) {
        std::fprintf(stderr, "bench_firmware: the simulator did not take an image (window: %s, baseline %s)\n",
                     qPrintable(fromWindow.failureText), plainMs < 0 ? "failed" : "ok");
        return 1;
    }
    const double mibBody = double(bodySize) / 1048576.0;
    std::printf("bench_firmware: a %lld MiB image to zuredor-sim on 127.0.0.2, median of %d rounds\n",
                static_cast<long long>(mib), kRounds);
    std::printf("  plain socket send (baseline)  %8.1f ms  %7.1f MiB/s\n", plainMs, mibBody * 1000 / plainMs);
    std::printf("  PostMultipart                 %8.1f ms  %7.1f MiB/s, %.2fx the baseline (target >= 0.8x)\n", postMs,
                mibBody * 1000 / postMs, plainMs / postMs);
    std::printf("  peak memory growth during the post: %.1f MiB (target <= 16 MiB)\n", double(growthKib) / 1024.0);
    std::printf("  from the console window: longest event-loop block %lld ms (target <= 50 ms)\n",
                static_cast<long long>(longestGapMs));

    // A unit that writes the image into its flash for 8 s before it answers: waited out, and taken.
    constexpr int kWriteMs = 8000;
    const quint16 writingPort = Bench::freeTcpPort();
    QProcess writing;
    if (!Bench::startSim(writing, writingPort,
                         {QStringLiteral("--firmware-write-ms"), QString::number(kWriteMs),
                          QStringLiteral("--max-firmware-bytes"), QString::number(2 * size + (1 << 20))},
                         "bench_firmware"))
        return 1;
    const Console::UnitAddress writer{unit.ip, writingPort};
    settings.devicePort = writingPort;
    auto small = Console::firmwareBody(image);
    QElapsedTimer writeClock;
    writeClock.start();
    const Web::PostResult written = Web::PostMultipart(Console::firmwareUrl(writer), *small.value(), fields, settings);
    const double writtenMs = double(writeClock.nsecsElapsed()) / 1e6;
    writing.terminate();
    writing.waitForFinished(3000);
    const bool writtenTaken = Console::judgeUpload(written, writer) == Console::UploadVerdict::Accepted;
    std::printf("  a unit writing its flash for %d s: verdict after %.1f ms, %.2fx (send + write), %s "
                "(the page read bound of %.1f s would have said \"Upload fail!\")\n",
                kWriteMs / 1000, writtenMs, writtenMs / (postMs + kWriteMs), writtenTaken ? "taken" : "NOT taken",
                settings.readTimeoutMs / 1000.0);
    return writtenTaken ? 0 : 1;
}
