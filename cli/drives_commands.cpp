#include "command.h"
#include "device_commands.h"
#include "terminal_text.h"
#include "unit_name.h"

#include "discovery/discovery_scan.h"
#include "mount/reconnect_drives.h"

#include <QJsonArray>
#include <QJsonObject>

namespace Cli {

namespace {

using Drives::DriveState;
using Drives::RememberedDrive;

QString drivesPath() {
    return Drives::drivesFilePath(QProcessEnvironment::systemEnvironment());
}

// The list, with a note on standard error for each entry the file could not give.
Drives::DrivesRead readDrives(const QString& path) {
    Drives::DrivesRead read = Drives::loadDrives(path);
    for (const QString& line : read.skipped)
        note(QStringLiteral("%1: %2").arg(path, line));
    return read;
}

int failWith(bool json, int exitCode, const QString& words, QJsonObject object = {}) {
    note(words);
    if (json) {
        object.insert(QStringLiteral("result"), QString::fromLatin1(resultWord(exitCode)));
        object.insert(QStringLiteral("error"), words);
        writeJson(object);
    }
    return exitCode;
}

QString unreadableWords(const QString& path) {
    return QStringLiteral("%1 is left as it is: mend or remove it first").arg(path);
}

QString shareOf(const RememberedDrive& drive) {
    return Mount::ShareRemoteName(Discovery::displayText(drive.hostName), drive.folder);
}

QJsonObject driveObject(const RememberedDrive& drive) {
    return {{QStringLiteral("letter"), QString(drive.letter)},
            {QStringLiteral("host_name"), Discovery::displayText(drive.hostName)},
            {QStringLiteral("group_name"), Discovery::displayText(drive.groupName)},
            {QStringLiteral("address"), drive.address},
            {QStringLiteral("folder"), drive.folder},
            {QStringLiteral("user"), drive.user}};
}

QString driveLine(const RememberedDrive& drive, const QString& state) {
    return QStringLiteral("%1 %2 (group \"%3\") at %4, as %5: %6")
        .arg(Mount::ShareLocalName(drive.letter), shareOf(drive), Discovery::displayText(drive.groupName),
             drive.address, drive.user, state);
}

// `drives`: the remembered drives and their state.
int runDrivesList(const Invocation& call) {
    const Drives::DrivesRead read = readDrives(drivesPath());
    const auto platform = Platform::systemNetworkDrives();
    PrintingHost host(call.global.json);
    QJsonArray list;
    for (const RememberedDrive& drive : read.drives) {
        const QString state = Mount::ShownState(drive, *platform);
        if (call.global.json) {
            QJsonObject object = driveObject(drive);
            object.insert(QStringLiteral("state"), state);
            list.append(object);
        } else {
            host.say(driveLine(drive, state));
        }
    }
    if (call.global.json)
        writeJson({{QStringLiteral("drives"), list}});
    else if (read.drives.isEmpty() && !read.unreadable)
        note(QStringLiteral("No drive is remembered; zuredor-cli mount IP FOLDER LETTER --remember remembers one"));
    return read.unreadable ? kExitRefused : kExitDone;
}

// `drives reconnect`: one scan, then every remembered drive connected again.
int runDrivesReconnect(const Invocation& call) {
    const bool json = call.global.json;
    const QString path = drivesPath();
    Drives::DrivesRead read = readDrives(path);
    if (read.unreadable)
        return failWith(json, kExitRefused, unreadableWords(path));
    if (read.drives.isEmpty()) {
        note(QStringLiteral("No drive is remembered"));
        if (json)
            writeJson({{QStringLiteral("drives"), QJsonArray()}, {QStringLiteral("result"), QStringLiteral("done")}});
        return kExitDone;
    }
    const Discovery::ScanResult scan = Discovery::ScanOnce(
        {Discovery::targetsFor(call.global.network.broadcast), call.global.network.discoveryPort, kNameScanWait});
    if (scan.error)
        return failWith(json, kExitUnreachable, QStringLiteral("looking for the units: %1").arg(scan.error->detail));

    const auto platform = Platform::systemNetworkDrives();
    const auto secrets = Platform::systemSecretStore();
    const Mount::AskPassword ask = [](const RememberedDrive& drive) {
        const QByteArray prompt = terminalSafe(QStringLiteral("Share password for %1 (%2): ")
                                                   .arg(Mount::ShareLocalName(drive.letter), shareOf(drive))
                                                   .toUtf8());
        return askOnTerminal(prompt.constData());
    };
    const QList<Mount::DriveOutcome> outcomes =
        Mount::ReconnectDrives(read.drives, scan.rows, *platform, *secrets, ask);
    if (const auto failed = Drives::saveDrives(path, read.drives))
        note(QStringLiteral("what was found is not kept: %1").arg(*failed));

    PrintingHost host(json);
    QJsonArray list;
    QStringList failures;
    int exitCode = kExitDone;
    for (const Mount::DriveOutcome& outcome : outcomes) {
        const QString line = QStringLiteral("%1 %2").arg(Mount::ShareLocalName(outcome.drive.letter), outcome.words);
        host.say(line);
        QJsonObject object = driveObject(outcome.drive);
        object.insert(QStringLiteral("state"), Drives::stateWord(outcome.drive.state));
        if (!outcome.movedFrom.isEmpty())
            object.insert(QStringLiteral("moved_from"), outcome.movedFrom);
        if (!outcome.mounted()) {
            object.insert(QStringLiteral("error"), outcome.words);
            failures << line;
            // A refusal or a missing password outweighs a unit that is away.
            exitCode = outcome.drive.state == DriveState::UnitNotFound && exitCode != kExitRefused ? kExitUnreachable
                                                                                                   : kExitRefused;
        }
        list.append(object);
    }
    // At sign-in nobody reads the output: what did not come back goes to the desktop too.
    if (call.arguments.has("--notify") && !Mount::NotifyFailures(outcomes, *Platform::systemDesktopNotifier()) &&
        !failures.isEmpty())
        note(QStringLiteral("No desktop notification service took the report"));
    if (json) {
        QJsonObject object{{QStringLiteral("drives"), list},
                           {QStringLiteral("result"), QString::fromLatin1(resultWord(exitCode))}};
        if (!failures.isEmpty())
            object.insert(QStringLiteral("error"), failures.join(QStringLiteral("; ")));
        writeJson(object);
    }
    return exitCode;
}

// `drives forget LETTER`: the drive and its kept password.
int runDrivesForget(const Invocation& call) {
    const bool json = call.global.json;
    const QString letter = call.arguments.text("LETTER").toUpper();
    const QJsonObject named{{QStringLiteral("letter"), letter}};
    if (letter.size() != 1 || letter.front() < u'D' || letter.front() > u'Z')
        return usageError(QStringLiteral("LETTER: a drive letter from D to Z"), json);
    const QString path = drivesPath();
    Drives::DrivesRead read = readDrives(path);
    if (read.unreadable)
        return failWith(json, kExitRefused, unreadableWords(path), named);
    const std::optional<RememberedDrive> forgotten = Drives::forgetDrive(read.drives, letter.front());
    if (!forgotten)
        return failWith(json, kExitRefused, QStringLiteral("No drive is remembered at %1").arg(letter), named);
    if (const auto failed = Drives::saveDrives(path, read.drives))
        return failWith(json, kExitRefused, *failed, named);
    if (forgotten->passwordKept) {
        const Platform::SecretAnswer cleared =
            Platform::systemSecretStore()->Clear(Mount::SecretAttributesOf(*forgotten));
        if (cleared.result == Platform::SecretResult::Unavailable)
            note(QStringLiteral("The secret store could not be asked to remove the share password (%1); if it kept "
                                "one, remove it there")
                     .arg(QString::fromStdString(cleared.detail)));
    }
    if (json)
        writeJson({{QStringLiteral("letter"), letter}, {QStringLiteral("result"), QStringLiteral("done")}});
    else
        PrintingHost(false).say(QStringLiteral("OK"));
    return kExitDone;
}

const Command kDrivesList{"drives",
                          "List the remembered drives (mount --remember) and their state: mounted, not mounted, at a "
                          "new address, unit not found, refused, password needed",
                          {},
                          Command::NothingMore,
                          runDrivesList};

const Command kDrivesCommands[] = {
    {"reconnect",
     "Connect every remembered drive again: one scan finds each unit by its host and group names, at its new "
     "address if it moved; the share password comes from the desktop's secret store, or is asked for on a terminal",
     {{"--notify",
       "Also report the drives that did not come back in one desktop notification (the sign-in's autostart entry "
       "runs this)",
       Argument::Kind::Flag}},
     Command::NothingMore,
     runDrivesReconnect},
    {"forget",
     "Forget the drive of a letter and its share password in the secret store; its connection stays until it is "
     "ejected",
     {Argument("LETTER", "The drive's letter, D to Z", Argument::Kind::Text, true)},
     Command::NothingMore,
     runDrivesForget},
};

} // namespace

const Command& drivesListCommand() {
    return kDrivesList;
}

std::span<const Command> drivesCommands() {
    return kDrivesCommands;
}

} // namespace Cli
