// The console's tab switch (Status, IP Config, SMB Server, FTP Server, Modify FTP) against zuredor-sim on loopback,
// beside one FetchPage measured in the same run.
//
//   bench_console [--runs N]
//
// A switch runs the page's show handler (read the utility page, cut the
// values out, fill the controls) and then the fixed 20 ms pause of the tab
// change. Reported: the median switch beyond that pause, as a ratio to the
// median FetchPage, which itself holds its own 20 ms pause before the read.

#include "console/console_window.h"
#include "console/ftp_rules.h"
#include "console/page_control.h"
#include "console/page_tabs.h"
#include "ui/current_device.h"
#include "ui/message_box.h"
#include "web/page_fetch.h"

#include "bench_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTableWidget>
#include <QTcpServer>
#include <QUdpSocket>

#include <algorithm>
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
    if (!Bench::startSim(sim, port, {}, "bench_console"))
        return 1;

    int boxes = 0;
    Ui::setMessageService(std::make_unique<CountedBoxes>(&boxes));
    Ui::CurrentDevice() = {QStringLiteral("127.0.0.2"), QStringLiteral("admin"), QStringLiteral("admin")};
    Web::Settings settings;
    settings.devicePort = port;
    Console::ConsoleWindow console(settings);
    console.showOnFirstPage();
    QApplication::processEvents();
    auto* host = console.findChild<QLineEdit*>(QStringLiteral("HostEdit"));
    auto* address = console.findChild<QLineEdit*>(QStringLiteral("IPAddressEdit"));
    auto* folders = console.findChild<QListWidget*>(QStringLiteral("SMBFolderLB"));
    auto* accounts = console.findChild<QTableWidget*>(QStringLiteral("AccountLV"));
    auto* account = console.findChild<QLabel*>(QStringLiteral("ModFTPAccLabel"));
    // The Modify FTP page shows the account the unit has selected: the first one, as Modify would.
    console.SendWithRetry(Console::accountModifyChange(console.unit(), "1"), Console::kStatusPage);

    std::vector<double> fetchMs;
    std::vector<double> statusMs;
    std::vector<double> ipMs;
    std::vector<double> smbMs;
    std::vector<double> ftpMs;
    std::vector<double> modifyMs;
    InPlace inPlace;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        const Web::DeviceResponse page = Web::FetchPage(Ui::CurrentDevice(), settings, inPlace);
        fetchMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (page.status != 200)
            ++boxes;

        for (const int tab : {Console::kIpConfigPage, Console::kStatusPage}) {
            (tab == Console::kStatusPage ? host : address)->clear();
            t.start();
            console.pageControl()->setCurrentIndex(tab);
            const double ms = double(t.nsecsElapsed()) / 1e6;
            if ((tab == Console::kStatusPage ? host : address)->text().isEmpty())
                ++boxes;
            (tab == Console::kStatusPage ? statusMs : ipMs).push_back(ms);
        }
        // The SMB page: until both of its lists are filled.
        folders->clear();
        t.start();
        console.pageControl()->setCurrentIndex(Console::kSmbPage);
        smbMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (folders->count() == 0)
            ++boxes;
        // The FTP page until its account list is filled, then the Modify FTP page until it names the account.
        accounts->setRowCount(0);
        t.start();
        console.pageControl()->setCurrentIndex(Console::kFtpPage);
        ftpMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (accounts->rowCount() == 0)
            ++boxes;
        console.setModifyFtpTabVisible(true);
        account->clear();
        t.start();
        console.pageControl()->setCurrentIndex(Console::kModifyFtpPage);
        modifyMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (account->text().isEmpty())
            ++boxes;
        console.pageControl()->setCurrentIndex(Console::kStatusPage);
    }

    const double pause = settings.pauseMs;
    const double fetch = Bench::median(fetchMs);
    std::printf("bench_console: %d runs against zuredor-sim on 127.0.0.2\n", runs);
    std::printf("  FetchPage (baseline, with its own %.0f ms pause)  median %7.2f ms\n", pause, fetch);
    for (const auto& [name, v] :
         {std::pair{"Status", &statusMs}, std::pair{"IP Config", &ipMs}, std::pair{"SMB Server", &smbMs},
          std::pair{"FTP Server", &ftpMs}, std::pair{"Modify FTP", &modifyMs}}) {
        const double m = Bench::median(*v);
        std::printf(
            "  switch to %-10s  median %7.2f ms, beyond the %.0f ms pause %7.2f ms, ratio %.2fx (target <= 1.5x)\n",
            name, m, pause, m - pause, (m - pause) / fetch);
    }
    if (boxes > 0)
        std::printf("  WARNING: %d reads failed or left fields empty; figures are not meaningful\n", boxes);
    sim.terminate();
    sim.waitForFinished(3000);
    return boxes > 0 ? 1 : 0;
}
