// `zuredor-cli disk ...`: the console's Disk Utility page.

#include "change_sender.h"
#include "command.h"
#include "device_commands.h"
#include "terminal_text.h"

#include "base/list_bounds.h"
#include "console/disk_rules.h"
#include "console/field_limits.h"
#include "console/maintenance_rules.h"
#include "console/page_tabs.h"
#include "login/login_check.h"
#include "web/page_fetch.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace Cli {

namespace {

Console::UnitAddress unitOf(const Invocation& call) {
    return {call.arguments.text("IP"), call.global.network.devicePort};
}

int sendChange(const Invocation& call, const Console::CgiChange& change, bool repeated) {
    ChangeSender sender(call.global, call.credentials, call.arguments.text("IP"), Console::kDiskPage);
    return sender.finish(sender.send(change, repeated));
}

void writeOut(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

QJsonArray texts(const QList<QByteArray>& lines) {
    QJsonArray array;
    for (const QByteArray& line : lines)
        array.append(QString::fromUtf8(line));
    return array;
}

int runShow(const Invocation& call) {
    const QString ip = call.arguments.text("IP");
    const PageRead read = readPage(call.global, call.credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    const Console::DiskView view = Console::readDiskPage(read.page);
    if (view.scanCut)
        noteListCut("Scan result");
    if (call.global.json) {
        writeJson({{QStringLiteral("ip"), ip},
                   {QStringLiteral("sleep_minutes"), view.sleepMinutes},
                   {QStringLiteral("can_clear"), view.canClear},
                   {QStringLiteral("scan_result"), texts(view.scanResult)}});
        return kExitDone;
    }
    QByteArray out = "Sleep Time (min): " + terminalSafe(view.sleepMinutes.toUtf8()) + '\n';
    out += QByteArray("Scan result can be cleared: ") + (view.canClear ? "yes" : "no") + '\n';
    out += "Scan result:\n";
    for (const QByteArray& line : view.scanResult)
        out += "  " + terminalSafe(line) + '\n';
    writeOut(out);
    return kExitDone;
}

int runFormat(const Invocation& call) {
    if (!confirmed(call, Console::formatQuestion()))
        return kExitRefused;
    // A unit answers a format when its disk is done: a person watching is told how long that may be.
    if (!call.global.json && ::isatty(STDERR_FILENO)) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(Console::workWaitText(0, Web::settingsFor(call.global.network).workTimeoutMs)));
        std::fflush(stderr);
    }
    return sendChange(call, Console::formatChange(unitOf(call)), false);
}

int runSleep(const Invocation& call) {
    const QString ip = call.arguments.text("IP");
    const QString minutes = call.arguments.text("MINUTES");
    // The window's field takes two characters; a longer value never reaches its check.
    if (const auto refusal = Console::tooLong(minutes, Console::kSleepTimeLength, "Sleep Time", "Disk Tools"))
        return refuse(call.global, ip, *refusal);
    const Console::Checked checked = Console::sleepTimeChange(unitOf(call), minutes);
    if (const Base::Refusal* refusal = Console::refusalOf(checked))
        return refuse(call.global, ip, *refusal);
    return sendChange(call, *Console::changeOf(checked), true);
}

int runClear(const Invocation& call) {
    const QString ip = call.arguments.text("IP");
    // The window's button is off while the unit says DISABLE: ask the unit first.
    const PageRead read = readPage(call.global, call.credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    if (!Console::readDiskPage(read.page).canClear)
        return refuse(call.global, ip,
                      {QStringLiteral("The unit does not let its scan result be cleared now"),
                       QStringLiteral("Scan Disk "), Base::Icon::Information});
    if (!confirmed(call, Console::scanClearQuestion()))
        return kExitRefused;
    return sendChange(call, Console::scanClearChange(unitOf(call)), false);
}

volatile sig_atomic_t g_interrupted = 0;

extern "C" void stopFollowing(int) {
    g_interrupted = 1;
}

// Waits up to `seconds`, in short slices so that Ctrl-C ends the wait at once.
void pause(double seconds) {
    const QDeadlineTimer until(static_cast<qint64>(seconds * 1000));
    while (!g_interrupted && !until.hasExpired())
        QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(until.remainingTime(), 1, 100)));
}

// The result read again and again, as the window's refresh does, with only
// what is new printed: the lines after those printed before. A result the
// unit rewrote, so that what was printed is no longer its beginning, is said
// and printed again whole. A bound is said each time it is reached, not at
// every read. Ctrl-C ends it, and that is the way it ends: status 0.
int followScan(const Invocation& call) {
    const QString ip = call.arguments.text("IP");
    const double interval = call.arguments.decimal("--interval", Console::kScanRefreshTicks);
    const Web::Settings settings = Web::settingsFor(call.global.network);
    const Web::DeviceContext device = contextFor(call.credentials, ip);
    PrintingHost host(call.global.json);

#ifdef Q_OS_WIN
    // Windows runs the handler on a thread of its own and has no sigaction.
    const auto previous = std::signal(SIGINT, stopFollowing);
#else
    struct sigaction interrupt {};
    interrupt.sa_handler = stopFollowing;
    sigemptyset(&interrupt.sa_mask);
    struct sigaction previous {};
    ::sigaction(SIGINT, &interrupt, &previous);
#endif

    int exitCode = kExitDone;
    QList<QByteArray> printed;
    bool overCap = false;
    bool cut = false;
    for (bool first = true; !g_interrupted; first = false) {
        if (!first)
            pause(interval);
        if (g_interrupted)
            break;
        const Web::DeviceResponse response =
            Web::ReadUtilityPage(device, settings, QDeadlineTimer(settings.retryBudgetMs));
        if (response.status == 401 && !response.page.isEmpty()) {
            host.showMessage(*Login::LoginRefusal(Login::CheckResult::Refused));
            exitCode = kExitCredentials;
            break;
        }
        // The unit answers, with more than is read: not a dead unit, and no news until that changes.
        const bool tooLarge = response.error.kind == Web::ErrorKind::TooLarge;
        if (tooLarge && !overCap)
            note(QStringLiteral("The unit's page is larger than %1 MiB, the most that is read: the unit answers, "
                                "but its scan result cannot be shown")
                     .arg(settings.readCap / (qsizetype{1024} * 1024)));
        overCap = tooLarge;
        if (tooLarge)
            continue;
        // Like the window, a unit that does not answer is said and asked again at the next turn.
        if (response.page.isEmpty() || response.status != 200) {
            host.showMessage({QStringLiteral("Connection Fail"), QStringLiteral("Connect"), Base::Icon::Error});
            continue;
        }
        const Console::DiskView view = Console::readDiskPage(response.page);
        if (view.scanCut && !cut)
            note(QStringLiteral("The scan result has reached the %1 lines (or %2 MiB of text) that are kept: "
                                "lines after them are not shown")
                     .arg(Base::kMaxListEntries)
                     .arg(Base::kMaxListText / (qsizetype{1024} * 1024)));
        cut = view.scanCut;
        const QList<QByteArray>& lines = view.scanResult;
        const bool grown =
            lines.size() >= printed.size() && std::equal(printed.cbegin(), printed.cend(), lines.cbegin());
        if (!grown)
            note(lines.isEmpty() ? QStringLiteral("The unit cleared its scan result")
                                 : QStringLiteral("The unit rewrote its scan result; it follows again in full"));
        const QList<QByteArray> fresh = grown ? lines.sliced(printed.size()) : lines;
        printed = lines;
        if (fresh.isEmpty())
            continue;
        if (call.global.json) {
            QJsonObject batch{{QStringLiteral("ip"), ip}, {QStringLiteral("scan_result"), texts(fresh)}};
            if (!grown)
                batch.insert(QStringLiteral("rewritten"), true);
            writeOut(QJsonDocument(batch).toJson(QJsonDocument::Compact) + '\n');
            continue;
        }
        QByteArray out;
        for (const QByteArray& line : fresh)
            out += terminalSafe(line) + '\n';
        writeOut(out);
    }
#ifdef Q_OS_WIN
    std::signal(SIGINT, previous);
#else
    ::sigaction(SIGINT, &previous, nullptr);
#endif
    return exitCode;
}

int runScan(const Invocation& call) {
    if (!confirmed(call, Console::scanStartQuestion()))
        return kExitRefused;
    const int exitCode = sendChange(call, Console::scanStartChange(unitOf(call)), false);
    if (exitCode != kExitDone || !call.arguments.has("--follow"))
        return exitCode;
    return followScan(call);
}

Argument yes(const char* help) {
    return {"--yes", help, Argument::Kind::Flag};
}

const std::vector<Command>& table() {
    using Kind = Argument::Kind;
    static const std::vector<Command> commands = {
        {"show",
         "Print the sleep time, whether the scan result can be cleared, and the scan result",
         {unitAddress()},
         Command::NeedsCredentials,
         runShow},
        {"format",
         "Format the unit's disk: every folder and file on it is erased",
         {unitAddress(), yes("Format without asking; needed without a terminal")},
         Command::NeedsCredentials,
         runFormat},
        {"sleep",
         "Set how long the disk idles before it sleeps",
         {unitAddress(), {"MINUTES", "0 to disable, 5 to 60 to enable; sent as typed", Kind::Text, true}},
         Command::NeedsCredentials,
         runSleep},
        {"clear",
         "Clear the scan result",
         {unitAddress(), yes("Clear without asking; needed without a terminal")},
         Command::NeedsCredentials,
         runClear},
        {"scan",
         "Start a surface scan of the disk",
         {unitAddress(),
          yes("Start without asking; needed without a terminal"),
          {"--follow", "Then print the result as it grows, new lines only, until Ctrl-C", Kind::Flag},
          Argument("--interval", "Seconds between reads with --follow (default 30)", Kind::Decimal)
              .between(0.01, 86400)},
         Command::NeedsCredentials,
         runScan},
    };
    return commands;
}

} // namespace

std::span<const Command> diskCommands() {
    return table();
}

} // namespace Cli
