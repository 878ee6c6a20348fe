#include "console/smb_rules.h"

#include "base/visible_name.h"
#include "console/status_page.h"

namespace Console {

namespace {

constexpr auto kUrlEncoded = Web::CgiParameters::Encoding::UrlEncoded;
constexpr auto kFixed = Web::CgiParameters::Encoding::Fixed;

const char* const kSmbServer = "SMB Server";

Base::Refusal overTwelve(const char* caption) {
    return {QStringLiteral("Over Maximum 12 characters."), QString::fromLatin1(caption), Base::Icon::Information};
}

bool isNameByte(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_' ||
           c == '=';
}

QString nasRequest(const UnitAddress& unit, const char* action, const Web::CgiParameters& parameters) {
    return Web::CgiRequest(unit.ip, unit.port, QStringLiteral("nas.cgi"), smbPage(), QString::fromLatin1(action),
                           parameters);
}

} // namespace

QString smbPage() {
    return QStringLiteral("smb.htm");
}

SmbView readSmbPage(QByteArrayView page) {
    SmbView view;
    view.folders = Web::SplitOptionNames(Web::PageValue(page, "share_list=\""), &view.foldersCut);
    view.shares = Web::SplitOptionNames(Web::PageValue(page, "allow_share=\""), &view.sharesCut);
    return view;
}

// The requests below are byte for byte those of docs/protocol.md, "SMB Server changes".
Checked publishChange(const UnitAddress& unit, const QByteArray& folder) {
    if (folder.size() > kFolderNameBytes)
        return overTwelve(kSmbServer);
    return CgiChange{
        nasRequest(
            unit, "nas_apply",
            Web::CgiParameters().addBytes("share_list", folder, kUrlEncoded).add("add", QStringLiteral("New"), kFixed)),
        smbPage()};
}

Checked withdrawChange(const UnitAddress& unit, const QByteArray& share) {
    return CgiChange{nasRequest(unit, "nas_apply",
                                Web::CgiParameters()
                                    .addBytes("allow_share", share, kUrlEncoded)
                                    .add("del", QStringLiteral("Remove"), kFixed)),
                     smbPage()};
}

CgiChange deleteFolderChange(const UnitAddress& unit, const QByteArray& folder) {
    return {nasRequest(unit, "fm_rmdir_apply",
                       Web::CgiParameters().addBytes("folder", folder, kUrlEncoded).add("to_name", {}, kFixed)),
            smbPage()};
}

Base::Refusal deleteFolderQuestion(const QByteArray& folder) {
    return {QStringLiteral("Folder selected and its contents will be deleted!"),
            QString::fromLatin1(kSmbServer),
            Base::Icon::Question,
            {{QStringLiteral("\n"), false},
             {QStringLiteral("Are you sure?"), true},
             {QLatin1Char('\n') + Base::visibleNameText(folder), false}}};
}

QString quotedName(const QByteArray& name) {
    return QLatin1Char('"') + Base::visibleNameText(name) + QLatin1Char('"');
}

Base::Refusal notListed(ListedKind kind, const QString& caption, const QList<Base::MessagePart>& quoted) {
    switch (kind) {
    case ListedKind::Account:
        return {QStringLiteral("There is no FTP account named "), caption, Base::Icon::Information, quoted};
    case ListedKind::Share:
        return {QStringLiteral("There is no share named "), caption, Base::Icon::Information, quoted};
    case ListedKind::Folder:
        break;
    }
    return {QStringLiteral("There is no folder named "), caption, Base::Icon::Information, quoted};
}

NamedItem findNamed(const QList<QByteArray>& listed, QByteArrayView typed, ListedKind kind, const QString& caption) {
    // What the programs print is read first, so every shown name names its own item.
    const QByteArray shown = Base::nameFromVisible(typed);
    QList<qsizetype> found;
    for (const QByteArrayView name : {QByteArrayView(shown), typed}) {
        for (qsizetype i = 0; i < listed.size(); ++i) {
            if (listed[i] == name)
                found.append(i);
        }
        if (!found.isEmpty())
            break;
    }
    const QList<Base::MessagePart> quoted{{quotedName(shown), false}};
    if (found.isEmpty())
        return {-1, notListed(kind, caption, quoted)};
    if (found.size() > 1 && kind == ListedKind::Account)
        return {-1, Base::Refusal{QStringLiteral("The unit lists more than one FTP account named "), caption,
                                  Base::Icon::Information, quoted}};
    return {found.first(), std::nullopt};
}

NamedItem findNamed(const QList<Web::OptionName>& listed, QByteArrayView typed, ListedKind kind,
                    const QString& caption) {
    QList<QByteArray> names;
    names.reserve(listed.size());
    for (const Web::OptionName& name : listed)
        names.append(name.bytes);
    return findNamed(names, typed, kind, caption);
}

NameRuleResult FolderNameRule(const QString& typed, const char* caption, const char* characterCaption,
                              const char* characterMessage) {
    NameRuleResult result;
    result.name = trimBlanksAndControls(typed);
    const QByteArray bytes = result.name.toUtf8();
    if (bytes.isEmpty()) {
        result.refusal =
            Base::Refusal{QStringLiteral("Value is empty"), QString::fromLatin1(caption), Base::Icon::Information};
        return result;
    }
    if (bytes.size() > kFolderNameBytes) {
        result.refusal = overTwelve(caption);
        result.emptyField = true;
        return result;
    }
    for (const char c : bytes) {
        if (isNameByte(c))
            continue;
        result.refusal = Base::Refusal{QString::fromLatin1(characterMessage), QString::fromLatin1(characterCaption),
                                       Base::Icon::Information};
        result.emptyField = true;
        return result;
    }
    return result;
}

CgiChange createFolderChange(const UnitAddress& unit, const QString& name) {
    return {nasRequest(unit, "fm_mkdir_apply",
                       Web::CgiParameters().add("folder", name, kUrlEncoded).add("to_name", {}, kFixed)),
            smbPage()};
}

CgiChange renameFolderChange(const UnitAddress& unit, const QString& newName, const QByteArray& oldName) {
    return {
        nasRequest(unit, "fm_rename_apply",
                   Web::CgiParameters().add("folder", newName, kUrlEncoded).addBytes("to_name", oldName, kUrlEncoded)),
        smbPage()};
}

PasswordRuleResult SharePasswordRule(const QString& password, const QString& verify) {
    PasswordRuleResult result{trimBlanksAndControls(password), trimBlanksAndControls(verify), std::nullopt};
    // The length comes first: a long entry is refused for that even when the two differ.
    if (result.password.toUtf8().size() > kFolderNameBytes || result.verify.toUtf8().size() > kFolderNameBytes)
        result.refusal = overTwelve(kSmbServer);
    else if (result.password.toUtf8() != result.verify.toUtf8())
        result.refusal = Base::Refusal{QStringLiteral("New password entries do not match!"),
                                       QString::fromLatin1(kSmbServer), Base::Icon::Information};
    return result;
}

CgiChange sharePasswordChange(const UnitAddress& unit, const QByteArray& folder, const QString& password,
                              const QString& verify) {
    return {nasRequest(unit, "nas_mod",
                       Web::CgiParameters()
                           .addBytes("folder", folder, kUrlEncoded)
                           .add("password1", password, kUrlEncoded)
                           .add("password2", verify, kUrlEncoded)),
            smbPage()};
}

} // namespace Console
