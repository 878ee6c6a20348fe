#pragma once

#include "console/console_page.h"
#include "console/ftp_rules.h"

#include <QByteArray>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace Console {

// The Modify FTP page (TabSheet6): one FTP account's password, access right and folders.
class FtpAccountTab final : public ConsolePage {
    Q_OBJECT
public:
    explicit FtpAccountTab(ConsoleContext& console);

    void showPage() override { FtpAccountTabShow(); }
    void dialogsReady() override;

    void FtpAccountTabShow();
    // The FTP page's Modify asked the unit to select this user's account: the next read checks it did.
    void expectAccount(const QByteArray& user) { m_picked = user; }
    void ModifyFtpButtonsOff();
    void ModFTPBtnClick();
    void ModMovetoSharBtnClick();
    void ModMovetoFolderBtnClick();
    void ShowModCreateBtnClick();
    void ShowModRenameBtnClick();
    void ModDelBtnClick();
    void BackBtnClick();
    void FTPSFLBClick();
    void FTPSSharLBClick();
    // The Set buttons of the create and rename dialogs.
    void ModCreateFBtnClick();
    void ModRenameFBtnClick();

    QLabel* modFTPAccLabel() const { return m_ModFTPAccLabel; }
    QLineEdit* modFTPPassEdit() const { return m_ModFTPPassEdit; }
    QRadioButton* modFTPReadRB() const { return m_ModFTPReadRB; }
    QRadioButton* modFTPWriteRB() const { return m_ModFTPWriteRB; }
    QPushButton* modFTPBtn() const { return m_ModFTPBtn; }
    QListWidget* ftpsFLB() const { return m_FTPSFLB; }
    QListWidget* ftpsSharLB() const { return m_FTPSSharLB; }
    QPushButton* modMovetoSharBtn() const { return m_ModMovetoSharBtn; }
    QPushButton* modMovetoFolderBtn() const { return m_ModMovetoFolderBtn; }
    QPushButton* showModCreateBtn() const { return m_ShowModCreateBtn; }
    QPushButton* showModRenameBtn() const { return m_ShowModRenameBtn; }
    QPushButton* modDelBtn() const { return m_ModDelBtn; }
    QPushButton* backBtn() const { return m_BackBtn; }

private:
    void dropSelections();
    void showView(const FtpAccountView& view);
    // The unit still has this page's account selected, read again right before a change that relies on
    // it; otherwise the person is told, the page shows what the unit now names, and nothing is sent.
    bool accountStillSelected();

    QGroupBox* m_ModifyFTPGB = nullptr;
    QLabel* m_AccountLabel = nullptr;
    QLabel* m_ModFTPAccLabel = nullptr;
    QLabel* m_PasswordLabel = nullptr;
    QLineEdit* m_ModFTPPassEdit = nullptr;
    QLabel* m_AccessLabel = nullptr;
    QRadioButton* m_ModFTPReadRB = nullptr;
    QRadioButton* m_ModFTPWriteRB = nullptr;
    QPushButton* m_ModFTPBtn = nullptr;
    QGroupBox* m_ModFTPFolderGB = nullptr;
    QLabel* m_FolderListLabel = nullptr;
    QLabel* m_SharingListLabel = nullptr;
    QListWidget* m_FTPSFLB = nullptr;
    QListWidget* m_FTPSSharLB = nullptr;
    QPushButton* m_ModMovetoSharBtn = nullptr;
    QPushButton* m_ModMovetoFolderBtn = nullptr;
    QPushButton* m_ShowModCreateBtn = nullptr;
    QPushButton* m_ShowModRenameBtn = nullptr;
    QPushButton* m_ModDelBtn = nullptr;
    QPushButton* m_BackBtn = nullptr;

    // The account as the unit named it, which is what goes back to it; the label shows it as text.
    QByteArray m_account;
    QByteArray m_picked;
    // The stored password as the unit sent it and as the field first showed it.
    QByteArray m_storedPassword;
    QString m_shownPassword;
    // The folder the rename dialog was opened for, as the unit sent it.
    QByteArray m_renameOldName;
};

} // namespace Console
