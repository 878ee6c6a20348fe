#include "console/ftp_rules.h"

#include "base/list_bounds.h"
#include "base/visible_name.h"
#include "console/smb_rules.h"
#include "console/status_page.h"

namespace Console {

namespace {

constexpr QByteArrayView kPad("&nbsp;");
constexpr qsizetype kUserColumn = 21;
// A password or an access text is followed by exactly 11 pads.
constexpr qsizetype kColumnGap = qsizetype{11} * 6;

constexpr auto kFixed = Web::CgiParameters::Encoding::Fixed;
constexpr auto kTyped = Web::CgiParameters::Encoding::AsTyped;
constexpr auto kUrlEncoded = Web::CgiParameters::Encoding::UrlEncoded;

const char* const kFolderListCaption = "Modify FTP Account Folder List";

Base::Refusal overTwelve(const char* caption) {
    return {QStringLiteral("Over Maximum 12 characters."), QString::fromLatin1(caption), Base::Icon::Information};
}

CgiChange onAccountPage(CgiChange change) {
    change.page = ftpAccountPage();
    return change;
}

// The column before the first pad; the text then starts `gap` bytes after that pad's start.
bool takeColumn(QByteArrayView& text, qsizetype gap, QByteArray& column) {
    const qsizetype pad = text.indexOf(kPad);
    if (pad < 0)
        return false;
    column = text.first(pad).toByteArray();
    text = text.sliced(std::min(text.size(), pad + gap));
    return true;
}

QString nasRequest(const UnitAddress& unit, const QString& redirect, const char* action,
                   const Web::CgiParameters& parameters) {
    return Web::CgiRequest(unit.ip, unit.port, QStringLiteral("nas.cgi"), redirect, QString::fromLatin1(action),
                           parameters);
}

} // namespace

QList<FtpAccountRow> SplitAccountRows(QByteArrayView accounts, bool* cut) {
    static constexpr QByteArrayView kOpen("value=\"");
    static constexpr QByteArrayView kClose("\">");
    static constexpr QByteArrayView kEnd("</option>");
    QList<FtpAccountRow> rows;
    rows.reserve(std::min<qsizetype>(accounts.count(kOpen), Base::kMaxListEntries));
    static constexpr QByteArrayView kOption("<option");
    QByteArrayView rest = accounts;
    qsizetype taken = 0;
    // The unit numbers every option of its list, those without a value or a row included.
    qsizetype counted = 0;
    int optionsSeen = 0;
    int lastOption = -1;
    for (int option = 0; rows.size() < Base::kMaxListEntries && taken <= Base::kMaxListText; ++option) {
        const qsizetype open = rest.indexOf(kOpen);
        const qsizetype close = rest.indexOf(kClose);
        if (open < 0 || close < 0)
            break;
        const qsizetype start = open + kOpen.size();
        const qsizetype openAt = rest.data() - accounts.data() + open;
        for (qsizetype at = accounts.indexOf(kOption, counted); at >= 0 && at < openAt;
             at = accounts.indexOf(kOption, at + kOption.size()))
            ++optionsSeen;
        counted = std::max(counted, openAt);
        FtpAccountRow row;
        // A list without option tags is counted by its values.
        row.option = optionsSeen > 0 ? optionsSeen - 1 : option;
        // A second value inside one option is no account of its own: the unit could not name it.
        const bool ownOption = row.option > lastOption;
        row.value = close >= start ? rest.sliced(start, close - start).toByteArray() : QByteArray();
        const QByteArrayView afterValue = rest.sliced(close + kClose.size());
        const qsizetype end = afterValue.indexOf(kEnd);
        QByteArrayView text = end < 0 ? afterValue : afterValue.first(end);
        // The rest goes on two bytes into the closing tag, as the unit's own tool reads it.
        rest = end < 0 ? QByteArrayView() : afterValue.sliced(end + 2);

        // The user column is 21 wide, padded with one pad per missing character; a user that fills it is
        // followed by the password at once. Text without any pad is no row.
        qsizetype userEnd = text.indexOf(kPad);
        if (userEnd < 0 || !ownOption)
            continue;
        lastOption = row.option;
        userEnd = std::min(userEnd, kUserColumn);
        row.user = text.first(userEnd).toByteArray();
        text = text.sliced(std::min(text.size(), userEnd + kPad.size() * (kUserColumn - userEnd)));
        if (takeColumn(text, kColumnGap, row.password) && takeColumn(text, kColumnGap, row.access))
            takeColumn(text, 0, row.state);
        // The padding is the unit's layout, not text kept: only what a row holds counts against the bound.
        taken += row.user.size() + row.password.size() + row.access.size() + row.state.size() + row.value.size();
        rows.append(std::move(row));
    }
    // Stopped at the bound with another value ahead.
    if (cut != nullptr)
        *cut = (rows.size() >= Base::kMaxListEntries || taken > Base::kMaxListText) && rest.contains(kOpen) &&
               rest.contains(kClose);
    return rows;
}

FtpView readFtpPage(QByteArrayView page) {
    FtpView v;
    v.enabled = Web::PageText(page, "ftps_status") == QLatin1String("ENABLE");
    v.port = Web::PageText(page, "ftps_port");
    v.anonymous = Web::PageText(page, "ftp_anon_stu") == QLatin1String("checked");
    v.anonymousReadOnly = Web::PageText(page, "ftp_a_att") == QLatin1String("checked");
    v.folders = Web::SplitOptionNames(Web::PageValue(page, "ftps_dir_list=\""), &v.foldersCut);
    const QByteArray home = Web::PageValue(page, "ftps_home_def=\"");
    for (qsizetype i = 0; i < v.folders.size(); ++i) {
        if (v.folders[i].bytes == home)
            v.homeIndex = static_cast<int>(i);
    }
    v.accounts = SplitAccountRows(Web::PageValue(page, "ftp_ac_list=\""), &v.accountsCut);
    return v;
}

QString ftpPage() {
    return QStringLiteral("ftp.htm");
}

// The requests below are byte for byte those of docs/protocol.md, "FTP Server changes".
Checked ftpStateChange(const UnitAddress& unit, bool enable, const QString& portAsTyped) {
    const std::optional<int> port = frameworkInteger(portAsTyped);
    if (!port)
        return conversionError(portAsTyped);
    if (*port != 21 && (*port < 1025 || *port > 65500))
        return Base::Refusal{QStringLiteral("Invalid port number"), QStringLiteral("FTP Configuration"),
                             Base::Icon::Information};
    return CgiChange{
        nasRequest(unit, ftpPage(), "ftps_state_apply",
                   Web::CgiParameters()
                       .add("ftps_set", enable ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE"), kFixed)
                       .add("ftps_port", portAsTyped, kTyped)),
        ftpPage()};
}

CgiChange anonymousChange(const UnitAddress& unit, bool enable, bool readOnly, const QByteArray& home) {
    return {nasRequest(unit, ftpPage(), "ftps_anonymous_apply",
                       Web::CgiParameters()
                           .add("ftp_anon_stu", enable ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE"), kFixed)
                           .add("ftp_a_att", readOnly ? QStringLiteral("RO") : QStringLiteral("RW"), kFixed)
                           .addBytes("home", home, kTyped)
                           .add("anony_Apply", QStringLiteral("Apply"), kFixed)),
            ftpPage()};
}

CgiChange accountCreateChange(const UnitAddress& unit) {
    // The page passed on keeps its slash: the unit's answer to this request is never taken as a refusal.
    return {nasRequest(unit, QStringLiteral("ftp_add.htm"), "ftps_userid_set",
                       Web::CgiParameters().add("ftps_user_id", QStringLiteral("255"), kFixed)),
            QStringLiteral("/ftp.htm")};
}

CgiChange accountModifyChange(const UnitAddress& unit, const QByteArray& value) {
    return {nasRequest(unit, QStringLiteral("ftp_mod.htm"), "ftps_userid_set",
                       Web::CgiParameters().addBytes("ftps_user_id", value, kTyped)),
            ftpPage()};
}

CgiChange accountSwitchChange(const UnitAddress& unit, int row) {
    return {nasRequest(unit, ftpPage(), "ftps_user_enabled",
                       Web::CgiParameters().add("FTP_AC_LIST", QString::number(row), kFixed)),
            ftpPage()};
}

CgiChange accountDeleteChange(const UnitAddress& unit, const QByteArray& value) {
    return {nasRequest(unit, ftpPage(), "ftps_user_del", Web::CgiParameters().addBytes("FTP_AC_LIST", value, kTyped)),
            ftpPage()};
}

Base::Refusal accountDeleteQuestion(const QByteArray& user) {
    return {QStringLiteral("Selected account will be delete.Are you sure?"),
            QStringLiteral("Account List"),
            Base::Icon::Question,
            {{QLatin1Char('\n') + Base::visibleNameText(user), false}}};
}

std::optional<Base::Refusal> selectionCheck(const QByteArray& named, const QByteArray& picked) {
    if (named.isEmpty() || picked.isEmpty())
        return Base::Refusal{QStringLiteral("The unit did not name the selected account"),
                             QStringLiteral("Modify FTP Account"), Base::Icon::Information};
    if (named == picked)
        return std::nullopt;
    return Base::Refusal{QStringLiteral("The unit's FTP page now shows account "),
                         QStringLiteral("Modify FTP Account"),
                         Base::Icon::Information,
                         {{quotedName(named), false},
                          {QStringLiteral(", not "), true},
                          {quotedName(picked), false},
                          {QStringLiteral("; another client may be changing accounts. Nothing was changed."), true}}};
}

CgiChange accountAddChange(const UnitAddress& unit, const QString& name) {
    return {
        nasRequest(unit, ftpPage(), "ftps_user_add",
                   Web::CgiParameters().add("Account", name, kUrlEncoded).add("ftp_att", QStringLiteral("R"), kFixed)),
        ftpPage()};
}

QList<Web::OptionName> SplitShareNames(QByteArrayView options) {
    static constexpr QByteArrayView kOpen("value=\"");
    static constexpr QByteArrayView kEnd("</option>");
    QList<Web::OptionName> names;
    qsizetype taken = 0;
    const auto fromValue = [](QByteArrayView text) {
        const qsizetype open = text.indexOf(kOpen);
        return open < 0 ? text : text.sliced(open);
    };
    QByteArrayView rest = fromValue(options);
    while (names.size() < Base::kMaxListEntries && taken <= Base::kMaxListText) {
        const qsizetype gt = rest.indexOf('>');
        if (gt < 0 || rest.indexOf(kOpen) < 0)
            break;
        const qsizetype end = rest.indexOf(kEnd, gt + 1);
        if (end < 0)
            break;
        // The name ends at the blank the unit writes before the closing tag; an option without it is
        // passed over rather than run on into the next one.
        if (end > gt + 1 && rest[end - 1] == ' ') {
            names.append({rest.sliced(gt + 1, end - 1 - (gt + 1)).toByteArray()});
            taken += names.constLast().bytes.size();
        }
        rest = fromValue(rest.sliced(end + 1));
    }
    return names;
}

FtpAccountView readFtpAccountPage(QByteArrayView page) {
    FtpAccountView v;
    v.account = Web::PageValue(page, "ftps_account=\"");
    v.password = Web::PageValue(page, "ftps_account_passwd=\"");
    v.readOnly = Web::PageText(page, "ftps_att") == QLatin1String("checked");
    v.folders = Web::SplitOptionNames(Web::PageValue(page, "ftps_dir_list=\""));
    v.shares = SplitShareNames(Web::PageValue(page, "ftps_share_list=\""));
    return v;
}

QString ftpAccountPage() {
    return QStringLiteral("ftp_mod.htm");
}

Checked accountSetChange(const UnitAddress& unit, const QByteArray& account, const QByteArray& password,
                         bool readOnly) {
    if (password.size() > kFolderNameBytes)
        return overTwelve("Modify FTP Account");
    return CgiChange{nasRequest(unit, ftpAccountPage(), "ftps_user_add",
                                Web::CgiParameters()
                                    .addBytes("Account", account, kUrlEncoded)
                                    .addBytes("Account_passwd", password, kUrlEncoded)
                                    .add("ftp_att", readOnly ? QStringLiteral("R") : QStringLiteral("W"), kFixed)),
                     ftpAccountPage()};
}

Checked giveFolderChange(const UnitAddress& unit, const QByteArray& account, const QByteArray& folder) {
    if (folder.size() > kFolderNameBytes)
        return overTwelve(kFolderListCaption);
    return CgiChange{nasRequest(unit, ftpAccountPage(), "ftps_add_share",
                                Web::CgiParameters()
                                    .addBytes("account", account, kUrlEncoded)
                                    .addBytes("account_List", folder, kUrlEncoded)
                                    .add("op_add", QStringLiteral("Add"), kFixed)),
                     ftpAccountPage()};
}

CgiChange takeFolderChange(const UnitAddress& unit, const QByteArray& account, const QByteArray& folder) {
    return {nasRequest(unit, ftpAccountPage(), "ftps_del_share",
                       Web::CgiParameters()
                           .addBytes("account", account, kUrlEncoded)
                           .addBytes("account_List", folder, kUrlEncoded)
                           .add("op_del", QStringLiteral("Delete"), kFixed)),
            ftpAccountPage()};
}

CgiChange accountFolderDeleteChange(const UnitAddress& unit, const QByteArray& folder) {
    return onAccountPage(deleteFolderChange(unit, folder));
}

CgiChange accountFolderCreateChange(const UnitAddress& unit, const QString& name) {
    return onAccountPage(createFolderChange(unit, name));
}

CgiChange accountFolderRenameChange(const UnitAddress& unit, const QString& newName, const QByteArray& oldName) {
    return onAccountPage(renameFolderChange(unit, newName, oldName));
}

Base::Refusal accountFolderDeleteQuestion(const QByteArray& folder) {
    Base::Refusal question = deleteFolderQuestion(folder);
    question.captionKey = QString::fromLatin1(kFolderListCaption);
    return question;
}

Base::Refusal sameNameRefusal() {
    return {QStringLiteral("The new name is the same as the old name."), QStringLiteral("Modify FTPS"),
            Base::Icon::Information};
}

} // namespace Console
