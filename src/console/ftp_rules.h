#pragma once

#include "console/cgi_change.h"
#include "web/page_values.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace Console {

// One account row of the FTP page, each text as the unit sent it.
struct FtpAccountRow {
    QByteArray user;
    QByteArray password;
    QByteArray access;
    QByteArray state;
    QByteArray value; // how the unit names the account in its requests
    int option = 0;   // its place among the unit's options: every option counts, with a row here or not
};

// The account list: an option list whose visible texts stand in fixed
// columns padded with "&nbsp;". A row without the padding, or with a user
// name longer than its 21-character column, is skipped rather than have its
// columns land on another row; so is a second value inside one option, which
// the unit's numbering could not name. See docs/protocol.md, "FTP Server changes".
// `cut`, when given, says whether rows were left off at the list bound.
QList<FtpAccountRow> SplitAccountRows(QByteArrayView accounts, bool* cut = nullptr);

// The FTP Server page as the unit's page gives it.
struct FtpView {
    bool enabled = false;           // ftps_status is exactly "ENABLE"
    QString port;                   // as the unit sent it
    bool anonymous = false;         // ftp_anon_stu is exactly "checked"
    bool anonymousReadOnly = false; // ftp_a_att is exactly "checked"
    QList<Web::OptionName> folders;
    int homeIndex = 0; // the last folder equal to ftps_home_def, else the first
    QList<FtpAccountRow> accounts;
    bool foldersCut = false; // entries left off at the list bound
    bool accountsCut = false;
};
FtpView readFtpPage(QByteArrayView page);

QString ftpPage(); // "ftp.htm"

// The server switch and its port: 21, or 1025 to 65500, sent as typed; a port
// that is no number gets the framework's conversion error. Typed values and
// names from the unit's lists go out with the as-typed escaping, so none can
// cut or add a parameter, while plain ones go out byte for byte.
Checked ftpStateChange(const UnitAddress& unit, bool enable, const QString& portAsTyped);
// Anonymous access, its right and its home folder, as the unit named it.
CgiChange anonymousChange(const UnitAddress& unit, bool enable, bool readOnly, const QByteArray& home);
// The account requests: create asks for a new account number, modify selects
// an account by its value, En/Disable names its place in the unit's list
// (FtpAccountRow::option), delete its value.
CgiChange accountCreateChange(const UnitAddress& unit);
CgiChange accountModifyChange(const UnitAddress& unit, const QByteArray& value);
CgiChange accountSwitchChange(const UnitAddress& unit, int row);
CgiChange accountDeleteChange(const UnitAddress& unit, const QByteArray& value);
// The question before an account is deleted; the user name stands on a line of its own.
Base::Refusal accountDeleteQuestion(const QByteArray& user);
// Right before a change that relies on the account the unit holds selected:
// the page read just then must name the account the person picked, and an
// unnamed account is never acted on. Set: nothing is sent, and these are the words.
std::optional<Base::Refusal> selectionCheck(const QByteArray& named, const QByteArray& picked);
// The account dialog: a name the folder rule took becomes an account with read-only access.
CgiChange accountAddChange(const UnitAddress& unit, const QString& name);

// The Modify FTP page: the account the FTP page selected, as the unit's page gives it.
struct FtpAccountView {
    QByteArray account;  // ftps_account, as it stands
    QByteArray password; // ftps_account_passwd, as it stands
    bool readOnly = false;
    QList<Web::OptionName> folders; // ftps_dir_list
    QList<Web::OptionName> shares;  // ftps_share_list, the visible texts
};
FtpAccountView readFtpAccountPage(QByteArrayView page);
// The visible text of each option, up to the blank before its closing tag; an
// option without that blank is not listed.
QList<Web::OptionName> SplitShareNames(QByteArrayView options);

QString ftpAccountPage(); // "ftp_mod.htm"

// Password and access of the selected account: the password at most 12 bytes,
// neither trimmed nor checked further.
Checked accountSetChange(const UnitAddress& unit, const QByteArray& account, const QByteArray& password, bool readOnly);
// Giving a folder (its name at most 12 bytes) to an account, or taking one away.
Checked giveFolderChange(const UnitAddress& unit, const QByteArray& account, const QByteArray& folder);
CgiChange takeFolderChange(const UnitAddress& unit, const QByteArray& account, const QByteArray& folder);
// The SMB page's folder requests, sent from the Modify FTP page.
CgiChange accountFolderDeleteChange(const UnitAddress& unit, const QByteArray& folder);
CgiChange accountFolderCreateChange(const UnitAddress& unit, const QString& name);
CgiChange accountFolderRenameChange(const UnitAddress& unit, const QString& newName, const QByteArray& oldName);
Base::Refusal accountFolderDeleteQuestion(const QByteArray& folder);
// Renaming a folder to the name it has.
Base::Refusal sameNameRefusal();

} // namespace Console
