#include "console/ftp_account_tab.h"

#include "base/localize.h"
#include "console/tab_widgets.h"
#include "ui/form_base.h"
#include "ui/plain_label.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace Console {

using TabWidgets::kMaroon;
using TabWidgets::place;
using TabWidgets::useConsoleText;

FtpAccountTab::FtpAccountTab(ConsoleContext& console) : ConsolePage(console, "TabSheet6", "Modify FTP") {
    resize(569, 537);

    m_ModifyFTPGB = place(new QGroupBox(QStringLiteral("Modify FTP Account"), this), "ModifyFTPGB", 10, 8, 545, 130);
    m_Label46 = place(Ui::plainLabel(QStringLiteral("Account"), m_ModifyFTPGB), "Label46", 12, 30, 120, 23);
    m_ModFTPAccLabel = place(Ui::plainLabel(QString(), m_ModifyFTPGB), "ModFTPAccLabel", 140, 30, 304, 23);

    m_Label47 = place(Ui::plainLabel(QStringLiteral("Password"), m_ModifyFTPGB), "Label47", 12, 62, 120, 23);
    m_ModFTPPassEdit = place(new QLineEdit(m_ModifyFTPGB), "ModFTPPassEdit", 140, 62, 150, 23);
    m_ModFTPPassEdit->setEchoMode(QLineEdit::Password);
    m_ModFTPPassEdit->setMaxLength(12);

    m_Label48 = place(Ui::plainLabel(QStringLiteral("Access"), m_ModifyFTPGB), "Label48", 12, 94, 120, 23);
    m_ModFTPReadRB =
        place(new QRadioButton(QStringLiteral("Read only"), m_ModifyFTPGB), "ModFTPReadRB", 140, 94, 118, 23);
    m_ModFTPWriteRB =
        place(new QRadioButton(QStringLiteral("Read/Write"), m_ModifyFTPGB), "ModFTPWriteRB", 258, 94, 118, 23);
    m_ModFTPBtn = place(new QPushButton(QStringLiteral("Set"), m_ModifyFTPGB), "ModFTPBtn", 452, 93, 81, 25);

    m_ModFTPFolderGB = place(new QGroupBox(QStringLiteral("Modify FTP Account Folder List"), this), "ModFTPFolderGB",
                             10, 148, 545, 348);
    m_Label49 = place(Ui::plainLabel(QStringLiteral("Folder List"), m_ModFTPFolderGB), "Label49", 12, 28, 215, 21);
    m_Label50 = place(Ui::plainLabel(QStringLiteral("Sharing List "), m_ModFTPFolderGB), "Label50", 318, 28, 215, 21);
    m_FTPSFLB = place(new QListWidget(m_ModFTPFolderGB), "FTPSFLB", 12, 52, 215, 244);
    m_FTPSSharLB = place(new QListWidget(m_ModFTPFolderGB), "FTPSSharLB", 318, 52, 215, 244);

    // Between the lists, pointing the way a folder moves.
    m_ModMovetoSharBtn =
        place(new QPushButton(QStringLiteral("-->"), m_ModFTPFolderGB), "ModMovetoSharBtn", 247, 142, 51, 25);
    m_ModMovetoFolderBtn =
        place(new QPushButton(QStringLiteral("<--"), m_ModFTPFolderGB), "ModMovetoFolderBtn", 247, 181, 51, 25);

    m_ShowModCreateBtn =
        place(new QPushButton(QStringLiteral("Create"), m_ModFTPFolderGB), "ShowModCreateBtn", 12, 308, 69, 25);
    m_ShowModRenameBtn =
        place(new QPushButton(QStringLiteral("Rename"), m_ModFTPFolderGB), "ShowModRenameBtn", 85, 308, 69, 25);
    m_ModDelBtn = place(new QPushButton(QStringLiteral("Delete"), m_ModFTPFolderGB), "ModDelBtn", 158, 308, 69, 25);
    m_BackBtn = place(new QPushButton(QStringLiteral("Back"), m_ModFTPFolderGB), "BackBtn", 452, 308, 81, 25);

    // Until a click selects a folder, only Create has something to act on.
    for (QPushButton* button : {m_ModMovetoSharBtn, m_ModMovetoFolderBtn, m_ShowModRenameBtn, m_ModDelBtn})
        button->setEnabled(false);
    useConsoleText(this);
    keepCaptionKeys();
    // The account name is read from the unit, so it is coloured like the console's other read values.
    QPalette accountPalette = m_ModFTPAccLabel->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        accountPalette.setColor(group, QPalette::WindowText, kMaroon);
    m_ModFTPAccLabel->setPalette(accountPalette);
}

} // namespace Console
