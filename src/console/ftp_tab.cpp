#include "console/ftp_tab.h"

#include "base/localize.h"
#include "base/visible_name.h"
#include "console/console_context.h"
#include "console/console_dialogs.h"
#include "console/folder_lists.h"
#include "console/ftp_rules.h"
#include "console/page_tabs.h"
#include "console/smb_rules.h"
#include "console/tab_widgets.h"
#include "ui/form_base.h"
#include "ui/plain_label.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace Console {

using TabWidgets::place;
using TabWidgets::useConsoleText;

namespace {

constexpr int kAccountColumnWidths[] = {150, 150, 110, 106, 0};
const char* const kAccountColumnTitles[] = {"User Name", "Password", "Access", "En/Disable"};

// What the unit knows a row by: the account's value, and the place of its option in the unit's list.
constexpr int kValueRole = Qt::UserRole;
constexpr int kOptionRole = Qt::UserRole + 1;
// The user name as the unit sent it: the cell shows it escaped.
constexpr int kUserRole = Qt::UserRole + 2;

} // namespace

FtpTab::FtpTab(ConsoleContext& console) : ConsolePage(console, "TabSheet5", "FTP Server") {
    resize(569, 537);

    m_FTPConfGB = place(new QGroupBox(QStringLiteral("FTP Configuration"), this), "FTPConfGB", 10, 8, 545, 200);

    m_FtpStatusLabel = place(Ui::plainLabel(QStringLiteral("FTP Status"), m_FTPConfGB), "Label41", 12, 30, 120, 23);
    m_FTPStatusCB = place(new QComboBox(m_FTPConfGB), "FTPStatusCB", 140, 30, 110, 23);
    // Typed text is accepted as well as the two items, and nothing is chosen until the unit is read.
    m_FTPStatusCB->setEditable(true);
    m_FTPStatusCB->addItems({QStringLiteral("Enable"), QStringLiteral("Disable")});
    m_FTPStatusCB->setCurrentIndex(-1);

    m_PortLabel = place(Ui::plainLabel(QStringLiteral("Port"), m_FTPConfGB), "Label43", 12, 62, 120, 23);
    m_FTPPortEdit = place(new QLineEdit(m_FTPConfGB), "FTPPortEdit", 140, 62, 110, 23);
    m_FTPPortEdit->setMaxLength(5);
    m_PortRangeLabel =
        place(Ui::plainLabel(QStringLiteral("(21 or 1025-65500) "), m_FTPConfGB), "Label44", 258, 62, 186, 23);
    m_FTPStatusBtn = place(new QPushButton(QStringLiteral("Set"), m_FTPConfGB), "FTPStatusBtn", 452, 61, 81, 25);

    // Each pair sits on a panel of its own so that the two choices are exclusive only within the pair.
    m_AnonymousLabel =
        place(Ui::plainLabel(QStringLiteral("Allow anonymous"), m_FTPConfGB), "Label42", 12, 100, 120, 23);
    m_FTPAnonyStatusPL = place(new QWidget(m_FTPConfGB), "FTPAnonyStatusPL", 140, 100, 300, 23);
    m_AnonyEnRB = place(new QRadioButton(QStringLiteral("Enable"), m_FTPAnonyStatusPL), "AnonyEnRB", 0, 0, 118, 23);
    m_AnonyDisRB =
        place(new QRadioButton(QStringLiteral("Disable"), m_FTPAnonyStatusPL), "AnonyDisRB", 118, 0, 118, 23);
    m_FTPAnonyReWrPL = place(new QWidget(m_FTPConfGB), "FTPAnonyReWrPL", 140, 126, 300, 23);
    m_AnonyReadORB =
        place(new QRadioButton(QStringLiteral("Read only"), m_FTPAnonyReWrPL), "AnonyReadORB", 0, 0, 118, 23);
    m_AnonyWriteRB =
        place(new QRadioButton(QStringLiteral("Read/Write"), m_FTPAnonyReWrPL), "AnonyWriteRB", 118, 0, 118, 23);

    m_HomeDirectoryLabel =
        place(Ui::plainLabel(QStringLiteral("Home Directory"), m_FTPConfGB), "Label45", 12, 160, 120, 23);
    m_AnonyHDCB = place(new QComboBox(m_FTPConfGB), "AnonyHDCB", 140, 160, 178, 23);
    m_AnonyHDCB->setEditable(true);
    m_AnonyBtn = place(new QPushButton(QStringLiteral("Set"), m_FTPConfGB), "AnonyBtn", 452, 159, 81, 25);

    m_FTPCreatAccGB = place(new QGroupBox(QStringLiteral("Account List "), this), "FTPCreatAccGB", 10, 216, 545, 280);
    m_AccountLV = place(new QTableWidget(0, AccountColumns, m_FTPCreatAccGB), "AccountLV", 12, 30, 521, 198);
    m_AccountLV->setShowGrid(true);
    m_AccountLV->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_AccountLV->setSelectionMode(QAbstractItemView::SingleSelection);
    m_AccountLV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_AccountLV->setWordWrap(false);
    m_AccountLV->verticalHeader()->setVisible(false);
    m_AccountLV->verticalHeader()->setDefaultSectionSize(20);
    m_AccountLV->horizontalHeader()->setHighlightSections(false);
    m_AccountLV->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < AccountColumns; ++column) {
        const QString title =
            column == ValueColumn ? QStringLiteral("Value") : QString::fromLatin1(kAccountColumnTitles[column]);
        m_AccountLV->setHorizontalHeaderItem(column, new QTableWidgetItem(title));
        m_AccountLV->setColumnWidth(column, kAccountColumnWidths[column]);
    }
    m_AccountLV->setColumnHidden(ValueColumn, true);

    m_AccAddBtn = place(new QPushButton(QStringLiteral("Create"), m_FTPCreatAccGB), "AccAddBtn", 191, 240, 81, 25);
    m_AccModifyBtn =
        place(new QPushButton(QStringLiteral("Modify"), m_FTPCreatAccGB), "AccModifyBtn", 278, 240, 81, 25);
    m_AccStatusBtn =
        place(new QPushButton(QStringLiteral("En/Disable"), m_FTPCreatAccGB), "AccStatusBtn", 365, 240, 81, 25);
    m_AccDelBtn = place(new QPushButton(QStringLiteral("Delete"), m_FTPCreatAccGB), "AccDelBtn", 452, 240, 81, 25);
    // They act on the selected account, and none is selected yet.
    for (QPushButton* button : {m_AccModifyBtn, m_AccStatusBtn, m_AccDelBtn})
        button->setEnabled(false);
    useConsoleText(this);
    keepCaptionKeys();

    connect(m_FTPStatusBtn, &QPushButton::clicked, this, &FtpTab::FTPStatusBtnClick);
    connect(m_AnonyBtn, &QPushButton::clicked, this, &FtpTab::AnonyBtnClick);
    connect(m_AccountLV, &QTableWidget::cellClicked, this, &FtpTab::AccountLVClick);
    connect(m_AccAddBtn, &QPushButton::clicked, this, &FtpTab::AccAddBtnClick);
    connect(m_AccModifyBtn, &QPushButton::clicked, this, &FtpTab::AccModifyBtnClick);
    connect(m_AccStatusBtn, &QPushButton::clicked, this, &FtpTab::AccStatusBtnClick);
    connect(m_AccDelBtn, &QPushButton::clicked, this, &FtpTab::AccDelBtnClick);
}

void FtpTab::dialogsReady() {
    CreateAccountDialog* dialog = console().dialogs().createAccount;
    if (!dialog)
        return;
    connect(dialog, &NameDialog::setPressed, this, &FtpTab::FTPAddAccBtnClick, Qt::UniqueConnection);
    connect(dialog, &Ui::FormBase::closed, this, &FtpTab::accountDialogDone, Qt::UniqueConnection);
}

void FtpTab::FtpAccountButtonsOff() {
    for (QPushButton* button : {m_AccModifyBtn, m_AccStatusBtn, m_AccDelBtn})
        button->setEnabled(false);
    console().setModifyFtpTabVisible(false);
}

void FtpTab::FtpTabShow() {
    FtpAccountButtonsOff();
    const FtpView view = readFtpPage(console().FetchPage());
    m_FTPStatusCB->setCurrentIndex(view.enabled ? 0 : 1);
    m_FTPPortEdit->setText(view.port);
    (view.anonymous ? m_AnonyEnRB : m_AnonyDisRB)->setChecked(true);
    (view.anonymousReadOnly ? m_AnonyReadORB : m_AnonyWriteRB)->setChecked(true);

    m_AnonyHDCB->clear();
    for (const Web::OptionName& folder : view.folders)
        m_AnonyHDCB->addItem(Base::visibleNameText(folder.bytes), folder.bytes);
    m_AnonyHDCB->setCurrentIndex(view.folders.isEmpty() ? -1 : view.homeIndex);

    m_AccountLV->clearContents();
    m_AccountLV->setRowCount(static_cast<int>(view.accounts.size()));
    for (int row = 0; row < m_AccountLV->rowCount(); ++row) {
        const FtpAccountRow& account = view.accounts[row];
        const QByteArray* columns[] = {&account.user, &account.password, &account.access, &account.state,
                                       &account.value};
        for (int column = 0; column < AccountColumns; ++column)
            m_AccountLV->setItem(row, column, new QTableWidgetItem(Base::visibleNameText(*columns[column])));
        m_AccountLV->item(row, UserNameColumn)->setData(kValueRole, account.value);
        m_AccountLV->item(row, UserNameColumn)->setData(kOptionRole, account.option);
        m_AccountLV->item(row, UserNameColumn)->setData(kUserRole, account.user);
    }
    m_AccountLV->clearSelection();
    m_AccountLV->setCurrentItem(nullptr);
}

void FtpTab::FTPStatusBtnClick() {
    // The combo box takes typed text too: only the Enable item's words, in any case, switch the server on;
    // in a translated session the English word does as well.
    const QString typed = m_FTPStatusCB->currentText().trimmed();
    const bool enable = typed.compare(m_FTPStatusCB->itemText(0), Qt::CaseInsensitive) == 0 ||
                        typed.compare(QLatin1String("Enable"), Qt::CaseInsensitive) == 0;
    const Checked checked = ftpStateChange(console().unit(), enable, m_FTPPortEdit->text());
    if (const Base::Refusal* refusal = refusalOf(checked)) {
        console().showMessage(*refusal);
        return;
    }
    console().SendCgi(*changeOf(checked));
}

void FtpTab::AnonyBtnClick() {
    // The folder goes back as the unit named it, taken from the chosen item and never found by its text:
    // two folders may look alike. Text typed over the choice names no listed folder.
    const int chosen = m_AnonyHDCB->currentIndex();
    const bool listed = chosen >= 0 && m_AnonyHDCB->currentText() == m_AnonyHDCB->itemText(chosen);
    if (!listed && (m_AnonyHDCB->count() > 0 || !m_AnonyHDCB->currentText().isEmpty())) {
        console().showMessage(notListed(ListedKind::Folder, QStringLiteral("FTP Configuration"),
                                        {{quotedName(m_AnonyHDCB->currentText().toUtf8()), false}}));
        return;
    }
    const QByteArray home = listed ? m_AnonyHDCB->itemData(chosen).toByteArray() : QByteArray();
    console().SendRepeated(
        anonymousChange(console().unit(), m_AnonyEnRB->isChecked(), m_AnonyReadORB->isChecked(), home));
}

void FtpTab::AccountLVClick() {
    FtpAccountButtonsOff();
    // A click that took the selection away leaves nothing to act on.
    if (selectedRow() < 0)
        return;
    for (QPushButton* button : {m_AccModifyBtn, m_AccStatusBtn, m_AccDelBtn})
        button->setEnabled(true);
}

void FtpTab::AccAddBtnClick() {
    FtpAccountButtonsOff();
    console().SendWithRetry(accountCreateChange(console().unit()), kFtpPage);
    CreateAccountDialog* dialog = console().dialogs().createAccount;
    if (!dialog)
        return;
    dialog->showAndRaise();
    dialog->ftpAddAccEdit()->setFocus();
}

void FtpTab::AccModifyBtnClick() {
    const int row = selectedRow();
    if (row < 0) {
        FtpAccountButtonsOff();
        return;
    }
    const QByteArray user = m_AccountLV->item(row, UserNameColumn)->data(kUserRole).toByteArray();
    console().SendWithRetry(accountModifyChange(console().unit(), rowValue(row)), kFtpPage);
    Q_EMIT accountPicked(user);
    FtpAccountButtonsOff();
    // The account page opens whatever the unit answered: it shows what the unit now has selected.
    console().setModifyFtpTabVisible(true);
    console().bringPageIntoView(kModifyFtpPage);
}

void FtpTab::AccStatusBtnClick() {
    const int row = selectedRow();
    if (row < 0) {
        FtpAccountButtonsOff();
        return;
    }
    const int option = m_AccountLV->item(row, UserNameColumn)->data(kOptionRole).toInt();
    console().SendWithRetry(accountSwitchChange(console().unit(), option), kFtpPage);
}

void FtpTab::AccDelBtnClick() {
    const int row = selectedRow();
    if (row < 0) {
        FtpAccountButtonsOff();
        return;
    }
    if (!console().confirm(
            accountDeleteQuestion(m_AccountLV->item(row, UserNameColumn)->data(kUserRole).toByteArray())))
        return;
    console().SendWithRetry(accountDeleteChange(console().unit(), rowValue(row)), kFtpPage);
}

void FtpTab::FTPAddAccBtnClick() {
    CreateAccountDialog* dialog = console().dialogs().createAccount;
    QLineEdit* field = dialog->ftpAddAccEdit();
    const auto name = FolderLists::applyNameRule(
        console(), field,
        FolderNameRule(field->text(), "FTP Server", "FTP Server", "only English characters or numbers accepted."));
    if (!name)
        return;
    console().SendWithRetry(accountAddChange(console().unit(), *name), kFtpPage);
    field->clear();
    accountDialogDone();
    dialog->hide();
}

void FtpTab::accountDialogDone() {
    m_AccAddBtn->setEnabled(true);
}

int FtpTab::selectedRow() const {
    const QList<QTableWidgetItem*> items = m_AccountLV->selectedItems();
    return items.isEmpty() ? -1 : items.first()->row();
}

QByteArray FtpTab::rowValue(int row) const {
    return m_AccountLV->item(row, UserNameColumn)->data(kValueRole).toByteArray();
}

void FtpTab::translateOtherCaptions() {
    for (int column = UserNameColumn; column <= StateColumn; ++column)
        m_AccountLV->horizontalHeaderItem(column)->setText(
            Base::LocalizeText(QString::fromLatin1(kAccountColumnTitles[column])));
}

} // namespace Console
