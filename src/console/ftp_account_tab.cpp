#include "console/ftp_account_tab.h"

#include "base/localize.h"
#include "base/visible_name.h"
#include "console/console_context.h"
#include "console/console_dialogs.h"
#include "console/folder_lists.h"
#include "console/ftp_rules.h"
#include "console/page_tabs.h"
#include "console/tab_widgets.h"
#include "ui/form_base.h"
#include "ui/plain_label.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <utility>

namespace Console {

using TabWidgets::kMaroon;
using TabWidgets::place;
using TabWidgets::useConsoleText;
using namespace FolderLists;

namespace {

const char* const kFolderList = "Modify FTP Account Folder List";

} // namespace

FtpAccountTab::FtpAccountTab(ConsoleContext& console) : ConsolePage(console, "TabSheet6", "Modify FTP") {
    resize(569, 537);

    m_ModifyFTPGB = place(new QGroupBox(QStringLiteral("Modify FTP Account"), this), "ModifyFTPGB", 10, 8, 545, 130);
    m_AccountLabel = place(Ui::plainLabel(QStringLiteral("Account"), m_ModifyFTPGB), "Label46", 12, 30, 120, 23);
    m_ModFTPAccLabel = place(Ui::plainLabel(QString(), m_ModifyFTPGB), "ModFTPAccLabel", 140, 30, 304, 23);

    m_PasswordLabel = place(Ui::plainLabel(QStringLiteral("Password"), m_ModifyFTPGB), "Label47", 12, 62, 120, 23);
    m_ModFTPPassEdit = place(new QLineEdit(m_ModifyFTPGB), "ModFTPPassEdit", 140, 62, 150, 23);
    m_ModFTPPassEdit->setEchoMode(QLineEdit::Password);
    m_ModFTPPassEdit->setMaxLength(12);

    m_AccessLabel = place(Ui::plainLabel(QStringLiteral("Access"), m_ModifyFTPGB), "Label48", 12, 94, 120, 23);
    m_ModFTPReadRB =
        place(new QRadioButton(QStringLiteral("Read only"), m_ModifyFTPGB), "ModFTPReadRB", 140, 94, 118, 23);
    m_ModFTPWriteRB =
        place(new QRadioButton(QStringLiteral("Read/Write"), m_ModifyFTPGB), "ModFTPWriteRB", 258, 94, 118, 23);
    m_ModFTPBtn = place(new QPushButton(QStringLiteral("Set"), m_ModifyFTPGB), "ModFTPBtn", 452, 93, 81, 25);

    m_ModFTPFolderGB = place(new QGroupBox(QStringLiteral("Modify FTP Account Folder List"), this), "ModFTPFolderGB",
                             10, 148, 545, 348);
    m_FolderListLabel =
        place(Ui::plainLabel(QStringLiteral("Folder List"), m_ModFTPFolderGB), "Label49", 12, 28, 215, 21);
    m_SharingListLabel =
        place(Ui::plainLabel(QStringLiteral("Sharing List "), m_ModFTPFolderGB), "Label50", 318, 28, 215, 21);
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

    connect(m_ModFTPBtn, &QPushButton::clicked, this, &FtpAccountTab::ModFTPBtnClick);
    connect(m_ModMovetoSharBtn, &QPushButton::clicked, this, &FtpAccountTab::ModMovetoSharBtnClick);
    connect(m_ModMovetoFolderBtn, &QPushButton::clicked, this, &FtpAccountTab::ModMovetoFolderBtnClick);
    connect(m_ShowModCreateBtn, &QPushButton::clicked, this, &FtpAccountTab::ShowModCreateBtnClick);
    connect(m_ShowModRenameBtn, &QPushButton::clicked, this, &FtpAccountTab::ShowModRenameBtnClick);
    connect(m_ModDelBtn, &QPushButton::clicked, this, &FtpAccountTab::ModDelBtnClick);
    connect(m_BackBtn, &QPushButton::clicked, this, &FtpAccountTab::BackBtnClick);
    connect(m_FTPSFLB, &QListWidget::itemClicked, this, &FtpAccountTab::FTPSFLBClick);
    connect(m_FTPSSharLB, &QListWidget::itemClicked, this, &FtpAccountTab::FTPSSharLBClick);
}

void FtpAccountTab::dialogsReady() {
    const ConsoleDialogs& d = console().dialogs();
    const auto offerCreate = [this] { m_ShowModCreateBtn->setEnabled(true); };
    if (d.createAccountFolder) {
        connect(d.createAccountFolder, &NameDialog::setPressed, this, &FtpAccountTab::ModCreateFBtnClick,
                Qt::UniqueConnection);
        connect(d.createAccountFolder, &Ui::FormBase::closed, this, offerCreate);
    }
    if (d.renameAccountFolder) {
        connect(d.renameAccountFolder, &NameDialog::setPressed, this, &FtpAccountTab::ModRenameFBtnClick,
                Qt::UniqueConnection);
        connect(d.renameAccountFolder, &Ui::FormBase::closed, this, offerCreate);
    }
}

void FtpAccountTab::ModifyFtpButtonsOff() {
    for (QPushButton* button :
         {m_ShowModCreateBtn, m_ShowModRenameBtn, m_ModDelBtn, m_ModMovetoSharBtn, m_ModMovetoFolderBtn})
        button->setEnabled(false);
    m_ShowModCreateBtn->setEnabled(true);
    console().setModifyFtpTabVisible(true);
}

void FtpAccountTab::dropSelections() {
    dropSelection(m_FTPSFLB);
    dropSelection(m_FTPSSharLB);
}

void FtpAccountTab::FtpAccountTabShow() {
    ModifyFtpButtonsOff();
    const FtpAccountView view = readFtpAccountPage(console().FetchPage());
    showView(view);
    // Another client may have selected another account between the FTP page's Modify and this read.
    const QByteArray picked = std::exchange(m_picked, QByteArray());
    if (!picked.isEmpty() && view.account != picked) {
        if (const auto moved = selectionCheck(view.account, picked))
            console().showMessage(*moved);
    }
}

void FtpAccountTab::showView(const FtpAccountView& view) {
    m_account = view.account;
    m_ModFTPAccLabel->setText(Base::visibleNameText(view.account));
    // The stored password is shown whole, however long, and goes back as stored unless it is changed.
    m_storedPassword = view.password;
    m_shownPassword = QString::fromUtf8(view.password);
    m_ModFTPPassEdit->setMaxLength(std::max<int>(kFolderNameBytes, static_cast<int>(m_shownPassword.size())));
    m_ModFTPPassEdit->setText(m_shownPassword);
    (view.readOnly ? m_ModFTPReadRB : m_ModFTPWriteRB)->setChecked(true);
    fill(m_FTPSFLB, view.folders);
    fill(m_FTPSSharLB, view.shares);
    dropSelections();
}

bool FtpAccountTab::accountStillSelected() {
    if (m_account.isEmpty()) {
        console().showMessage(*selectionCheck(m_account, m_account));
        return false;
    }
    const QByteArray page = console().FetchPage();
    // A read that failed has said so.
    if (page.isEmpty())
        return false;
    const FtpAccountView view = readFtpAccountPage(page);
    const auto moved = selectionCheck(view.account, m_account);
    if (!moved)
        return true;
    console().showMessage(*moved);
    showView(view);
    return false;
}

void FtpAccountTab::ModFTPBtnClick() {
    ModifyFtpButtonsOff();
    const QString typed = m_ModFTPPassEdit->text();
    const QByteArray password = typed == m_shownPassword ? m_storedPassword : typed.toUtf8();
    const Checked checked = accountSetChange(console().unit(), m_account, password, m_ModFTPReadRB->isChecked());
    if (const Base::Refusal* refusal = refusalOf(checked)) {
        console().showMessage(*refusal);
        return;
    }
    if (accountStillSelected())
        console().SendCgi(*changeOf(checked));
}

void FtpAccountTab::ModMovetoSharBtnClick() {
    ModifyFtpButtonsOff();
    const QListWidgetItem* item = selected(m_FTPSFLB);
    if (!item)
        return;
    const Checked checked = giveFolderChange(console().unit(), m_account, bytesOf(item));
    if (const Base::Refusal* refusal = refusalOf(checked))
        console().showMessage(*refusal);
    else if (accountStillSelected())
        console().SendWithRetry(*changeOf(checked), kModifyFtpPage);
    dropSelections();
    m_ShowModCreateBtn->setEnabled(true);
}

void FtpAccountTab::ModMovetoFolderBtnClick() {
    ModifyFtpButtonsOff();
    const QListWidgetItem* item = selected(m_FTPSSharLB);
    if (!item)
        return;
    const QByteArray folder = bytesOf(item);
    if (accountStillSelected())
        console().SendWithRetry(takeFolderChange(console().unit(), m_account, folder), kModifyFtpPage);
    dropSelections();
    m_ShowModCreateBtn->setEnabled(true);
}

void FtpAccountTab::ShowModCreateBtnClick() {
    ModifyFtpButtonsOff();
    dropSelections();
    CreateAccountFolderDialog* dialog = console().dialogs().createAccountFolder;
    if (!dialog)
        return;
    dialog->showAndRaise();
    dialog->modCreateFEdit()->setFocus();
}

void FtpAccountTab::ShowModRenameBtnClick() {
    ModifyFtpButtonsOff();
    const QListWidgetItem* item = selected(m_FTPSFLB);
    if (!item)
        return;
    m_renameOldName = bytesOf(item);
    RenameAccountFolderDialog* dialog = console().dialogs().renameAccountFolder;
    if (dialog) {
        // The field's 12-character limit is for typing: the unit's name is shown whole.
        QLineEdit* oldField = dialog->modRenOldnameEdit();
        oldField->setMaxLength(std::max<int>(kFolderNameBytes, static_cast<int>(item->text().size())));
        oldField->setText(item->text());
        oldField->setEnabled(false);
    }
    dropSelections();
    m_ShowModCreateBtn->setEnabled(true);
    if (!dialog)
        return;
    dialog->showAndRaise();
    dialog->modRenNewnameEdit()->setFocus();
}

void FtpAccountTab::ModDelBtnClick() {
    ModifyFtpButtonsOff();
    const QListWidgetItem* item = selected(m_FTPSFLB);
    if (!item)
        return;
    const QByteArray folder = bytesOf(item);
    if (console().confirm(accountFolderDeleteQuestion(folder)))
        console().SendWithRetry(accountFolderDeleteChange(console().unit(), folder), kModifyFtpPage);
    dropSelections();
}

void FtpAccountTab::BackBtnClick() {
    // The FTP page comes into view and is read; reading it hides this tab.
    console().bringPageIntoView(kFtpPage);
    console().setModifyFtpTabVisible(false);
}

void FtpAccountTab::FTPSFLBClick() {
    ModifyFtpButtonsOff();
    // A Ctrl+click may have taken the selection away.
    if (!selected(m_FTPSFLB))
        return;
    for (QPushButton* button : {m_ModMovetoSharBtn, m_ShowModRenameBtn, m_ModDelBtn})
        button->setEnabled(true);
    dropSelection(m_FTPSSharLB);
}

void FtpAccountTab::FTPSSharLBClick() {
    ModifyFtpButtonsOff();
    if (!selected(m_FTPSSharLB))
        return;
    m_ModMovetoFolderBtn->setEnabled(true);
    dropSelection(m_FTPSFLB);
}

void FtpAccountTab::ModCreateFBtnClick() {
    CreateAccountFolderDialog* dialog = console().dialogs().createAccountFolder;
    QLineEdit* field = dialog->modCreateFEdit();
    const auto name = applyNameRule(console(), field, FolderNameRule(field->text(), kFolderList, "FTP Server"));
    if (!name)
        return;
    console().SendWithRetry(accountFolderCreateChange(console().unit(), *name), kModifyFtpPage);
    field->clear();
    m_ShowModCreateBtn->setEnabled(true);
    dialog->hide();
}

void FtpAccountTab::ModRenameFBtnClick() {
    RenameAccountFolderDialog* dialog = console().dialogs().renameAccountFolder;
    QLineEdit* field = dialog->modRenNewnameEdit();
    QLineEdit* oldField = dialog->modRenOldnameEdit();
    // The old name goes back as the unit sent it, unless it was typed over.
    const QByteArray oldName =
        oldField->text() == Base::visibleNameText(m_renameOldName) ? m_renameOldName : oldField->text().toUtf8();
    NameRuleResult rule = FolderNameRule(field->text(), kFolderList, "FTP Server");
    const bool tooLong = rule.refusal && rule.refusal->messageKey == QLatin1String("Over Maximum 12 characters.");
    // The same name is caught before the character check, as the old name may hold characters the rule refuses.
    const bool checkedLength = !rule.refusal || (rule.emptyField && !tooLong);
    if (checkedLength && rule.name.toUtf8() == oldName) {
        rule.refusal = sameNameRefusal();
        rule.emptyField = true;
    }
    const auto name = applyNameRule(console(), field, rule);
    if (!name) {
        // After a length refusal the old name may be corrected by hand too.
        if (tooLong)
            oldField->setEnabled(true);
        field->setEnabled(true);
        return;
    }
    console().SendWithRetry(accountFolderRenameChange(console().unit(), *name, oldName), kModifyFtpPage);
    field->clear();
    oldField->clear();
    m_ShowModCreateBtn->setEnabled(true);
    dialog->hide();
}

} // namespace Console
