#include "mount/reconnect_drives.h"

#include "discovery/discovery_scan.h"
#include "drives/unit_match.h"

namespace Mount {

namespace {

using Drives::DriveState;
using Drives::RememberedDrive;

void putName(Platform::SecretAttributes& attributes, const std::string& key, const QByteArray& bytes) {
    if (const auto text = Drives::nameText(bytes))
        attributes[key] = text->toStdString();
    else
        attributes[key + "-bytes"] = bytes.toHex().toStdString();
}

QString unitWords(const RememberedDrive& drive) {
    return QStringLiteral("\"%1\" in group \"%2\"")
        .arg(Discovery::displayText(drive.hostName), Discovery::displayText(drive.groupName));
}

// The share password to connect with; nothing when one is needed and none is to be had.
std::optional<QString> passwordFor(const RememberedDrive& drive, Platform::SecretStore& secrets,
                                   const AskPassword& askPassword, QString& why) {
    if (!drive.passwordKept)
        return QString();
    const Platform::SecretAnswer found = secrets.Lookup(SecretAttributesOf(drive));
    if (found.result == Platform::SecretResult::Done)
        return QString::fromStdString(found.secret);
    why = found.result == Platform::SecretResult::NotFound
              ? QStringLiteral("the secret store holds no password for it")
              : QStringLiteral("there is no secret store (%1)").arg(QString::fromStdString(found.detail));
    if (askPassword) {
        if (auto asked = askPassword(drive))
            return asked;
    }
    return std::nullopt;
}

DriveOutcome reconnect(RememberedDrive& drive, const QList<Discovery::DeviceRow>& rows,
                       Platform::NetworkDrives& platform, Platform::SecretStore& secrets,
                       const AskPassword& askPassword, std::chrono::milliseconds timeout) {
    DriveOutcome outcome;
    const Drives::UnitMatch match = Drives::findUnit(drive, rows);
    if (match.found == Drives::UnitFound::NotFound || match.found == Drives::UnitFound::Ambiguous) {
        drive.state = DriveState::UnitNotFound;
        outcome.words = match.found == Drives::UnitFound::NotFound
                            ? QStringLiteral("unit not found: no unit %1 answered").arg(unitWords(drive))
                            : QStringLiteral("unit not found: %1 answer as %2, none at %3; none of them is used")
                                  .arg(match.answers.join(QStringLiteral(", ")), unitWords(drive), drive.address);
        outcome.drive = drive;
        return outcome;
    }
    if (platform.IsConnected(drive.letter.toLatin1())) {
        drive.state = DriveState::Mounted;
        outcome.words = QStringLiteral("mounted: the letter is connected already");
        outcome.drive = drive;
        return outcome;
    }
    QString why;
    const std::optional<QString> password = passwordFor(drive, secrets, askPassword, why);
    if (!password) {
        drive.state = DriveState::PasswordNeeded;
        outcome.words = QStringLiteral("password needed: %1").arg(why);
        outcome.drive = drive;
        return outcome;
    }
    const MountResult mounted =
        MountShare(platform, {drive.letter, match.address, drive.folder, *password}, false, timeout);
    if (mounted.code != 0) {
        drive.state = DriveState::Refused;
        outcome.words = QStringLiteral("share refused: %1").arg(mounted.errorText);
    } else if (match.found == Drives::UnitFound::NewAddress) {
        outcome.movedFrom = drive.address;
        drive.address = match.address;
        drive.state = DriveState::Moved;
        outcome.words =
            QStringLiteral("mounted at the unit's new address %1 (was %2)").arg(match.address, outcome.movedFrom);
    } else {
        drive.state = DriveState::Mounted;
        outcome.words = QStringLiteral("mounted from %1").arg(match.address);
    }
    outcome.drive = drive;
    return outcome;
}

} // namespace

Platform::SecretAttributes SecretAttributesOf(const RememberedDrive& drive) {
    Platform::SecretAttributes attributes;
    putName(attributes, "host", drive.hostName);
    putName(attributes, "group", drive.groupName);
    attributes["share"] = drive.folder.toStdString();
    attributes["user"] = drive.user.toStdString();
    attributes["letter"] = QString(drive.letter).toStdString();
    return attributes;
}

std::string SecretLabelOf(const RememberedDrive& drive) {
    return QStringLiteral("Zur Edor share %1 (%2)")
        .arg(ShareRemoteName(Discovery::displayText(drive.hostName), drive.folder), ShareLocalName(drive.letter))
        .toStdString();
}

QList<DriveOutcome> ReconnectDrives(QList<RememberedDrive>& drives, const QList<Discovery::DeviceRow>& rows,
                                    Platform::NetworkDrives& platform, Platform::SecretStore& secrets,
                                    const AskPassword& askPassword, std::chrono::milliseconds timeout) {
    QList<DriveOutcome> outcomes;
    for (RememberedDrive& drive : drives)
        outcomes << reconnect(drive, rows, platform, secrets, askPassword, timeout);
    return outcomes;
}

std::optional<Discovery::DeviceRow> AskUnitNames(const QString& ip, quint16 port, std::chrono::milliseconds wait) {
    const Discovery::ScanResult scan = Discovery::ScanOnce({Discovery::targetsFor({ip}), port, wait});
    for (const Discovery::DeviceRow& row : scan.rows) {
        if (row.ip == ip)
            return row;
    }
    return std::nullopt;
}

DriveServices SystemDriveServices(const Base::NetworkSettings& settings) {
    const quint16 port = settings.discoveryPort;
    const QStringList broadcast = settings.broadcast;
    return {Drives::drivesFilePath(QProcessEnvironment::systemEnvironment()), Platform::systemSecretStore(),
            [port](const QString& ip) { return AskUnitNames(ip, port, kUnitNamesWait); },
            [port, broadcast] {
                return Discovery::ScanOnce({Discovery::targetsFor(broadcast), port, kUnitNamesWait}).rows;
            }};
}

RememberResult RememberMounted(const QString& path, const RememberedDrive& drive, const QString& password,
                               Platform::SecretStore& secrets) {
    RememberResult result;
    Drives::DrivesRead read = Drives::loadDrives(path);
    if (read.unreadable) {
        result.failed = QStringLiteral("the drive is not remembered: %1 is left as it is (%2)")
                            .arg(path, read.skipped.join(QStringLiteral("; ")));
        return result;
    }
    if (const auto replaced = Drives::rememberDrive(read.drives, drive); replaced && replaced->passwordKept)
        secrets.Clear(SecretAttributesOf(*replaced));
    if (const auto failed = Drives::saveDrives(path, read.drives)) {
        result.failed = QStringLiteral("the drive is not remembered: %1").arg(*failed);
        return result;
    }
    if (drive.passwordKept) {
        const Platform::SecretAnswer stored =
            secrets.Store(SecretAttributesOf(drive), SecretLabelOf(drive), password.toStdString());
        if (stored.result != Platform::SecretResult::Done)
            result.passwordNotKept = stored.detail.empty() ? QStringLiteral("the secret store did not keep it")
                                                           : QString::fromStdString(stored.detail);
    }
    return result;
}

QString ShownState(const RememberedDrive& drive, Platform::NetworkDrives& platform) {
    if (platform.IsConnected(drive.letter.toLatin1()))
        return Drives::stateWord(drive.state == DriveState::Moved ? DriveState::Moved : DriveState::Mounted);
    if (drive.state == DriveState::Unknown || drive.state == DriveState::Mounted || drive.state == DriveState::Moved)
        return QStringLiteral("not mounted");
    return Drives::stateWord(drive.state);
}

std::optional<FailureNotice> FailureNoticeOf(const QList<DriveOutcome>& outcomes) {
    QStringList lines;
    for (const DriveOutcome& outcome : outcomes) {
        if (!outcome.mounted())
            lines << QStringLiteral("%1 %2: %3")
                         .arg(ShareLocalName(outcome.drive.letter),
                              ShareRemoteName(Discovery::displayText(outcome.drive.hostName), outcome.drive.folder),
                              outcome.words);
    }
    if (lines.isEmpty())
        return std::nullopt;
    return FailureNotice{lines.size() == 1
                             ? QStringLiteral("A Zur Edor drive was not reconnected")
                             : QStringLiteral("%1 Zur Edor drives were not reconnected").arg(lines.size()),
                         lines.join(u'\n')};
}

bool NotifyFailures(const QList<DriveOutcome>& outcomes, Platform::DesktopNotifier& notifier) {
    const std::optional<FailureNotice> notice = FailureNoticeOf(outcomes);
    return notice && notifier.Notify(notice->summary.toStdString(), notice->body.toStdString());
}

} // namespace Mount
