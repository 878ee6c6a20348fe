#include "mount_command.h"

#include "device_commands.h"

#include "mount/mount_share.h"

#include <QJsonObject>

namespace Cli {

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
    if (const auto* refusal = std::get_if<Base::Refusal>(&checked)) {
        host.showMessage(*refusal);
        error = host.lastWords();
    } else {
        const Mount::MountResult mounted = Mount::MountShare(drives, std::get<Mount::MountRequest>(checked), false);
        if (mounted.code != 0) {
            error = mounted.errorText;
            host.say(error);
        } else {
            host.showMessage(Mount::MountSuccessBox());
            result = QStringLiteral("mounted");
            exitCode = kExitDone;
        }
    }
    if (global.json) {
        QJsonObject object{{QStringLiteral("ip"), arguments.ip},
                           {QStringLiteral("folder"), arguments.folder},
                           {QStringLiteral("letter"), letter},
                           {QStringLiteral("result"), result}};
        if (!error.isEmpty())
            object.insert(QStringLiteral("error"), error);
        writeJson(object);
    }
    return exitCode;
}

namespace {

// `mount IP FOLDER LETTER [--share-password P]`: the mount dialog's Set, with its words.
int runMountCommand(const Invocation& call) {
    const auto drives = Platform::systemNetworkDrives();
    return runMount(call.global, *drives,
                    {call.arguments.text("IP"), call.arguments.text("FOLDER"), call.arguments.text("LETTER"),
                     call.arguments.text("--share-password")});
}

const Command kMountCommands[] = {
    {"mount",
     "Map one of a unit's shared folders to a drive letter, as the mount dialog does (on Linux: the link "
     "~/ZurEdor/LETTER)",
     {unitAddress(),
      {"FOLDER", "The folder as the unit lists it; 0 is the public folder", Argument::Kind::Text, true},
      {"LETTER", "A drive letter from D to Z", Argument::Kind::Text, true},
      {"--share-password", "The folder's share password (default empty)"}},
     Command::NothingMore,
     runMountCommand},
};

} // namespace

std::span<const Command> mountCommands() {
    return kMountCommands;
}

} // namespace Cli
