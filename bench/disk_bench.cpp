// The Disk Utility page: the tab switch against zuredor-sim beside one
// FetchPage measured in the same run, and the refresh of a 10,000-line scan
// result and of one line of 600,000 characters, each with the longest stretch
// in which the window's event loop did not turn.
//
//   bench_disk [--runs N]
//
// A switch runs the page's show handler and then the fixed 20 ms pause of the
// tab change; reported is the median switch beyond that pause as a ratio to the
// median FetchPage (which holds its own 20 ms pause). For the refresh, a timer
// of 1 ms on the window's thread notes each turn of the event loop; the largest
// gap between two turns while RefreshScanResult runs is the longest block.

#include "console/console_window.h"
#include "console/disk_tab.h"
#include "console/page_control.h"
#include "console/page_tabs.h"
#include "ui/current_device.h"
#include "ui/message_box.h"
#include "web/page_fetch.h"

#include "bench_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Boxes would wait for a person: count them instead.
class CountedBoxes final : public Ui::MessageService {
public:
    void show(const QString&, const QString&, Base::Icon) override { ++*m_count; }
    bool confirm(const QString&, const QString&, Base::Icon) override { return true; }
    explicit CountedBoxes(int* count) : m_count(count) {}

private:
    int* m_count;
};

class InPlace final : public Web::WebHost {
public:
    void showMessage(const Base::Refusal&) override {}
};

// A unit that answers every request with one page, on a thread of its own so
// that serving it costs the window's thread nothing.
class PageServer final {
public:
    explicit PageServer(QByteArray page) : m_page(std::move(page)) {
        std::atomic<quint16> port{0};
        m_thread.reset(QThread::create([this, &port] {
            QTcpServer server;
            server.listen(QHostAddress::LocalHost, 0);
            port = server.serverPort();
            while (!m_stop) {
                if (!server.waitForNewConnection(20))
                    continue;
                std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
                QByteArray request;
                while (!request.contains("\r\n\r\n") && socket->waitForReadyRead(1000))
                    request += socket->readAll();
                socket->write("HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(m_page.size()) + "\r\n\r\n" +
                              m_page);
                while (socket->bytesToWrite() > 0 && socket->waitForBytesWritten(1000)) {
                }
                socket->disconnectFromHost();
            }
        }));
        m_thread->start();
        while (port == 0)
            QThread::msleep(1);
        m_port = port;
    }
    ~PageServer() {
        m_stop = true;
        m_thread->wait();
    }
    quint16 port() const { return m_port; }

private:
    QByteArray m_page;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_stop{false};
    quint16 m_port = 0;
};

QByteArray scanPage(int lines) {
    QByteArray scan;
    for (int i = 0; i < lines; ++i)
        scan += "Surface block " + QByteArray::number(i * 1953) + " of 19537664 checked\n";
    return "<HTML>\r\ndisk_idle_value=\"15\";disk_idle_stu=\"checked\";\r\ndisk_fix_enable=\"DISABLE\";\r\ndisk_scan="
           "\"" +
           scan + "\";\r\n</HTML>\r\n";
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 40;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }

    const quint16 port = Bench::freeTcpPort();
    QProcess sim;
    if (!Bench::startSim(sim, port, {}, "bench_disk"))
        return 1;

    int boxes = 0;
    Ui::setMessageService(std::make_unique<CountedBoxes>(&boxes));
    Ui::CurrentDevice() = {QStringLiteral("127.0.0.2"), QStringLiteral("admin"), QStringLiteral("admin")};
    Web::Settings settings;
    settings.devicePort = port;
    Console::ConsoleWindow console(settings);
    console.showOnFirstPage();
    QApplication::processEvents();
    Console::DiskTab* disk = console.diskTab();
    QLineEdit* sleep = disk->diskSleepTimeEdit();
    QPlainTextEdit* memo = disk->diskScanMO();

    // The tab switch, against FetchPage.
    std::vector<double> fetchMs;
    std::vector<double> diskMs;
    InPlace inPlace;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        const Web::DeviceResponse page = Web::FetchPage(Ui::CurrentDevice(), settings, inPlace);
        fetchMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (page.status != 200)
            ++boxes;

        sleep->clear();
        memo->clear();
        t.start();
        console.pageControl()->setCurrentIndex(Console::kDiskPage);
        diskMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (sleep->text().isEmpty() || memo->blockCount() < 2)
            ++boxes;
        console.pageControl()->setCurrentIndex(Console::kStatusPage);
    }
    const double pause = settings.pauseMs;
    const double fetch = Bench::median(fetchMs);
    const double diskSwitch = Bench::median(diskMs);
    std::printf("bench_disk: %d runs\n", runs);
    std::printf("  FetchPage (baseline, with its own %.0f ms pause)     median %7.2f ms\n", pause, fetch);
    std::printf("  switch to Disk Utility  median %7.2f ms, beyond the %.0f ms pause %7.2f ms, ratio %.2fx "
                "(target <= 1.5x)\n",
                diskSwitch, pause, diskSwitch - pause, (diskSwitch - pause) / fetch);

    // A refresh of a result from a unit of its own, with the longest stretch in which the event loop did not turn.
    Ui::CurrentDevice().ip = QStringLiteral("127.0.0.1");
    QElapsedTimer turns;
    qint64 lastTurn = 0;
    qint64 longest = 0;
    bool measuring = false;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = turns.nsecsElapsed();
        if (measuring)
            longest = std::max(longest, now - lastTurn);
        lastTurn = now;
    });
    turns.start();
    heartbeat.start();
    struct Refresh {
        double medianMs;
        double medianBlockMs;
        double worstBlockMs;
    };
    const auto refresh = [&](const QByteArray& scan, int times, int blocks) {
        PageServer unit(scan);
        Web::Settings unitSettings = settings;
        unitSettings.devicePort = unit.port();
        Console::ConsoleWindow unitConsole(unitSettings);
        unitConsole.pageControl()->setCurrentIndex(Console::kDiskPage);
        unitConsole.show();
        QApplication::processEvents();
        Console::DiskTab* unitDisk = unitConsole.diskTab();
        std::vector<double> refreshMs;
        std::vector<double> blockMs;
        for (int i = 0; i < times; ++i) {
            unitDisk->diskScanMO()->clear();
            QApplication::processEvents();
            longest = 0;
            lastTurn = turns.nsecsElapsed();
            measuring = true;
            t.start();
            unitDisk->RefreshScanResult();
            refreshMs.push_back(double(t.nsecsElapsed()) / 1e6);
            // The stretch from the refresh's last turn to its end counts too, and so does the paint it asked for.
            QApplication::processEvents();
            longest = std::max(longest, turns.nsecsElapsed() - lastTurn);
            measuring = false;
            blockMs.push_back(double(longest) / 1e6);
            unitDisk->DiskRefBtnClick();
            if (unitDisk->diskScanMO()->blockCount() != blocks)
                ++boxes;
        }
        return Refresh{Bench::median(refreshMs), Bench::median(blockMs),
                       *std::max_element(blockMs.begin(), blockMs.end())};
    };

    constexpr int kLines = 10000;
    const QByteArray big = scanPage(kLines);
    const Refresh many = refresh(big, std::max(5, runs / 4), kLines);
    std::printf("  refresh of a %d-line result (%.0f KB page)  median %7.2f ms (%.1fx FetchPage); longest event-loop "
                "block: median %.2f ms, worst %.2f ms (target <= 50 ms)\n",
                kLines, double(big.size()) / 1024, many.medianMs, many.medianMs / fetch, many.medianBlockMs,
                many.worstBlockMs);

    // One line as long as a page may hold in a list: the window must not freeze on it.
    constexpr int kLongLine = 600000;
    const QByteArray longPage =
        "<HTML>\r\ndisk_fix_enable=\"DISABLE\";\r\ndisk_scan=\"" + QByteArray(kLongLine, 'x') + "\";\r\n</HTML>\r\n";
    const Refresh single = refresh(longPage, std::max(3, runs / 8), 1);
    std::printf("  refresh of one %d-character line  median %7.2f ms (%.1fx FetchPage); longest event-loop block: "
                "median %.2f ms, worst %.2f ms (target <= 50 ms)\n",
                kLongLine, single.medianMs, single.medianMs / fetch, single.medianBlockMs, single.worstBlockMs);
    heartbeat.stop();

    if (boxes > 0)
        std::printf("  WARNING: %d reads failed or left fields empty; figures are not meaningful\n", boxes);
    sim.terminate();
    sim.waitForFinished(3000);
    return boxes > 0 ? 1 : 0;
}
