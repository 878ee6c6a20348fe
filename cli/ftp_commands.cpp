// `zuredor-cli ftp ...`: the console's FTP Server page, its account dialog and
// the Modify FTP page of one account. Accounts are named by their user name as
// the list shows it; the requests carry what the window would take from the row.

#include "change_sender.h"
#include "command.h"
#include "device_commands.h"
#include "terminal_text.h"

#include "base/visible_name.h"

#include "console/ftp_rules.h"
#include "console/page_tabs.h"
#include "console/smb_rules.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <cstdio>

namespace Cli {

namespace {

Console::UnitAddress unitOf(const Invocation& call) {
    return {call.arguments.text("IP"), call.global.network.devicePort};
}

QString ipOf(const Invocation& call) {
    return call.arguments.text("IP");
}

void print(const QByteArray& out) {
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
}

QString jsonName(const QByteArray& name) {
    return QString::fromUtf8(Base::visibleName(name, Base::NameEscape::Json));
}

QJsonArray texts(const QList<Web::OptionName>& names) {
    QJsonArray array;
    for (const Web::OptionName& name : names)
        array.append(jsonName(name.bytes));
    return array;
}

QByteArray listed(const char* caption, const QList<Web::OptionName>& names) {
    QByteArray out = QByteArray(caption) + ":\n";
    for (const Web::OptionName& name : names)
        out += "  " + Base::visibleName(name.bytes) + '\n';
    return out;
}

QByteArray line(const char* caption, QByteArrayView value) {
    return QByteArray(caption) + ": " + terminalSafe(value) + '\n';
}

struct FtpRead {
    Console::FtpView view;
    int exitCode = kExitDone;
};

FtpRead readFtp(const Invocation& call) {
    const PageRead read = readPage(call.global, call.credentials, ipOf(call));
    if (read.exitCode != kExitDone)
        return {{}, read.exitCode};
    return {Console::readFtpPage(read.page), kExitDone};
}

// USER's row on the FTP page; without one the command ends with its words, nothing sent.
struct AccountFound {
    std::optional<Console::FtpAccountRow> row;
    int exitCode = kExitDone;
};

AccountFound findAccount(const Invocation& call) {
    const FtpRead read = readFtp(call);
    if (read.exitCode != kExitDone)
        return {std::nullopt, read.exitCode};
    QList<QByteArray> users;
    for (const Console::FtpAccountRow& row : read.view.accounts)
        users.append(row.user);
    const Console::NamedItem found = Console::findNamed(users, call.arguments.bytes("USER"),
                                                        Console::ListedKind::Account, QStringLiteral("Account List"));
    if (found.refusal)
        return {std::nullopt, refuse(call.global, ipOf(call), *found.refusal)};
    return {read.view.accounts[found.index], kExitDone};
}

// The account as the Modify FTP page shows it once the window's Modify selected it.
struct AccountSelected {
    Console::FtpAccountView view;
    int exitCode = kExitDone;
};

AccountSelected selectAccount(const Invocation& call, ChangeSender& sender, const Console::FtpAccountRow& row) {
    const int sent = sender.send(Console::accountModifyChange(unitOf(call), row.value), true);
    if (sent != kExitDone)
        return {{}, sender.finish(sent)};
    const PageRead read = readPage(call.global, call.credentials, ipOf(call));
    if (read.exitCode != kExitDone)
        return {{}, read.exitCode};
    AccountSelected selected{Console::readFtpAccountPage(read.page), kExitDone};
    // Another client may have selected another account since: the page read just now must name this one.
    if (const auto moved = Console::selectionCheck(selected.view.account, row.user))
        selected.exitCode = refuse(call.global, ipOf(call), *moved);
    return selected;
}

int sendOne(const Invocation& call, const Console::Checked& checked, bool repeated) {
    if (const Base::Refusal* refusal = Console::refusalOf(checked))
        return refuse(call.global, ipOf(call), *refusal);
    ChangeSender sender(call.global, call.credentials, ipOf(call), Console::kFtpPage);
    return sender.finish(sender.send(*Console::changeOf(checked), repeated));
}

int runShow(const Invocation& call) {
    const FtpRead read = readFtp(call);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    const Console::FtpView& v = read.view;
    const QByteArray home = v.folders.isEmpty() ? QByteArray() : v.folders[v.homeIndex].bytes;
    if (v.foldersCut)
        noteListCut("Folder List");
    if (v.accountsCut)
        noteListCut("Account List");
    if (call.global.json) {
        QJsonArray accounts;
        for (const Console::FtpAccountRow& row : v.accounts)
            accounts.append(QJsonObject{{QStringLiteral("user"), jsonName(row.user)},
                                        {QStringLiteral("password"), QString::fromUtf8(row.password)},
                                        {QStringLiteral("access"), QString::fromUtf8(row.access)},
                                        {QStringLiteral("state"), QString::fromUtf8(row.state)},
                                        {QStringLiteral("value"), QString::fromUtf8(row.value)}});
        writeJson({{QStringLiteral("ip"), ipOf(call)},
                   {QStringLiteral("enabled"), v.enabled},
                   {QStringLiteral("port"), v.port},
                   {QStringLiteral("anonymous"), v.anonymous},
                   {QStringLiteral("anonymous_read_only"), v.anonymousReadOnly},
                   {QStringLiteral("home"), jsonName(home)},
                   {QStringLiteral("folders"), texts(v.folders)},
                   {QStringLiteral("accounts"), accounts}});
        return kExitDone;
    }
    QByteArray out = line("FTP Status", v.enabled ? "Enable" : "Disable");
    out += line("Port", v.port.toUtf8());
    out += line("Allow anonymous", v.anonymous ? "Enable" : "Disable");
    out += line("Anonymous access", v.anonymousReadOnly ? "Read only" : "Read/Write");
    out += QByteArray("Home Directory: ") + Base::visibleName(home) + '\n';
    out += listed("Folder List", v.folders);

    // The account columns, each as wide as its widest text, as the window's list shows them.
    const QByteArray titles[] = {"User Name", "Password", "Access", "En/Disable"};
    QList<std::array<QByteArray, 4>> rows;
    rows.append({titles[0], titles[1], titles[2], titles[3]});
    for (const Console::FtpAccountRow& row : v.accounts)
        rows.append({Base::visibleName(row.user), terminalSafe(row.password), terminalSafe(row.access),
                     terminalSafe(row.state)});
    qsizetype widths[4] = {};
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < 4; ++i)
            widths[i] = std::max(widths[i], QString::fromUtf8(row[i]).size());
    }
    out += "Account List:\n";
    for (const auto& row : rows) {
        QByteArray text = " ";
        for (std::size_t i = 0; i < 4; ++i) {
            text += ' ' + row[i];
            if (i < 3)
                text += QByteArray(widths[i] - QString::fromUtf8(row[i]).size() + 1, ' ');
        }
        out += text + '\n';
    }
    print(out);
    return kExitDone;
}

int runSet(const Invocation& call) {
    const bool enable = call.arguments.text("STATE") == QLatin1String("enable");
    return sendOne(call, Console::ftpStateChange(unitOf(call), enable, call.arguments.text("PORT")), false);
}

int runAnonymous(const Invocation& call) {
    const bool enable = call.arguments.text("STATE") == QLatin1String("enable");
    const bool readOnly = call.arguments.text("ACCESS") == QLatin1String("ro");
    const FtpRead read = readFtp(call);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    const Console::NamedItem home =
        Console::findNamed(read.view.folders, call.arguments.bytes("HOME"), Console::ListedKind::Folder,
                           QStringLiteral("FTP Configuration"));
    if (home.refusal)
        return refuse(call.global, ipOf(call), *home.refusal);
    // The window sends it again while the unit refuses it.
    return sendOne(call, Console::anonymousChange(unitOf(call), enable, readOnly, read.view.folders[home.index].bytes),
                   true);
}

int runAddAccount(const Invocation& call) {
    const Console::NameRuleResult rule = Console::FolderNameRule(
        call.arguments.text("NAME"), "FTP Server", "FTP Server", "only English characters or numbers accepted.");
    if (rule.refusal)
        return refuse(call.global, ipOf(call), *rule.refusal);
    // The unit is asked for a new account first; the dialog then names it.
    ChangeSender sender(call.global, call.credentials, ipOf(call), Console::kFtpPage);
    int exitCode = sender.send(Console::accountCreateChange(unitOf(call)), true);
    if (exitCode == kExitDone)
        exitCode = sender.send(Console::accountAddChange(unitOf(call), rule.name), true);
    return sender.finish(exitCode);
}

int runToggleAccount(const Invocation& call) {
    const AccountFound found = findAccount(call);
    if (!found.row)
        return found.exitCode;
    return sendOne(call, Console::accountSwitchChange(unitOf(call), found.row->option), true);
}

int runDeleteAccount(const Invocation& call) {
    const AccountFound found = findAccount(call);
    if (!found.row)
        return found.exitCode;
    const Base::Refusal question = Console::accountDeleteQuestion(found.row->user);
    if (!confirmed(call, question))
        return kExitRefused;
    return sendOne(call, Console::accountDeleteChange(unitOf(call), found.row->value), true);
}

int runAccount(const Invocation& call) {
    const AccountFound found = findAccount(call);
    if (!found.row)
        return found.exitCode;
    ChangeSender sender(call.global, call.credentials, ipOf(call), Console::kModifyFtpPage);
    const AccountSelected selected = selectAccount(call, sender, *found.row);
    if (selected.exitCode != kExitDone)
        return selected.exitCode;
    const Console::FtpAccountView& v = selected.view;
    if (call.global.json) {
        writeJson({{QStringLiteral("ip"), ipOf(call)},
                   {QStringLiteral("account"), jsonName(v.account)},
                   {QStringLiteral("password"), QString::fromUtf8(v.password)},
                   {QStringLiteral("read_only"), v.readOnly},
                   {QStringLiteral("folders"), texts(v.folders)},
                   {QStringLiteral("shares"), texts(v.shares)}});
        return kExitDone;
    }
    QByteArray out = "Account: " + Base::visibleName(v.account) + '\n';
    out += line("Password", v.password);
    out += line("Access", v.readOnly ? "Read only" : "Read/Write");
    out += listed("Folder List", v.folders);
    out += listed("Sharing List", v.shares);
    print(out);
    return kExitDone;
}

int runSetAccount(const Invocation& call) {
    const bool readOnly = call.arguments.text("ACCESS") == QLatin1String("ro");
    const bool keep = call.arguments.has("--keep-password");
    QByteArray password = call.arguments.bytes("PASSWORD");
    // Kept out of the process list: asked for on a terminal, else two lines of standard input.
    if (!keep && !call.arguments.has("PASSWORD")) {
        password = askSecret("New password: ").toUtf8();
        if (askSecret("Verify password: ").toUtf8() != password)
            return refuse(call.global, ipOf(call),
                          {QStringLiteral("New password entries do not match!"), QStringLiteral("Modify FTP Account"),
                           Base::Icon::Information});
    }
    // A password the window would refuse sends not even the selection.
    if (!keep) {
        const Console::Checked checked =
            Console::accountSetChange(unitOf(call), call.arguments.bytes("USER"), password, readOnly);
        if (const Base::Refusal* refusal = Console::refusalOf(checked))
            return refuse(call.global, ipOf(call), *refusal);
    }
    const AccountFound found = findAccount(call);
    if (!found.row)
        return found.exitCode;
    ChangeSender sender(call.global, call.credentials, ipOf(call), Console::kModifyFtpPage);
    const AccountSelected selected = selectAccount(call, sender, *found.row);
    if (selected.exitCode != kExitDone)
        return selected.exitCode;
    // Set unchanged, the window sends the password the unit showed in its field.
    if (keep)
        password = selected.view.password;
    const Console::Checked checked = Console::accountSetChange(unitOf(call), selected.view.account, password, readOnly);
    if (const Base::Refusal* refusal = Console::refusalOf(checked))
        return refuse(call.global, ipOf(call), *refusal);
    return sender.finish(sender.send(*Console::changeOf(checked), false));
}

// Give or take: the folder's check first, then the selection, the folder among
// the account page's lists, and the change on the account the page names.
int runFolder(const Invocation& call, bool give) {
    const auto change = [&](const QByteArray& account, const QByteArray& folder) {
        return give ? Console::giveFolderChange(unitOf(call), account, folder)
                    : Console::Checked(Console::takeFolderChange(unitOf(call), account, folder));
    };
    const Console::Checked typed =
        change(call.arguments.bytes("USER"), Base::nameFromVisible(call.arguments.bytes("FOLDER")));
    if (const Base::Refusal* refusal = Console::refusalOf(typed))
        return refuse(call.global, ipOf(call), *refusal);
    const AccountFound found = findAccount(call);
    if (!found.row)
        return found.exitCode;
    ChangeSender sender(call.global, call.credentials, ipOf(call), Console::kModifyFtpPage);
    const AccountSelected selected = selectAccount(call, sender, *found.row);
    if (selected.exitCode != kExitDone)
        return selected.exitCode;
    // Given from the unit's folders; taken from the account's own.
    const QList<Web::OptionName>& names = give ? selected.view.folders : selected.view.shares;
    const Console::NamedItem folder = Console::findNamed(
        names, call.arguments.bytes("FOLDER"), give ? Console::ListedKind::Folder : Console::ListedKind::Share,
        QStringLiteral("Modify FTP Account Folder List"));
    if (folder.refusal)
        return refuse(call.global, ipOf(call), *folder.refusal);
    const Console::Checked checked = change(selected.view.account, names[folder.index].bytes);
    return sender.finish(sender.send(*Console::changeOf(checked), true));
}

int runGive(const Invocation& call) {
    return runFolder(call, true);
}

int runTake(const Invocation& call) {
    return runFolder(call, false);
}

Argument user() {
    return {"USER", "The account's user name as the account list shows it", Argument::Kind::Name, true};
}

Argument onOff() {
    return Argument("STATE", "enable or disable", Argument::Kind::Text, true).oneOf({"enable", "disable"});
}

Argument access() {
    return Argument("ACCESS", "ro (read only) or rw (read/write)", Argument::Kind::Text, true).oneOf({"ro", "rw"});
}

const std::vector<Command>& table() {
    using Kind = Argument::Kind;
    static const std::vector<Command> commands = {
        {"show",
         "Print the FTP server's settings, the unit's folders and the account list",
         {unitAddress()},
         Command::NeedsCredentials,
         runShow},
        {"set",
         "Switch the FTP server on or off and set its port",
         {unitAddress(), onOff(), {"PORT", "21, or 1025 to 65500; sent as typed", Kind::Text, true}},
         Command::NeedsCredentials,
         runSet},
        {"anonymous",
         "Set anonymous access, its right and its home folder",
         {unitAddress(), onOff(), access(), {"HOME", "The home folder as the unit lists it", Kind::Name, true}},
         Command::NeedsCredentials,
         runAnonymous},
        {"add-account",
         "Create an account with read-only access",
         {unitAddress(), {"NAME", "Letters, digits, -, _ and =; at most 12", Kind::Text, true}},
         Command::NeedsCredentials,
         runAddAccount},
        {"toggle-account",
         "Switch an account on or off",
         {unitAddress(), user()},
         Command::NeedsCredentials,
         runToggleAccount},
        {"delete-account",
         "Delete an account",
         {unitAddress(), user(), {"--yes", "Delete without asking; needed without a terminal", Kind::Flag}},
         Command::NeedsCredentials,
         runDeleteAccount},
        {"account",
         "Print an account's password, access, the unit's folders and the account's folders",
         {unitAddress(), user()},
         Command::NeedsCredentials,
         runAccount},
        {"set-account",
         "Set an account's access and password",
         {unitAddress(),
          user(),
          access(),
          {"PASSWORD", "At most 12; left out, it is asked for twice without echo on a terminal, or read from "
                       "standard input, one line each"},
          Argument("--keep-password", "Send the account's present password again", Kind::Flag).notWith("PASSWORD")},
         Command::NeedsCredentials,
         runSetAccount},
        {"give",
         "Let an account use a folder (its name at most 12 bytes)",
         {unitAddress(), user(), {"FOLDER", "The folder as the unit lists it", Kind::Name, true}},
         Command::NeedsCredentials,
         runGive},
        {"take",
         "Take a folder away from an account",
         {unitAddress(), user(), {"FOLDER", "The folder as the account's list shows it", Kind::Name, true}},
         Command::NeedsCredentials,
         runTake},
    };
    return commands;
}

} // namespace

std::span<const Command> ftpCommands() {
    return table();
}

} // namespace Cli
