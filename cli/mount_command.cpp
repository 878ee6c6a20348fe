#include "mount_command.h"

#include "device_commands.h"

#include "mount/mount_share.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <CLI/CLI.hpp>

#include <cstdio>

namespace Cli {

MountCommand::MountCommand(CLI::App& app) {
    m_command = app.add_subcommand("mount", "Map one of a unit's shared folders to a drive letter, as the mount "
                                            "dialog does (on Linux: the link ~/ZurEdor/LETTER)");
    m_command->add_option("IP", m_ip, "The unit's address")->required();
    m_command->add_option("FOLDER", m_folder, "The folder as the unit lists it; 0 is the public folder")->required();
    m_command->add_option("LETTER", m_letter, "A drive letter from D to Z")->required();
    m_command->add_option("--share-password", m_sharePassword, "The folder's share password (default empty)");
    m_command->footer("Global options (zuredor-cli --help) may also follow the command.");
}

bool MountCommand::parsed() const {
    return m_command->parsed();
}

int MountCommand::run(const GlobalOptions& global) const {
    const auto drives = Platform::systemNetworkDrives();
    return runMount(global, *drives,
                    {QString::fromStdString(m_ip), QString::fromStdString(m_folder), QString::fromStdString(m_letter),
                     QString::fromStdString(m_sharePassword.value_or(std::string()))});
}

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
    if (const auto* refusal = std::get_if<App::Refusal>(&checked)) {
        host.showMessage(*refusal);
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
        const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Indented);
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        std::fflush(stdout);
    }
    return exitCode;
}

} // namespace Cli
