#pragma once

#include "base/refusal.h"
#include "console/cgi_change.h"
#include "web/multipart.h"
#include "web/send_cgi.h"

#include <QByteArray>

namespace Console {

class CreateFolderDialog;
class RenameFolderDialog;
class SharePasswordDialog;
class CreateAccountDialog;
class CreateAccountFolderDialog;
class RenameAccountFolderDialog;

// The six small windows of the console's pages, made with the other windows
// at start-up and handed to the console.
struct ConsoleDialogs {
    CreateFolderDialog* createFolder = nullptr;
    RenameFolderDialog* renameFolder = nullptr;
    SharePasswordDialog* sharePassword = nullptr;
    CreateAccountDialog* createAccount = nullptr;
    CreateAccountFolderDialog* createAccountFolder = nullptr;
    RenameAccountFolderDialog* renameAccountFolder = nullptr;
};

// What a console page may ask of the console: the unit, its page, the ways to
// send a change, the message service and the dialogs. Pages know the console
// only through this, so a page can be tested with a console of its own.
class ConsoleContext {
public:
    virtual ~ConsoleContext() = default;

    virtual UnitAddress unit() const = 0;
    // The utility page, read as FetchPage reads it (boxes included).
    virtual QByteArray FetchPage() = 0;
    // A change sent once, repeated while refused (15 at most), or repeated with
    // the page in sight and `sheet` read again after the 15th refusal.
    virtual Web::SendCgiResult SendCgi(const CgiChange& change) = 0;
    virtual Web::SendCgiResult SendRepeated(const CgiChange& change) = 0;
    virtual Web::SendCgiResult SendWithRetry(const CgiChange& change, int sheet) = 0;
    // What the unit made of the last change sent.
    virtual Web::ChangeOutcome lastChangeOutcome() const = 0;

    virtual void showMessage(const Base::Refusal& box) = 0;
    virtual bool confirm(const Base::Refusal& question) = 0;
    virtual const ConsoleDialogs& dialogs() const = 0;

    // The administrator password was taken: input waits for the administrator login.
    virtual void administratorChangeSent() = 0;
    // The window caption names the unit's address, which a change may move.
    virtual void updateCaption() = 0;

    // The Modify FTP tab is there only while one account is being changed.
    virtual void setModifyFtpTabVisible(bool visible) = 0;
    // Brings a page into view, which reads it.
    virtual void bringPageIntoView(int index) = 0;

    // A firmware image posted to the unit as CurrentDevice's user, off the window's thread; `progress`
    // is called from that thread.
    virtual Web::PostResult PostMultipart(const QString& url, Web::THttpDataStream& body, const QString& referer,
                                          const std::function<void(qint64 sent, qint64 total)>& progress) = 0;
    // How long a unit may work (write an image, format its disk) before it answers.
    virtual int workTimeoutMs() const { return Web::Settings::kDefaultWorkTimeoutMs; }
    // The whole console held while the unit restarts.
    virtual void setConsoleEnabled(bool enabled) = 0;
    // The console hidden and the scan window back with a new scan, to find the unit after its restart.
    virtual void findUnitAgain() = 0;
};

} // namespace Console
