#include "console/smb_tab.h"

#include "base/localize.h"
#include "console/console_context.h"
#include "console/console_dialogs.h"
#include "console/folder_lists.h"
#include "console/page_tabs.h"
#include "console/smb_rules.h"
#include "console/tab_widgets.h"
#include "ui/form_base.h"
#include "ui/plain_label.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace Console {

using TabWidgets::place;
using TabWidgets::useConsoleText;
using namespace FolderLists;

SmbTab::SmbTab(ConsoleContext& console) : ConsolePage(console, "TabSheet4", "SMB Server") {
    resize(569, 537);

    m_SMBGB = place(new QGroupBox(QStringLiteral("SMB Server"), this), "SMBGB", 10, 8, 545, 488);
    m_FolderListLabel = place(Ui::plainLabel(QStringLiteral("Folder List"), m_SMBGB), "Label39", 12, 28, 215, 21);
    m_SharingListLabel = place(Ui::plainLabel(QStringLiteral("Sharing List"), m_SMBGB), "Label40", 318, 28, 215, 21);
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

    connect(m_SMBFolderLB, &QListWidget::itemClicked, this, &SmbTab::SMBFolderLBClick);
    connect(m_SMBPublicFolderLB, &QListWidget::itemClicked, this, &SmbTab::SMBPublicFolderLBClick);
    connect(m_MovetoPublicBtn, &QPushButton::clicked, this, &SmbTab::MovetoPublicBtnClick);
    connect(m_MovetoSMBBtn, &QPushButton::clicked, this, &SmbTab::MovetoSMBBtnClick);
    connect(m_ShowDeleteBtn, &QPushButton::clicked, this, &SmbTab::ShowDeleteBtnClick);
    connect(m_ShowCreateBtn, &QPushButton::clicked, this, &SmbTab::ShowCreateBtnClick);
    connect(m_ShowRenameBtn, &QPushButton::clicked, this, &SmbTab::ShowRenameBtnClick);
    connect(m_ShowPublicPassBtn, &QPushButton::clicked, this, &SmbTab::ShowPublicPassBtnClick);
}

void SmbTab::dialogsReady() {
    const ConsoleDialogs& d = console().dialogs();
    if (d.createFolder) {
        connect(d.createFolder, &NameDialog::setPressed, this, &SmbTab::CreateFBtnClick, Qt::UniqueConnection);
        connect(d.createFolder, &Ui::FormBase::closed, this, &SmbTab::dialogDone, Qt::UniqueConnection);
    }
    if (d.renameFolder) {
        connect(d.renameFolder, &NameDialog::setPressed, this, &SmbTab::RenameFBtnClick, Qt::UniqueConnection);
        connect(d.renameFolder, &Ui::FormBase::closed, this, &SmbTab::dialogDone, Qt::UniqueConnection);
    }
    if (d.sharePassword) {
        connect(d.sharePassword, &NameDialog::setPressed, this, &SmbTab::PublicPassBtnClick, Qt::UniqueConnection);
        connect(d.sharePassword, &Ui::FormBase::closed, this, &SmbTab::dialogDone, Qt::UniqueConnection);
    }
}

void SmbTab::SmbButtonsOff() {
    for (QPushButton* button :
         {m_ShowCreateBtn, m_ShowRenameBtn, m_ShowDeleteBtn, m_ShowPublicPassBtn, m_MovetoPublicBtn, m_MovetoSMBBtn})
        button->setEnabled(false);
}

void SmbTab::SmbTabShow() {
    SmbButtonsOff();
    m_ShowCreateBtn->setEnabled(true);
    const SmbView view = readSmbPage(console().FetchPage());
    fill(m_SMBFolderLB, view.folders);
    fill(m_SMBPublicFolderLB, view.shares);
    dropSelection(m_SMBFolderLB);
    dropSelection(m_SMBPublicFolderLB);
}

void SmbTab::SMBFolderLBClick() {
    SmbButtonsOff();
    // A Ctrl+click may have taken the selection away: then only Create has something to act on.
    if (!selected(m_SMBFolderLB)) {
        m_ShowCreateBtn->setEnabled(true);
        return;
    }
    for (QPushButton* button : {m_ShowCreateBtn, m_ShowRenameBtn, m_ShowDeleteBtn, m_MovetoPublicBtn})
        button->setEnabled(true);
    dropSelection(m_SMBPublicFolderLB);
}

void SmbTab::SMBPublicFolderLBClick() {
    SmbButtonsOff();
    if (!selected(m_SMBPublicFolderLB)) {
        m_ShowCreateBtn->setEnabled(true);
        return;
    }
    m_MovetoSMBBtn->setEnabled(true);
    m_ShowPublicPassBtn->setEnabled(true);
    dropSelection(m_SMBFolderLB);
}

void SmbTab::MovetoPublicBtnClick() {
    SmbButtonsOff();
    const QListWidgetItem* item = selected(m_SMBFolderLB);
    if (!item) {
        m_ShowCreateBtn->setEnabled(true);
        return;
    }
    const Checked checked = publishChange(console().unit(), bytesOf(item));
    if (const Base::Refusal* refusal = refusalOf(checked)) {
        // The buttons stay off until the next click in a list.
        console().showMessage(*refusal);
        return;
    }
    console().SendWithRetry(*changeOf(checked), kSmbPage);
    dropSelection(m_SMBFolderLB);
    dropSelection(m_SMBPublicFolderLB);
    m_ShowCreateBtn->setEnabled(true);
}

void SmbTab::MovetoSMBBtnClick() {
    SmbButtonsOff();
    const QListWidgetItem* item = selected(m_SMBPublicFolderLB);
    if (!item) {
        m_ShowCreateBtn->setEnabled(true);
        return;
    }
    const Checked checked = withdrawChange(console().unit(), bytesOf(item));
    if (const Base::Refusal* refusal = refusalOf(checked)) {
        console().showMessage(*refusal);
        return;
    }
    console().SendWithRetry(*changeOf(checked), kSmbPage);
    dropSelection(m_SMBFolderLB);
    dropSelection(m_SMBPublicFolderLB);
    m_ShowCreateBtn->setEnabled(true);
}

void SmbTab::ShowDeleteBtnClick() {
    SmbButtonsOff();
    // No folder selected, no question and no request.
    const QByteArray folder = bytesOf(selected(m_SMBFolderLB));
    if (selected(m_SMBFolderLB) && console().confirm(deleteFolderQuestion(folder)))
        console().SendWithRetry(deleteFolderChange(console().unit(), folder), kSmbPage);
    dropSelection(m_SMBFolderLB);
    m_ShowCreateBtn->setEnabled(true);
}

void SmbTab::ShowCreateBtnClick() {
    SmbButtonsOff();
    dropSelection(m_SMBFolderLB);
    CreateFolderDialog* dialog = console().dialogs().createFolder;
    if (!dialog)
        return;
    dialog->showAndRaise();
    dialog->foldernameEdit()->setFocus();
}

void SmbTab::ShowRenameBtnClick() {
    SmbButtonsOff();
    const QListWidgetItem* item = selected(m_SMBFolderLB);
    if (!item) {
        m_ShowCreateBtn->setEnabled(true);
        return;
    }
    m_renameOldName = bytesOf(item);
    RenameFolderDialog* dialog = console().dialogs().renameFolder;
    if (dialog)
        dialog->oldFoldernameEdit()->setText(textOf(item));
    dropSelection(m_SMBFolderLB);
    if (!dialog)
        return;
    dialog->showAndRaise();
    dialog->newFoldernameEdit()->setFocus();
}

void SmbTab::ShowPublicPassBtnClick() {
    SmbButtonsOff();
    const QListWidgetItem* item = selected(m_SMBPublicFolderLB);
    if (!item) {
        m_ShowCreateBtn->setEnabled(true);
        return;
    }
    m_passwordFolder = bytesOf(item);
    SharePasswordDialog* dialog = console().dialogs().sharePassword;
    if (dialog)
        dialog->publicFolderEdit()->setText(textOf(item));
    dropSelection(m_SMBPublicFolderLB);
    if (!dialog)
        return;
    dialog->showAndRaise();
    dialog->publicPassEdit()->setFocus();
}

std::optional<QString> SmbTab::checkedName(QLineEdit* field) {
    return applyNameRule(console(), field, FolderNameRule(field->text(), "SMB Server", "SMB Server"));
}

void SmbTab::CreateFBtnClick() {
    CreateFolderDialog* dialog = console().dialogs().createFolder;
    QLineEdit* field = dialog->foldernameEdit();
    const std::optional<QString> name = checkedName(field);
    if (!name)
        return;
    console().SendWithRetry(createFolderChange(console().unit(), *name), kSmbPage);
    field->clear();
    dialogDone();
    dialog->hide();
}

void SmbTab::RenameFBtnClick() {
    RenameFolderDialog* dialog = console().dialogs().renameFolder;
    QLineEdit* field = dialog->newFoldernameEdit();
    const std::optional<QString> name = checkedName(field);
    if (!name)
        return;
    console().SendWithRetry(renameFolderChange(console().unit(), *name, m_renameOldName), kSmbPage);
    field->clear();
    dialog->oldFoldernameEdit()->clear();
    dialogDone();
    dialog->hide();
}

void SmbTab::PublicPassBtnClick() {
    SharePasswordDialog* dialog = console().dialogs().sharePassword;
    const PasswordRuleResult rule =
        SharePasswordRule(dialog->publicPassEdit()->text(), dialog->verifyPassEdit()->text());
    dialog->publicPassEdit()->setText(rule.password);
    dialog->verifyPassEdit()->setText(rule.verify);
    if (rule.refusal) {
        console().showMessage(*rule.refusal);
        // The folder stays as the page filled it, not editable, so a later Set still names that share.
        dialog->publicPassEdit()->clear();
        dialog->verifyPassEdit()->clear();
        return;
    }
    console().SendWithRetry(sharePasswordChange(console().unit(), m_passwordFolder, rule.password, rule.verify),
                            kSmbPage);
    dialog->publicFolderEdit()->clear();
    dialog->publicPassEdit()->clear();
    dialog->verifyPassEdit()->clear();
    dialogDone();
    dialog->hide();
}

void SmbTab::dialogDone() {
    m_ShowCreateBtn->setEnabled(true);
}

} // namespace Console
