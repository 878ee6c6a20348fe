// `zuredor-cli firmware`, `reboot` and `factory-reset`: the console's Maintenance page.

#include "change_sender.h"
#include "command.h"
#include "device_commands.h"

#include "base/localize.h"
#include "console/maintenance_rules.h"
#include "console/page_tabs.h"
#include "web/device_get.h"
#include "web/page_fetch.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace Cli {

namespace {

// How long --wait-back waits for the unit to go away and then to answer again.
constexpr int kGoneWithinMs = 30 * 1000;
constexpr int kBackWithinMs = 5 * 60 * 1000;

QString ipOf(const Invocation& call) {
    return call.arguments.text("IP");
}

Console::UnitAddress unitOf(const Invocation& call) {
    return {ipOf(call), call.global.network.devicePort};
}

// The unit's web page answers at all, whatever it thinks of the credentials.
bool answers(const Invocation& call) {
    Web::Settings settings = Web::settingsFor(call.global.network);
    settings.connectTimeoutMs = 1000;
    settings.readTimeoutMs = 2000;
    settings.exchangeTimeoutMs = 3000;
    return Web::DeviceGet(ipOf(call), call.credentials.user, call.credentials.password, Web::utilityPagePath(),
                          settings)
               .status != 0;
}

// After a restart: the unit leaves the network, then comes back. Says how long that took,
// and only what it saw: a unit that never stopped answering did not restart.
int waitBack(const Invocation& call, PrintingHost& host) {
    QElapsedTimer clock;
    clock.start();
    bool gone = false;
    while (!gone && clock.elapsed() < kGoneWithinMs) {
        gone = !answers(call);
        if (!gone)
            QThread::msleep(250);
    }
    if (!gone) {
        host.showMessage({QStringLiteral("The unit kept answering: it did not restart"),
                          QStringLiteral("System Reboot"), Base::Icon::Information});
        return kExitRefused;
    }
    while (!answers(call)) {
        if (clock.elapsed() > kBackWithinMs) {
            host.say(QStringLiteral("The unit did not answer again within %1 minutes").arg(kBackWithinMs / 60000));
            return kExitUnreachable;
        }
        QThread::msleep(500);
    }
    host.say(QStringLiteral("The unit answered again after %1 s").arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
    return kExitDone;
}

// The requests of the page, in order; the first that fails decides the status.
int sendAll(const Invocation& call, const QList<Console::CgiChange>& changes) {
    ChangeSender sender(call.global, call.credentials, ipOf(call), Console::kMaintenancePage);
    int exitCode = kExitDone;
    for (const Console::CgiChange& change : changes) {
        const int sent = sender.send(change, false);
        if (exitCode == kExitDone)
            exitCode = sent;
    }
    // The window does not look at these answers; a terminal says what the status means.
    if (exitCode == kExitUnreachable && sender.console().printer().lastWords().isEmpty())
        sender.say({QStringLiteral("The unit did not answer the change"), QStringLiteral("Action"), Base::Icon::Error});
    if (exitCode == kExitDone && call.arguments.has("--wait-back"))
        exitCode = waitBack(call, sender.console().printer());
    return sender.finish(exitCode);
}

int runRestart(const Invocation& call, const Base::Refusal& question, const QList<Console::CgiChange>& changes) {
    if (!confirmed(call, question))
        return kExitRefused;
    return sendAll(call, changes);
}

int runReboot(const Invocation& call) {
    return runRestart(call, Console::rebootQuestion(), {Console::rebootChange(unitOf(call))});
}

int runFactoryReset(const Invocation& call) {
    return runRestart(call, Console::factoryDefaultsQuestion(),
                      {Console::factoryDefaultsChange(unitOf(call)), Console::rebootChange(unitOf(call))});
}

// A bar on standard error, redrawn in place, only when a person is watching it; once the
// image is out, how long the unit has been writing it.
class ProgressBar {
public:
    ProgressBar(bool shown, int workBoundMs) : m_shown(shown), m_workBoundMs(workBoundMs) {}
    void update(qint64 sent, qint64 total) {
        if (!m_shown || total <= 0)
            return;
        if (sent == total && m_percent == 100) {
            if (!m_working.isValid())
                m_working.start();
            std::fprintf(stderr, "\r%s   ", qPrintable(Console::workWaitText(m_working.elapsed(), m_workBoundMs)));
            std::fflush(stderr);
            return;
        }
        const int percent = static_cast<int>(sent * 100 / total);
        if (percent == m_percent)
            return;
        m_percent = percent;
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%  %.1f of %.1f MiB", QByteArray(filled, '#').constData(),
                     QByteArray(30 - filled, '.').constData(), percent, double(sent) / 1048576.0,
                     double(total) / 1048576.0);
        std::fflush(stderr);
    }
    ~ProgressBar() {
        if (m_shown && m_percent >= 0)
            std::fputc('\n', stderr);
    }

private:
    bool m_shown;
    int m_workBoundMs;
    int m_percent = -1;
    QElapsedTimer m_working;
};

int failedUpload(const Invocation& call, PrintingHost& host, const Base::Refusal& words, int exitCode) {
    host.showMessage(words);
    if (call.global.json)
        writeFailure(ipOf(call), exitCode, host.lastWords());
    return exitCode;
}

int runFirmware(const Invocation& call) {
    PrintingHost host(call.global.json);
    const QString path = call.arguments.text("FILE");
    // Before the question: a FIFO would hold the upload for good, an empty or endless file is no image.
    if (const auto refusal = Console::firmwareFileRefusal(path))
        return failedUpload(call, host, *refusal, kExitRefused);
    auto body = Console::firmwareBody(path);
    if (!body.ok())
        return failedUpload(call, host, {body.error().detail, QStringLiteral("Firmware Upload"), Base::Icon::Error},
                            kExitRefused);
    if (!confirmed(call, Console::uploadQuestion()))
        return kExitRefused;

    Web::PostResult result;
    {
        const Web::Settings settings = Web::settingsFor(call.global.network);
        ProgressBar bar(!call.global.json && ::isatty(STDERR_FILENO), settings.workTimeoutMs);
        const Web::PostFields fields{call.credentials.user, call.credentials.password,
                                     Console::firmwareReferer(unitOf(call))};
        result = Web::PostMultipart(Console::firmwareUrl(unitOf(call)), *body.value(), fields, settings,
                                    [&bar](qint64 sent, qint64 total) { bar.update(sent, total); });
    }
    switch (Console::judgeUpload(result, unitOf(call))) {
    case Console::UploadVerdict::Accepted:
        break;
    case Console::UploadVerdict::TooLarge:
        return failedUpload(call, host, Console::uploadTooLarge(), kExitRefused);
    case Console::UploadVerdict::Refused:
        return failedUpload(call, host, Console::uploadFailed(), kExitRefused);
    case Console::UploadVerdict::Unreachable:
        return failedUpload(call, host, Console::uploadFailed(), kExitUnreachable);
    case Console::UploadVerdict::Unconfirmed:
        return failedUpload(call, host,
                            {QStringLiteral("The unit answered but did not confirm that it took the image"),
                             QStringLiteral("Firmware Upload"), Base::Icon::Information},
                            kExitRefused);
    }
    host.say(Base::LocalizeText(QStringLiteral("Upload Firmware Successful.")));
    if (call.arguments.has("--no-reboot")) {
        if (call.global.json)
            writeJson({{QStringLiteral("ip"), ipOf(call)}, {QStringLiteral("result"), QStringLiteral("done")}});
        else
            host.say(QStringLiteral("OK"));
        return kExitDone;
    }
    // The OK of the window's second question: the unit restarts into the new image.
    return sendAll(call, {Console::rebootChange(unitOf(call))});
}

const std::vector<Command>& table() {
    using Kind = Argument::Kind;
    const Argument yes{"--yes", "Go ahead without asking; needed without a terminal", Kind::Flag};
    const Argument waitBackFlag{"--wait-back", "Then wait (5 minutes at most) until the unit answers again",
                                Kind::Flag};
    static const std::vector<Command> commands = {
        {"firmware",
         "Upload a firmware image, then reboot the unit into it",
         {unitAddress(),
          {"FILE", "The image file", Kind::Text, true},
          yes,
          {"--no-reboot", "Leave the unit running its present firmware", Kind::Flag},
          waitBackFlag},
         Command::NeedsCredentials,
         runFirmware},
        {"reboot", "Restart the unit", {unitAddress(), yes, waitBackFlag}, Command::NeedsCredentials, runReboot},
        {"factory-reset",
         "Restore the unit's default settings and restart it",
         {unitAddress(), yes, waitBackFlag},
         Command::NeedsCredentials,
         runFactoryReset},
    };
    return commands;
}

} // namespace

std::span<const Command> maintenanceCommands() {
    return table();
}

} // namespace Cli
