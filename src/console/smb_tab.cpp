#include "console/smb_tab.h"

#include "base/localize.h"
#include "console/tab_widgets.h"
#include "ui/form_base.h"
#include "ui/plain_label.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace Console {

using TabWidgets::place;
using TabWidgets::useConsoleText;

SmbTab::SmbTab(ConsoleContext& console) : ConsolePage(console, "TabSheet4", "SMB Server") {
    resize(569, 537);

    m_SMBGB = place(new QGroupBox(QStringLiteral("SMB Server"), this), "SMBGB", 10, 8, 545, 488);
    m_Label39 = place(Ui::plainLabel(QStringLiteral("Folder List"), m_SMBGB), "Label39", 12, 28, 215, 21);
    m_Label40 = place(Ui::plainLabel(QStringLiteral("Sharing List"), m_SMBGB), "Label40", 318, 28, 215, 21);
    m_SMBFolderLB = place(new QListWidget(m_SMBGB), "SMBFolderLB", 12, 52, 215, 380);
    m_SMBPublicFolderLB = place(new QListWidget(m_SMBGB), "SMBPublicFolderLB", 318, 52, 215, 380);

    // Between the lists, pointing the way a folder moves.
    m_MovetoPublicBtn = place(new QPushButton(QStringLiteral("-->"), m_SMBGB), "MovetoPublicBtn", 247, 210, 51, 25);
    m_MovetoSMBBtn = place(new QPushButton(QStringLiteral("<--"), m_SMBGB), "MovetoSMBBtn", 247, 249, 51, 25);

    // Folder operations under the folder list, the share password under the sharing list.
    m_ShowCreateBtn = place(new QPushButton(QStringLiteral("Create"), m_SMBGB), "ShowCreateBtn", 12, 446, 69, 25);
    m_ShowRenameBtn = place(new QPushButton(QStringLiteral("Rename"), m_SMBGB), "ShowRenameBtn", 85, 446, 69, 25);
    m_ShowDeleteBtn = place(new QPushButton(QStringLiteral("Delete"), m_SMBGB), "ShowDeleteBtn", 158, 446, 69, 25);
    m_ShowPublicPassBtn =
        place(new QPushButton(QStringLiteral("Password"), m_SMBGB), "ShowPublicPassBtn", 452, 446, 81, 25);

    // Until a click selects a folder or a share, only Create has something to act on.
    for (QPushButton* button :
         {m_MovetoPublicBtn, m_MovetoSMBBtn, m_ShowRenameBtn, m_ShowDeleteBtn, m_ShowPublicPassBtn})
        button->setEnabled(false);
    useConsoleText(this);
    keepCaptionKeys();
}

} // namespace Console
