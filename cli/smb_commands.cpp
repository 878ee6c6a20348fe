// `zuredor-cli smb ...`: the console's SMB Server page and its three dialogs.

#include "change_sender.h"
#include "command.h"
#include "device_commands.h"
#include "terminal_text.h"

#include "base/localize.h"
#include "base/visible_name.h"
#include "console/page_tabs.h"
#include "console/smb_rules.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>

namespace Cli {

namespace {

Console::UnitAddress unitOf(const Invocation& call) {
    return {call.arguments.text("IP"), call.global.network.devicePort};
}

int sendChange(const Invocation& call, const Console::CgiChange& change) {
    ChangeSender sender(call.global, call.credentials, call.arguments.text("IP"), Console::kSmbPage);
    return sender.finish(sender.send(change, true));
}

int sendChecked(const Invocation& call, const Console::Checked& checked) {
    if (const Base::Refusal* refusal = Console::refusalOf(checked))
        return refuse(call.global, call.arguments.text("IP"), *refusal);
    return sendChange(call, *Console::changeOf(checked));
}

QJsonArray texts(const QList<Web::OptionName>& names) {
    QJsonArray array;
    for (const Web::OptionName& name : names)
        array.append(QString::fromUtf8(Base::visibleName(name.bytes, Base::NameEscape::Json)));
    return array;
}

// The folder (or share) an argument names on the page read just now: its bytes
// as the unit sent them, or the command ends with its words and sends nothing.
struct Picked {
    QByteArray bytes;
    int exitCode = kExitDone;
};

Picked pick(const Invocation& call, const char* argument, Console::ListedKind kind) {
    const QString ip = call.arguments.text("IP");
    const PageRead read = readPage(call.global, call.credentials, ip);
    if (read.exitCode != kExitDone)
        return {{}, read.exitCode};
    const Console::SmbView view = Console::readSmbPage(read.page);
    const QList<Web::OptionName>& names = kind == Console::ListedKind::Share ? view.shares : view.folders;
    const Console::NamedItem found =
        Console::findNamed(names, call.arguments.bytes(argument), kind, QStringLiteral("SMB Server"));
    if (found.refusal)
        return {{}, refuse(call.global, ip, *found.refusal)};
    return {names[found.index].bytes, kExitDone};
}

int runList(const Invocation& call) {
    const QString ip = call.arguments.text("IP");
    const PageRead read = readPage(call.global, call.credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    const Console::SmbView view = Console::readSmbPage(read.page);
    if (view.foldersCut)
        noteListCut("Folder List");
    if (view.sharesCut)
        noteListCut("Sharing List");
    if (call.global.json) {
        writeJson({{QStringLiteral("ip"), ip},
                   {QStringLiteral("folders"), texts(view.folders)},
                   {QStringLiteral("shares"), texts(view.shares)}});
        return kExitDone;
    }
    QByteArray out;
    for (const auto& [caption, names] :
         {std::pair("Folder List", &view.folders), std::pair("Sharing List", &view.shares)}) {
        out += QByteArray(caption) + ":\n";
        for (const Web::OptionName& name : *names)
            out += "  " + Base::visibleName(name.bytes) + '\n';
    }
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
    return kExitDone;
}

int runPublish(const Invocation& call) {
    // A name the window would refuse for its length is refused before the unit is asked.
    const Console::Checked typed =
        Console::publishChange(unitOf(call), Base::nameFromVisible(call.arguments.bytes("FOLDER")));
    if (const Base::Refusal* refusal = Console::refusalOf(typed))
        return refuse(call.global, call.arguments.text("IP"), *refusal);
    const Picked folder = pick(call, "FOLDER", Console::ListedKind::Folder);
    return folder.exitCode != kExitDone ? folder.exitCode
                                        : sendChecked(call, Console::publishChange(unitOf(call), folder.bytes));
}

int runWithdraw(const Invocation& call) {
    const Picked share = pick(call, "SHARE", Console::ListedKind::Share);
    return share.exitCode != kExitDone ? share.exitCode
                                       : sendChecked(call, Console::withdrawChange(unitOf(call), share.bytes));
}

int runDelete(const Invocation& call) {
    const Picked folder = pick(call, "FOLDER", Console::ListedKind::Folder);
    if (folder.exitCode != kExitDone)
        return folder.exitCode;
    const Base::Refusal question = Console::deleteFolderQuestion(folder.bytes);
    if (!confirmed(call, question))
        return kExitRefused;
    return sendChange(call, Console::deleteFolderChange(unitOf(call), folder.bytes));
}

// The dialogs' name rule, with the words of the SMB page's dialogs.
std::optional<QString> checkedName(const Invocation& call, const QString& typed, int& exitCode) {
    const Console::NameRuleResult rule = Console::FolderNameRule(typed, "SMB Server", "SMB Server");
    if (rule.refusal) {
        exitCode = refuse(call.global, call.arguments.text("IP"), *rule.refusal);
        return std::nullopt;
    }
    return rule.name;
}

int runCreate(const Invocation& call) {
    int exitCode = kExitRefused;
    const auto name = checkedName(call, call.arguments.text("NAME"), exitCode);
    return name ? sendChange(call, Console::createFolderChange(unitOf(call), *name)) : exitCode;
}

int runRename(const Invocation& call) {
    int exitCode = kExitRefused;
    const auto name = checkedName(call, call.arguments.text("NEW"), exitCode);
    if (!name)
        return exitCode;
    const Picked old = pick(call, "OLD", Console::ListedKind::Folder);
    return old.exitCode != kExitDone ? old.exitCode
                                     : sendChange(call, Console::renameFolderChange(unitOf(call), *name, old.bytes));
}

int runPassword(const Invocation& call) {
    if (call.arguments.has("PASSWORD") != call.arguments.has("VERIFY"))
        return usageError(QStringLiteral("smb password takes PASSWORD and VERIFY, or neither to be asked for them"),
                          call.global.json);
    QString password = call.arguments.text("PASSWORD");
    QString verify = call.arguments.text("VERIFY");
    // Kept out of the process list: asked for on a terminal, else two lines of standard input.
    if (!call.arguments.has("PASSWORD")) {
        password = askSecret("Password: ");
        verify = askSecret("Verify Password: ");
    }
    const Console::PasswordRuleResult rule = Console::SharePasswordRule(password, verify);
    if (rule.refusal)
        return refuse(call.global, call.arguments.text("IP"), *rule.refusal);
    const Picked share = pick(call, "FOLDER", Console::ListedKind::Share);
    return share.exitCode != kExitDone
               ? share.exitCode
               : sendChange(call, Console::sharePasswordChange(unitOf(call), share.bytes, rule.password, rule.verify));
}

const std::vector<Command>& table() {
    using Kind = Argument::Kind;
    static const std::vector<Command> commands = {
        {"list", "Print the unit's folders and its shares", {unitAddress()}, Command::NeedsCredentials, runList},
        {"publish",
         "Share a folder (its name at most 12 bytes)",
         {unitAddress(), {"FOLDER", "The folder as the unit lists it; 0 is the public folder", Kind::Name, true}},
         Command::NeedsCredentials,
         runPublish},
        {"withdraw",
         "Stop sharing a folder",
         {unitAddress(), {"SHARE", "The share as the unit lists it", Kind::Name, true}},
         Command::NeedsCredentials,
         runWithdraw},
        {"delete",
         "Delete a folder and everything in it",
         {unitAddress(),
          {"FOLDER", "The folder as the unit lists it", Kind::Name, true},
          {"--yes", "Delete without asking; needed without a terminal", Kind::Flag}},
         Command::NeedsCredentials,
         runDelete},
        {"create",
         "Create a folder",
         {unitAddress(), {"NAME", "Letters, digits, -, _ and =; at most 12", Kind::Text, true}},
         Command::NeedsCredentials,
         runCreate},
        {"rename",
         "Rename a folder",
         {unitAddress(),
          {"OLD", "The folder as the unit lists it", Kind::Name, true},
          {"NEW", "Letters, digits, -, _ and =; at most 12", Kind::Text, true}},
         Command::NeedsCredentials,
         runRename},
        {"password",
         "Set a share's password",
         {unitAddress(),
          {"FOLDER", "The share as the unit lists it", Kind::Name, true},
          {"PASSWORD", "At most 12; left out with VERIFY, both are asked for without echo on a terminal, or read "
                       "from standard input, one line each"},
          {"VERIFY", "The password again"}},
         Command::NeedsCredentials,
         runPassword},
    };
    return commands;
}

} // namespace

std::span<const Command> smbCommands() {
    return table();
}

} // namespace Cli
