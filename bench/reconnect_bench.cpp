// Reconnecting remembered drives at sign-in against one plain mount, on real
// smbd shares and GVfs in a network namespace the benchmark makes (root only),
// with a gnome-keyring of its own; nothing leaves the namespace.
//
//   bench_reconnect [--rounds N]
//
// Three shares of a unit are remembered on letters of their own (mount
// --remember): Documents and Music behind a password, the public folder without. Each round is a fresh sign-in for each
// of: one `zuredor-cli mount` of the first unit's Documents (the baseline), one `zuredor-cli scan` (discovery's scan
// time), and `drives reconnect` of the three drives. The target: reconnect ends within the scan time plus 1 s of
// mounting per drive.

#include "bench_support.h"

#include "support/cli_run.h"
#include "support/desktop_session.h"
#include "support/sim_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

const char* const kInside = "ZUREDOR_RECONNECT_BENCH_INSIDE";
const QString kUnit = QStringLiteral("127.0.0.2");
const QStringList kFolders{QStringLiteral("Documents"), QStringLiteral("Music"), QStringLiteral("0")};
const QStringList kPasswords{QStringLiteral("secret"), QStringLiteral("secret"), QString()};
const QStringList kLetters{QStringLiteral("F"), QStringLiteral("G"), QStringLiteral("H")};
constexpr int kDrives = 3;

int inside(const QString& work, int rounds) {
    const quint16 discovery = Bench::freeUdpPort();
    TestSupport::SimProcess sim({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--first-address"),
                                 kUnit, QStringLiteral("--discovery-port"), QString::number(discovery),
                                 QStringLiteral("--smb"), work + QStringLiteral("/smb")});
    if (!sim.start(30000)) {
        std::fprintf(stderr, "bench_reconnect: the simulator did not start: %s\n", qPrintable(sim.output()));
        return 1;
    }
    const QString home = QDir::homePath();
    int sessions = 0;
    // One sign-in: `command` run in it, its wall time in ms, or -1 (said) when it failed.
    const auto timed = [&](const QList<QStringList>& commands) {
        TestSupport::DesktopSession session(
            {home, work + QStringLiteral("/run-%1").arg(++sessions), true, "keyring password", false});
        if (const QString failed = session.start(); !failed.isEmpty()) {
            std::fprintf(stderr, "bench_reconnect: %s\n", qPrintable(failed));
            return -1.0;
        }
        QProcessEnvironment environment = session.environment();
        environment.insert(QStringLiteral("ZUREDOR_BROADCAST"), QStringLiteral("127.255.255.255"));
        environment.insert(QStringLiteral("ZUREDOR_DISCOVERY_PORT"), QString::number(discovery));
        double last = 0;
        for (const QStringList& command : commands) {
            const TestSupport::CliRun run = TestSupport::runCli(command, environment, 60000);
            if (!run.finished || run.exitCode != 0) {
                std::fprintf(stderr, "bench_reconnect: %s failed (%d): %s%s\n", qPrintable(command.join(u' ')),
                             run.exitCode, run.out.constData(), run.err.constData());
                return -1.0;
            }
            last = static_cast<double>(run.wallMs);
        }
        return last;
    };

    // The unit's one Samba account has one password: Music gets that of Documents.
    const TestSupport::CliRun music =
        TestSupport::runCli({QStringLiteral("smb"), QStringLiteral("password"), kUnit, QStringLiteral("Music"),
                             kPasswords[1], kPasswords[1], QStringLiteral("-p"), QStringLiteral("admin"),
                             QStringLiteral("--device-port"), QString::number(sim.devicePort())});
    if (music.exitCode != 0) {
        std::fprintf(stderr, "bench_reconnect: smb password: %s\n", music.out.constData());
        return 1;
    }
    QList<QStringList> remember;
    for (int i = 0; i < kDrives; ++i) {
        remember << QStringList{QStringLiteral("mount"), kUnit, kFolders[i], kLetters[i], QStringLiteral("--remember")};
        if (!kPasswords[i].isEmpty())
            remember.back() << QStringLiteral("--share-password") << kPasswords[i];
    }
    if (timed(remember) < 0)
        return 1;

    std::vector<double> mounts;
    std::vector<double> scans;
    std::vector<double> reconnects;
    for (int round = 0; round < rounds; ++round) {
        const double mount = timed({{QStringLiteral("mount"), kUnit, QStringLiteral("Documents"), QStringLiteral("E"),
                                     QStringLiteral("--share-password"), QStringLiteral("secret")}});
        const double scan = timed({{QStringLiteral("scan")}});
        const double reconnect = timed({{QStringLiteral("drives"), QStringLiteral("reconnect")}});
        if (mount < 0 || scan < 0 || reconnect < 0)
            return 1;
        mounts.push_back(mount);
        scans.push_back(scan);
        reconnects.push_back(reconnect);
        std::printf("round %d: mount %.0f ms, scan %.0f ms, reconnect of %d drives %.0f ms\n", round + 1, mount, scan,
                    kDrives, reconnect);
        std::fflush(stdout);
    }
    const double mount = Bench::median(mounts);
    const double scan = Bench::median(scans);
    const double reconnect = Bench::median(reconnects);
    const double target = scan + 1000.0 * kDrives;
    std::printf("median of %d rounds (each a fresh sign-in, whole zuredor-cli processes):\n", rounds);
    std::printf("  zuredor-cli mount, one share:        %8.0f ms (baseline)\n", mount);
    std::printf("  zuredor-cli scan:                    %8.0f ms\n", scan);
    std::printf("  drives reconnect, %d drives:          %8.0f ms = %.2f x the mount, max %.0f ms\n", kDrives,
                reconnect, reconnect / mount, *std::max_element(reconnects.begin(), reconnects.end()));
    std::printf("  reconnect / (scan + 1 s per drive) = %.0f / %.0f = %.2f (target: <= 1)\n", reconnect, target,
                reconnect / target);
    return reconnect <= target ? 0 : 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int rounds = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    if (const QString work = qEnvironmentVariable(kInside); !work.isEmpty())
        return inside(work, rounds);

    if (::geteuid() != 0 || !QFileInfo::exists(QStringLiteral("/dev/fuse"))) {
        std::printf("bench_reconnect: skipped: it needs root (a network namespace for smbd) and /dev/fuse (GVfs)\n");
        return 0;
    }
    for (const QString& tool : {QStringLiteral("ip"), QStringLiteral("smbd"), QStringLiteral("dbus-daemon"),
                                QStringLiteral("gnome-keyring-daemon"), QStringLiteral("gio")}) {
        if (QStandardPaths::findExecutable(tool).isEmpty() &&
            QStandardPaths::findExecutable(tool, {QStringLiteral("/usr/sbin")}).isEmpty()) {
            std::printf("bench_reconnect: skipped: %s is missing (scripts/bootstrap installs it)\n", qPrintable(tool));
            return 0;
        }
    }
    const QString space = QStringLiteral("zuredor-bench-%1").arg(::getpid());
    const auto ip = [](const QStringList& arguments) {
        const TestSupport::CliRun run = TestSupport::runTool(QStringLiteral("ip"), arguments);
        return run.finished && run.exitCode == 0;
    };
    if (!ip({QStringLiteral("netns"), QStringLiteral("add"), space})) {
        std::printf("bench_reconnect: skipped: cannot make a network namespace here\n");
        return 0;
    }
    bool ready = ip({QStringLiteral("-n"), space, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                     QStringLiteral("up")});
    ready = ready && ip({QStringLiteral("-n"), space, QStringLiteral("addr"), QStringLiteral("add"),
                         kUnit + QStringLiteral("/8"), QStringLiteral("dev"), QStringLiteral("lo")});
    int code = 1;
    {
        QTemporaryDir work;
        const QString home = work.filePath(QStringLiteral("home"));
        if (ready && work.isValid() && QDir().mkpath(home)) {
            QProcessEnvironment environment = TestSupport::cleanEnvironment();
            environment.insert(QStringLiteral("HOME"), home);
            environment.insert(QString::fromLatin1(kInside), work.path());
            const TestSupport::CliRun run = TestSupport::runTool(QStringLiteral("ip"),
                                                                 {QStringLiteral("netns"), QStringLiteral("exec"),
                                                                  space, QCoreApplication::applicationFilePath(),
                                                                  QStringLiteral("--rounds"), QString::number(rounds)},
                                                                 600000, environment);
            std::fwrite(run.out.constData(), 1, static_cast<size_t>(run.out.size()), stdout);
            std::fwrite(run.err.constData(), 1, static_cast<size_t>(run.err.size()), stderr);
            code = run.finished ? run.exitCode : 1;
        }
    }
    ip({QStringLiteral("netns"), QStringLiteral("delete"), space});
    return code;
}
