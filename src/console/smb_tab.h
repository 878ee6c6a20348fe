#pragma once

#include "console/console_page.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace Console {

// The SMB Server page (TabSheet4): the unit's folders and which of them are shared.
class SmbTab final : public ConsolePage {
    Q_OBJECT
public:
    explicit SmbTab(ConsoleContext& console);

    QListWidget* smbFolderLB() const { return m_SMBFolderLB; }
    QListWidget* smbPublicFolderLB() const { return m_SMBPublicFolderLB; }
    QPushButton* movetoPublicBtn() const { return m_MovetoPublicBtn; }
    QPushButton* movetoSMBBtn() const { return m_MovetoSMBBtn; }
    QPushButton* showCreateBtn() const { return m_ShowCreateBtn; }
    QPushButton* showRenameBtn() const { return m_ShowRenameBtn; }
    QPushButton* showDeleteBtn() const { return m_ShowDeleteBtn; }
    QPushButton* showPublicPassBtn() const { return m_ShowPublicPassBtn; }

private:
    QGroupBox* m_SMBGB = nullptr;
    QLabel* m_Label39 = nullptr;
    QLabel* m_Label40 = nullptr;
    QListWidget* m_SMBFolderLB = nullptr;
    QListWidget* m_SMBPublicFolderLB = nullptr;
    QPushButton* m_MovetoPublicBtn = nullptr;
    QPushButton* m_MovetoSMBBtn = nullptr;
    QPushButton* m_ShowCreateBtn = nullptr;
    QPushButton* m_ShowRenameBtn = nullptr;
    QPushButton* m_ShowDeleteBtn = nullptr;
    QPushButton* m_ShowPublicPassBtn = nullptr;
};

} // namespace Console
