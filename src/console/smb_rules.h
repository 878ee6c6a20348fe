#pragma once

#include "console/cgi_change.h"
#include "web/page_values.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace Console {

// The SMB Server page as the unit's page gives it: all folders and the shared ones.
struct SmbView {
    QList<Web::OptionName> folders; // share_list
    QList<Web::OptionName> shares;  // allow_share
    bool foldersCut = false;        // names left off at the list bound
    bool sharesCut = false;
};
SmbView readSmbPage(QByteArrayView page);

inline constexpr int kFolderNameBytes = 12;

// The page every request of the SMB page and its dialogs names.
QString smbPage();

// Publishing a folder: its name at most 12 bytes as sent.
Checked publishChange(const UnitAddress& unit, const QByteArray& folder);
Checked withdrawChange(const UnitAddress& unit, const QByteArray& share);
CgiChange deleteFolderChange(const UnitAddress& unit, const QByteArray& folder);
// The question before a folder is deleted; the folder's name stands on a line of its own.
Base::Refusal deleteFolderQuestion(const QByteArray& folder);

// What a person named among a list the unit sent: the item's place, or why
// nothing is to be sent. A name is matched byte for byte, as the programs
// show it (Base::visibleName) or as raw bytes. Equal folder names are one
// folder; equal account names are two accounts, and naming them is refused.
enum class ListedKind { Folder, Share, Account };
struct NamedItem {
    qsizetype index = -1;
    std::optional<Base::Refusal> refusal;
};
NamedItem findNamed(const QList<QByteArray>& listed, QByteArrayView typed, ListedKind kind, const QString& caption);
NamedItem findNamed(const QList<Web::OptionName>& listed, QByteArrayView typed, ListedKind kind,
                    const QString& caption);
// The words for a name the list does not hold.
Base::Refusal notListed(ListedKind kind, const QString& caption, const QList<Base::MessagePart>& quoted);
// A name as a refusal quotes it.
QString quotedName(const QByteArray& name);

// What the name rule of the folder and account dialogs made of a typed name.
struct NameRuleResult {
    QString name;                         // trimmed: the field shows it
    std::optional<Base::Refusal> refusal; // set: nothing is sent
    bool emptyField = false;              // the refusal empties the field
};

// Trimmed of every character up to a blank at both ends; not empty; at most 12
// bytes; only ASCII letters, digits, "-", "_" and "=". `caption` heads the
// first two refusals, `characterCaption` the third, whose words are `characterMessage`.
NameRuleResult FolderNameRule(const QString& typed, const char* caption, const char* characterCaption,
                              const char* characterMessage = "Only English characters or numbers accepted.");

// The create and rename dialogs' requests; the old name goes back as the unit sent it.
CgiChange createFolderChange(const UnitAddress& unit, const QString& name);
CgiChange renameFolderChange(const UnitAddress& unit, const QString& newName, const QByteArray& oldName);

// The share password dialog: both entries trimmed, at most 12 bytes each, then equal.
struct PasswordRuleResult {
    QString password;
    QString verify;
    std::optional<Base::Refusal> refusal;
};
PasswordRuleResult SharePasswordRule(const QString& password, const QString& verify);
CgiChange sharePasswordChange(const UnitAddress& unit, const QByteArray& folder, const QString& password,
                              const QString& verify);

} // namespace Console
