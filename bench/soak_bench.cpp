// A long run against one simulated unit that drops one web connection in ten: the console offscreen (page
// switches through all seven pages and changes through the pages' own buttons), then the CLI's set-identity
// command called in this one process. Memory (VmRSS, VmHWM) and open file descriptors, ours and the
// simulator's, at the start (after login and one warm-up round), the middle and the end.
//
//   bench_soak [--switches N] [--changes N] [--cli-changes N] [--drop-every N]
//
// Requests the unit drops fail with the program's usual words; they are counted, not treated as faults. A page
// read the unit drops is repeated by the console without a word, so switches seldom fail; a dropped change is
// said. The run fails when descriptors grow, when memory grows past kRssLimitMiB, or when the figures cannot
// mean anything (nothing failed anywhere, so no drop happened; or most operations failed).

#include "app/app_windows.h"
#include "command.h"
#include "console/console_window.h"
#include "console/ftp_rules.h"
#include "console/page_control.h"
#include "console/page_tabs.h"
#include "login/device_login_window.h"
#include "ui/current_device.h"
#include "ui/message_box.h"

#include "bench_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QThread>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace {

// Growth from the start to the end beyond this is taken for a leak; allocator and cache noise stays well below.
constexpr double kRssLimitMiB = 4.0;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// VmRSS and VmHWM of a process in MiB, from /proc/<pid>/status.
struct Memory {
    double rss = -1;
    double hwm = -1;
};

Memory memoryOf(const QString& pid) {
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    Memory m;
    if (!file.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const auto kib = [&line](const char* name) {
            return line.mid(qsizetype(std::strlen(name))).trimmed().split(' ').value(0).toDouble() / 1024.0;
        };
        if (line.startsWith("VmRSS:"))
            m.rss = kib("VmRSS:");
        else if (line.startsWith("VmHWM:"))
            m.hwm = kib("VmHWM:");
    }
    return m;
}

// Open descriptors of a process: the entries of /proc/<pid>/fd, less the one this listing holds when it lists
// itself.
int descriptorsOf(const QString& pid) {
    DIR* dir = ::opendir(qPrintable(QStringLiteral("/proc/%1/fd").arg(pid)));
    if (!dir)
        return -1;
    const bool self = pid == QLatin1String("self");
    const QByteArray own = QByteArray::number(::dirfd(dir));
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' || (self && own == entry->d_name))
            continue;
        ++count;
    }
    ::closedir(dir);
    return count;
}

// The simulator closes its end of a connection a moment after we close ours: a descriptor only on its way
// out is no leak, and one that leaked stays. So the count is the lowest seen over a short while.
int settledDescriptorsOf(const QString& pid) {
    int lowest = descriptorsOf(pid);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300) {
        QThread::msleep(10);
        lowest = std::min(lowest, descriptorsOf(pid));
    }
    return lowest;
}

struct Sample {
    const char* phase;
    int ops = 0;
    int failures = 0;
    Memory self;
    int fds = 0;
    qsizetype objects = -1; // live QObjects under the console; -1 where there is none
    Memory sim;
    int simFds = 0;
};

Sample sample(const char* phase, int ops, int failures, qsizetype objects, const QProcess& sim) {
    // Sockets of ours that are closed but not yet deleted.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QString simPid = QString::number(sim.processId());
    const int simFds = settledDescriptorsOf(simPid);
    return {phase, ops, failures, memoryOf(s("self")), descriptorsOf(s("self")), objects, memoryOf(simPid), simFds};
}

void printTable(const char* title, const std::vector<Sample>& rows) {
    std::printf("%s\n", title);
    std::printf("  %-6s %6s %9s %9s %5s %8s %9s %11s %8s\n", "phase", "ops", "RSS MiB", "HWM MiB", "fds", "failures",
                "QObjects", "sim RSS MiB", "sim fds");
    for (const Sample& r : rows) {
        std::printf("  %-6s %6d %9.2f %9.2f %5d %8d %9s %11.2f %8d\n", r.phase, r.ops, r.self.rss, r.self.hwm, r.fds,
                    r.failures, r.objects < 0 ? "-" : qPrintable(QString::number(r.objects)), r.sim.rss, r.simFds);
    }
}

// Growth over the run and in each half: a leak grows in both halves, a warm-up only in the first.
bool judgeGrowth(const char* what, const std::vector<Sample>& rows, int ops) {
    const Sample& start = rows.front();
    const Sample& middle = rows[1];
    const Sample& end = rows.back();
    const double rss = end.self.rss - start.self.rss;
    const double simRss = end.sim.rss - start.sim.rss;
    const int fds = end.fds - start.fds;
    const int simFds = end.simFds - start.simFds;
    std::printf("  growth %s: RSS %+.2f MiB (halves %+.2f, %+.2f), fds %+d; simulator RSS %+.2f MiB (halves "
                "%+.2f, %+.2f), fds %+d",
                what, rss, middle.self.rss - start.self.rss, end.self.rss - middle.self.rss, fds, simRss,
                middle.sim.rss - start.sim.rss, end.sim.rss - middle.sim.rss, simFds);
    if (start.objects >= 0)
        std::printf("; QObjects %+lld", static_cast<long long>(end.objects - start.objects));
    std::printf("\n");
    bool ok = true;
    const auto fail = [&ok, what](const char* why) {
        std::printf("  FAILED %s: %s\n", what, why);
        ok = false;
    };
    if (fds > 0 || simFds > 0)
        fail("open file descriptors grew");
    if (rss > kRssLimitMiB || simRss > kRssLimitMiB)
        fail("memory grew past the limit");
    if (start.objects >= 0 && end.objects > start.objects)
        fail("QObjects under the console grew");
    if (end.failures * 2 > ops)
        fail("most operations failed: the figures are not of a working console");
    return ok;
}

// Boxes would wait for a person: each is counted by its words, confirmations answered OK.
class CountedBoxes final : public Ui::MessageService {
public:
    void show(const QString& text, const QString&, Base::Icon) override {
        ++shown;
        ++byText[text];
    }
    bool confirm(const QString&, const QString&, Base::Icon) override { return true; }

    int shown = 0;
    std::map<QString, int> byText;
};

// The console, logged in through the device login, driven by its own controls.
class ConsoleDriver {
public:
    ConsoleDriver(App::WindowSet& windows, CountedBoxes& boxes) : m_windows(windows), m_boxes(boxes) {}

    Console::ConsoleWindow& console() { return m_windows.consoleWindow(); }

    template <class T> T* control(const char* name) {
        T* found = console().findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("bench_soak: the console has no %s", name);
        return found;
    }

    bool logIn() {
        Ui::CurrentDevice().ip = s("127.0.0.2");
        m_windows.deviceLogin().showForPassword();
        m_windows.deviceLogin().passEdit()->setText(s("admin"));
        QTest::mouseClick(m_windows.deviceLogin().findChild<QPushButton*>(s("MenBtn")), Qt::LeftButton);
        QElapsedTimer t;
        t.start();
        while (control<QLineEdit>("HostEdit")->text().isEmpty() && t.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        return console().isVisible() && !control<QLineEdit>("HostEdit")->text().isEmpty();
    }

    // Whether the operation went through without a box.
    bool switchTo(int page) {
        if (page == Console::kModifyFtpPage)
            console().setModifyFtpTabVisible(true);
        return quiet([&] { console().pageControl()->setCurrentIndex(page); });
    }

    // Host name, alternating; the Set button of Identification.
    bool changeHostName() {
        return quiet([&] {
            auto* host = control<QLineEdit>("HostEdit");
            host->setText(host->text() == QLatin1String("SOAK-A") ? s("SOAK-B") : s("SOAK-A"));
            click("identBtn");
        });
    }

    // The FTP port between 21 and 2121; the server stays on.
    bool changeFtpPort() {
        return quiet([&] {
            auto* state = control<QComboBox>("FTPStatusCB");
            state->setCurrentIndex(0);
            auto* port = control<QLineEdit>("FTPPortEdit");
            port->setText(port->text() == QLatin1String("21") ? s("2121") : s("21"));
            click("FTPStatusBtn");
        });
    }

    // One folder published, or withdrawn when it is published: the arrows between the two lists.
    bool toggleShare() {
        return quiet([&] {
            auto* folders = control<QListWidget>("SMBFolderLB");
            auto* shares = control<QListWidget>("SMBPublicFolderLB");
            if (m_folder.isEmpty() && folders->count() > 0)
                m_folder = folders->item(folders->count() - 1)->text();
            const QList<QListWidgetItem*> shared = shares->findItems(m_folder, Qt::MatchExactly);
            const QList<QListWidgetItem*> listed = folders->findItems(m_folder, Qt::MatchExactly);
            if (!shared.isEmpty()) {
                QTest::mouseClick(shares->viewport(), Qt::LeftButton, {}, shares->visualItemRect(shared[0]).center());
                click("MovetoSMBBtn");
            } else if (!listed.isEmpty()) {
                QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, folders->visualItemRect(listed[0]).center());
                click("MovetoPublicBtn");
            } else {
                m_stuck = true; // neither list holds the folder: the page was not read
            }
        });
    }

    // The selected FTP account between read only and read/write: the Modify FTP page's Set button.
    bool toggleAccountAccess() {
        return quiet([&] {
            auto* readOnly = control<QRadioButton>("ModFTPReadRB");
            auto* readWrite = control<QRadioButton>("ModFTPWriteRB");
            (readOnly->isChecked() ? readWrite : readOnly)->setChecked(true);
            click("ModFTPBtn");
        });
    }

    // The Modify FTP page shows the account the unit has selected: the first one, as Modify would.
    void selectFirstAccount() {
        console().SendWithRetry(Console::accountModifyChange(console().unit(), "1"), Console::kStatusPage);
    }

    qsizetype liveObjects() { return console().findChildren<QObject*>().size(); }

private:
    // A button the page left disabled takes no click: that change did not happen.
    void click(const char* name) {
        auto* button = control<QAbstractButton>(name);
        if (!button->isEnabled())
            m_stuck = true;
        else
            QTest::mouseClick(button, Qt::LeftButton);
    }

    // Whether the operation went through: no box, and nothing that kept it from being made.
    bool quiet(const std::function<void()>& operation) {
        const int before = m_boxes.shown;
        m_stuck = false;
        operation();
        QApplication::processEvents();
        if (m_stuck)
            ++stuck;
        return m_boxes.shown == before && !m_stuck;
    }

public:
    int stuck = 0; // operations that could not be made at all, without a box

    App::WindowSet& m_windows;
    CountedBoxes& m_boxes;
    QString m_folder;
    bool m_stuck = false;
};

// A page and the changes made on it each time it comes into view: seven switches and seven changes a round.
struct Visit {
    int page;
    bool (ConsoleDriver::*change)();
    int changes;
};

constexpr Visit kVisits[] = {
    {Console::kStatusPage, &ConsoleDriver::changeHostName, 2},
    {Console::kIpConfigPage, nullptr, 0},
    {Console::kMaintenancePage, nullptr, 0},
    {Console::kSmbPage, &ConsoleDriver::toggleShare, 2},
    {Console::kFtpPage, &ConsoleDriver::changeFtpPort, 2},
    {Console::kModifyFtpPage, &ConsoleDriver::toggleAccountAccess, 1},
    {Console::kDiskPage, nullptr, 0},
};

// Every page once, in an order that changes from round to round. In one fixed order the unit's every-Nth drop
// falls into step with the round and lands on the same kind of connection each time: page reads, which the
// console repeats unseen, so no change would ever meet a drop.
std::vector<Visit> nextRound(std::mt19937& order) {
    std::vector<Visit> visits(std::begin(kVisits), std::end(kVisits));
    std::shuffle(visits.begin(), visits.end(), order);
    return visits;
}

struct ConsoleRun {
    std::vector<Sample> rows;
    int switchFailures = 0;
    int changeFailures = 0;
    int stuck = 0;
    double seconds = 0;
};

std::optional<ConsoleRun> soakConsole(const QProcess& sim, quint16 port, int switches, int changes,
                                      CountedBoxes& boxes) {
    Base::NetworkSettings settings;
    settings.broadcast = {s("127.255.255.255")};
    settings.discoveryPort = Bench::freeUdpPort();
    settings.devicePort = port;
    App::WindowSet windows(settings, [] {});
    ConsoleDriver driver(windows, boxes);
    if (!driver.logIn()) {
        std::fprintf(stderr, "bench_soak: the console did not log in\n");
        return std::nullopt;
    }
    driver.selectFirstAccount();
    for (const Visit& visit : kVisits) {
        driver.switchTo(visit.page);
        for (int i = 0; i < visit.changes; ++i)
            (driver.*visit.change)();
    }
    boxes.byText.clear();
    driver.stuck = 0;

    ConsoleRun run;
    int switched = 0;
    int changed = 0;
    run.rows.push_back(sample("start", 0, 0, driver.liveObjects(), sim));
    bool middleTaken = false;
    QElapsedTimer t;
    t.start();
    std::mt19937 order(1); // the same orders every run
    const auto takeMiddle = [&] {
        if (!middleTaken && switched + changed >= (switches + changes) / 2) {
            middleTaken = true;
            run.rows.push_back(sample("middle", switched + changed, run.switchFailures + run.changeFailures,
                                      driver.liveObjects(), sim));
        }
    };
    while (switched < switches || changed < changes) {
        for (const Visit& visit : nextRound(order)) {
            if (switched < switches) {
                ++switched;
                run.switchFailures += driver.switchTo(visit.page) ? 0 : 1;
                takeMiddle();
            }
            for (int i = 0; i < visit.changes && changed < changes; ++i) {
                ++changed;
                run.changeFailures += (driver.*visit.change)() ? 0 : 1;
                takeMiddle();
            }
        }
    }
    run.seconds = double(t.elapsed()) / 1000.0;
    run.stuck = driver.stuck;
    run.rows.push_back(
        sample("end", switched + changed, run.switchFailures + run.changeFailures, driver.liveObjects(), sim));
    return run;
}

struct CliRun {
    std::vector<Sample> rows;
    std::map<int, int> exitCodes;
    double seconds = 0;
};

// The CLI's words ("OK" a thousand times) go to /dev/null meanwhile; the descriptor that keeps the real
// standard output is open at every sample alike.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int m_saved = -1;
};

std::optional<CliRun> soakCli(const QProcess& sim, quint16 port, int changes) {
    const auto commands = Cli::consoleCommands();
    const auto row = std::find_if(commands.begin(), commands.end(),
                                  [](const Cli::Command& c) { return std::strcmp(c.name, "set-identity") == 0; });
    if (row == commands.end()) {
        std::fprintf(stderr, "bench_soak: the CLI has no set-identity command\n");
        return std::nullopt;
    }
    Cli::GlobalOptions global;
    global.network.broadcast = {s("127.255.255.255")};
    global.network.devicePort = port;
    const Cli::Credentials credentials{s("admin"), s("admin")};
    const auto setIdentity = [&](int i) {
        Cli::Arguments arguments;
        arguments.set("IP", {"127.0.0.2"});
        arguments.set("HOST", {i % 2 ? "SOAK-CLI-A" : "SOAK-CLI-B"});
        arguments.set("GROUP", {"SOAKGROUP"});
        return row->run({global, credentials, arguments});
    };

    CliRun run;
    QuietStdout quiet;
    setIdentity(0); // warm-up
    int failures = 0;
    run.rows.push_back(sample("start", 0, 0, -1, sim));
    QElapsedTimer t;
    t.start();
    for (int i = 1; i <= changes; ++i) {
        const int code = setIdentity(i);
        ++run.exitCodes[code];
        failures += code == Cli::kExitDone ? 0 : 1;
        if (i == changes / 2)
            run.rows.push_back(sample("middle", i, failures, -1, sim));
    }
    run.seconds = double(t.elapsed()) / 1000.0;
    run.rows.push_back(sample("end", changes, failures, -1, sim));
    return run;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ZUREDOR_BROADCAST", "127.255.255.255");
    QApplication app(argc, argv);
    int switches = 500;
    int changes = 500;
    int cliChanges = 1000;
    int dropEvery = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        const int value = std::max(2, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--switches") == 0)
            switches = value;
        else if (std::strcmp(argv[i], "--changes") == 0)
            changes = value;
        else if (std::strcmp(argv[i], "--cli-changes") == 0)
            cliChanges = value;
        else if (std::strcmp(argv[i], "--drop-every") == 0)
            dropEvery = value;
    }

    const quint16 port = Bench::freeTcpPort();
    QProcess sim;
    if (!Bench::startSim(sim, port, {s("--web-drop-every"), QString::number(dropEvery)}, "bench_soak"))
        return 1;
    auto owned = std::make_unique<CountedBoxes>();
    CountedBoxes& boxes = *owned;
    Ui::setMessageService(std::move(owned));

    std::printf("bench_soak: one unit on 127.0.0.2 that drops every %dth web connection\n", dropEvery);
    bool ok = true;
    const std::optional<ConsoleRun> console = soakConsole(sim, port, switches, changes, boxes);
    if (console) {
        printTable("console: page switches and changes, offscreen", console->rows);
        std::printf("  %d switches (%d failed), %d changes (%d failed) in %.1f s, the console's own 20 ms pauses "
                    "before each page read and after each tab change included\n",
                    switches, console->switchFailures, changes, console->changeFailures, console->seconds);
        for (const auto& [text, count] : boxes.byText)
            std::printf("    %5d x \"%s\"\n", count, qPrintable(text));
        if (console->stuck > 0)
            std::printf("    %5d x no box, but the page left nothing to change (a button off, a list empty)\n",
                        console->stuck);
        ok = judgeGrowth("console", console->rows, switches + changes) && ok;
    } else {
        ok = false;
    }

    const std::optional<CliRun> cli = soakCli(sim, port, cliChanges);
    if (cli) {
        printTable("zuredor-cli set-identity, in this process", cli->rows);
        std::printf("  %d changes in %.1f s, by exit status:", cliChanges, cli->seconds);
        for (const auto& [code, count] : cli->exitCodes)
            std::printf(" %d: %d", code, count);
        std::printf("\n");
        ok = judgeGrowth("cli", cli->rows, cliChanges) && ok;
    } else {
        ok = false;
    }

    // The console repeats a page read the unit dropped without a word, so its count may well be nought; the
    // CLI's changes are sent once. Nothing failed anywhere means the drops never happened.
    if (console && cli && console->rows.back().failures + cli->rows.back().failures == 0) {
        std::printf("  FAILED: no operation failed anywhere: the unit's drops never happened, so this run shows "
                    "nothing\n");
        ok = false;
    }

    sim.terminate();
    sim.waitForFinished(3000);
    return ok ? 0 : 1;
}
