#pragma once

#include <QString>

#include <optional>

#include "console/console_page.h"

#include <QByteArray>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace Console {

// The SMB Server page (TabSheet4): the unit's folders and which of them are shared.
class SmbTab final : public ConsolePage {
    Q_OBJECT
public:
    explicit SmbTab(ConsoleContext& console);

    void showPage() override { SmbTabShow(); }
    void dialogsReady() override;

    void SmbTabShow();
    void SmbButtonsOff();
    void SMBFolderLBClick();
    void SMBPublicFolderLBClick();
    void MovetoPublicBtnClick();
    void MovetoSMBBtnClick();
    void ShowDeleteBtnClick();
    void ShowCreateBtnClick();
    void ShowRenameBtnClick();
    void ShowPublicPassBtnClick();
    // The Set buttons of the create, rename and share password dialogs.
    void CreateFBtnClick();
    void RenameFBtnClick();
    void PublicPassBtnClick();

    QListWidget* smbFolderLB() const { return m_SMBFolderLB; }
    QListWidget* smbPublicFolderLB() const { return m_SMBPublicFolderLB; }
    QPushButton* movetoPublicBtn() const { return m_MovetoPublicBtn; }
    QPushButton* movetoSMBBtn() const { return m_MovetoSMBBtn; }
    QPushButton* showCreateBtn() const { return m_ShowCreateBtn; }
    QPushButton* showRenameBtn() const { return m_ShowRenameBtn; }
    QPushButton* showDeleteBtn() const { return m_ShowDeleteBtn; }
    QPushButton* showPublicPassBtn() const { return m_ShowPublicPassBtn; }

private:
    // A dialog sent its request or was closed: the page offers Create again.
    void dialogDone();
    std::optional<QString> checkedName(QLineEdit* field);

    QGroupBox* m_SMBGB = nullptr;
    QLabel* m_FolderListLabel = nullptr;
    QLabel* m_SharingListLabel = nullptr;
    QListWidget* m_SMBFolderLB = nullptr;
    QListWidget* m_SMBPublicFolderLB = nullptr;
    QPushButton* m_MovetoPublicBtn = nullptr;
    QPushButton* m_MovetoSMBBtn = nullptr;
    QPushButton* m_ShowCreateBtn = nullptr;
    QPushButton* m_ShowRenameBtn = nullptr;
    QPushButton* m_ShowDeleteBtn = nullptr;
    QPushButton* m_ShowPublicPassBtn = nullptr;

    // The names the rename and password dialogs act on, as the unit sent them: the fields show only text.
    QByteArray m_renameOldName;
    QByteArray m_passwordFolder;
};

} // namespace Console
