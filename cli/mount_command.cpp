#include "mount_command.h"

#include "device_commands.h"
#include "unit_name.h"

#include "drives/remembered_drives.h"
#include "mount/mount_share.h"
#include "mount/reconnect_drives.h"

#include <QJsonObject>
#include <QProcessEnvironment>

namespace Cli {

namespace {

// The name the share is connected as: the user's own, as the platform takes it.
QString localUser() {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString user = environment.value(QStringLiteral("USER"));
    return user.isEmpty() ? environment.value(QStringLiteral("USERNAME")) : user;
}

// Keeps the mounted drive in the list and its password in the secret store; the words of a failure.
std::optional<QString> rememberMounted(const Drives::RememberedDrive& drive, const QString& password) {
    const auto secrets = Platform::systemSecretStore();
    const Mount::RememberResult kept = Mount::RememberMounted(
        Drives::drivesFilePath(QProcessEnvironment::systemEnvironment()), drive, password, *secrets);
    if (!kept.failed.isEmpty())
        return kept.failed;
    if (!kept.passwordNotKept.isEmpty())
        note(QStringLiteral("The share password is not kept (%1): zuredor-cli drives reconnect will ask for it")
                 .arg(kept.passwordNotKept));
    return std::nullopt;
}

} // namespace

int runMount(const GlobalOptions& global, Platform::NetworkDrives& drives, const MountArguments& arguments) {
    PrintingHost host(global.json);
    const QString letter = arguments.letter.toUpper();
    // A letter the dialog would not offer counts as none chosen.
    const bool offered = letter.size() == 1 && Mount::OfferedDriveLetters(drives).contains(letter);
    const auto checked = Mount::CheckMountChoice(
        {offered ? letter : QString(), arguments.folder, arguments.sharePassword, arguments.ip});

    QString result = QStringLiteral("refused");
    QString error;
    int exitCode = kExitRefused;
    std::optional<Discovery::DeviceRow> unit;
    if (const auto* refusal = std::get_if<Base::Refusal>(&checked)) {
        host.showMessage(*refusal);
        error = host.lastWords();
    } else if (arguments.remember &&
               !(unit = Mount::AskUnitNames(arguments.ip, global.network.discoveryPort, kNameScanWait))) {
        // Without its names the unit could not be found again: nothing is mounted.
        error = QStringLiteral("%1 did not answer discovery within %2 s, so the drive cannot be remembered; nothing "
                               "was mounted")
                    .arg(arguments.ip)
                    .arg(static_cast<double>(kNameScanWait.count()) / 1000.0);
        note(error);
        exitCode = kExitUnreachable;
        result = QString::fromLatin1(resultWord(exitCode));
    } else {
        const auto& request = std::get<Mount::MountRequest>(checked);
        const Mount::MountResult mounted = Mount::MountShare(drives, request, false);
        if (mounted.code != 0) {
            error = mounted.errorText;
            host.say(error);
        } else {
            host.showMessage(Mount::MountSuccessBox());
            result = QStringLiteral("mounted");
            exitCode = kExitDone;
            if (unit) {
                const Drives::RememberedDrive drive{request.letter,
                                                    unit->reply.hostName,
                                                    unit->reply.groupName,
                                                    arguments.ip,
                                                    arguments.folder,
                                                    localUser(),
                                                    !arguments.sharePassword.isEmpty(),
                                                    Drives::DriveState::Mounted};
                if (const auto failed = rememberMounted(drive, arguments.sharePassword)) {
                    error = *failed;
                    note(error);
                    exitCode = kExitRefused;
                }
            }
        }
    }
    if (global.json) {
        QJsonObject object{{QStringLiteral("ip"), arguments.ip},
                           {QStringLiteral("folder"), arguments.folder},
                           {QStringLiteral("letter"), letter},
                           {QStringLiteral("result"), result}};
        if (arguments.remember)
            object.insert(QStringLiteral("remembered"), unit.has_value() && exitCode == kExitDone);
        if (!error.isEmpty())
            object.insert(QStringLiteral("error"), error);
        writeJson(object);
    }
    return exitCode;
}

namespace {

// `mount IP FOLDER LETTER [--share-password P] [--remember]`: the mount dialog's Set, with its words.
int runMountCommand(const Invocation& call) {
    const auto drives = Platform::systemNetworkDrives();
    return runMount(call.global, *drives,
                    {call.arguments.text("IP"), call.arguments.text("FOLDER"), call.arguments.text("LETTER"),
                     call.arguments.text("--share-password"), call.arguments.has("--remember")});
}

const Command kMountCommands[] = {
    {"mount",
     "Map one of a unit's shared folders to a drive letter, as the mount dialog does (on Linux: the link "
     "~/ZurEdor/LETTER)",
     {unitAddress(),
      {"FOLDER", "The folder as the unit lists it; 0 is the public folder", Argument::Kind::Text, true},
      {"LETTER", "A drive letter from D to Z", Argument::Kind::Text, true},
      {"--share-password", "The folder's share password (default empty)"},
      {"--remember",
       "Reconnect the drive at sign-in: the unit is kept by its host and group names, which it is asked for first, "
       "the share password only in the desktop's secret store (zuredor-cli drives)",
       Argument::Kind::Flag}},
     Command::NothingMore,
     runMountCommand},
};

} // namespace

std::span<const Command> mountCommands() {
    return kMountCommands;
}

} // namespace Cli
