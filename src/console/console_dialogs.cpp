#include "console/console_dialogs.h"

#include "base/localize.h"
#include "ui/plain_label.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace Console {

namespace {

constexpr int kWidth = 265;
constexpr int kMargin = 16;
constexpr int kRowPitch = 32;
constexpr int kLabelWidth = 106;
constexpr int kFieldX = kMargin + kLabelWidth + 6;
constexpr int kButtonWidth = 81;
constexpr int kButtonHeight = 33;
// Names and passwords are limited to what the unit stores.
constexpr int kNameLength = 12;

int buttonTop(int rows) {
    return kMargin + rows * kRowPitch + 8;
}

// The console's navy text, set on each control: the window's style sheet resets colours a control would
// inherit. Disabled fields keep the style's grey.
template <class W> W* navy(W* widget) {
    QPalette pal = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            pal.setColor(group, role, Ui::kNavy);
    widget->setPalette(pal);
    return widget;
}

} // namespace

NameDialog::NameDialog(const char* objectName, const char* titleKey, int rows, QWidget* parent)
    : Ui::FormBase(parent), m_rows(rows) {
    setObjectName(QString::fromLatin1(objectName));
    setFixedSize(kWidth, buttonTop(rows) + kButtonHeight + kMargin);
    setWindowTitle(Base::LocalizeText(QString::fromLatin1(titleKey)));
    QFont pixelFont = font();
    pixelFont.setPixelSize(13);
    setFont(pixelFont);
}

QLineEdit* NameDialog::addField(int row, const char* labelName, const char* labelKey, const char* editName) {
    const int top = kMargin + row * kRowPitch;
    auto* label = navy(Ui::plainLabel(Base::LocalizeText(QString::fromLatin1(labelKey)), this));
    label->setObjectName(QString::fromLatin1(labelName));
    label->setGeometry(kMargin, top, kLabelWidth, 23);
    auto* edit = navy(new QLineEdit(this));
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setGeometry(kFieldX, top, kWidth - kMargin - kFieldX, 23);
    return edit;
}

QPushButton* NameDialog::addSetButton(const char* name) {
    auto* button = navy(new QPushButton(Base::LocalizeText(QStringLiteral("Set")), this));
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(kWidth - kMargin - kButtonWidth, buttonTop(m_rows), kButtonWidth, kButtonHeight);
    connect(button, &QPushButton::clicked, this, &NameDialog::setPressed);
    return button;
}

CreateFolderDialog::CreateFolderDialog(QWidget* parent) : NameDialog("TForm6", "SMB Create Folder", 1, parent) {
    m_FoldernameEdit = addField(0, "Label1", "Folder Name", "FoldernameEdit");
    m_FoldernameEdit->setMaxLength(kNameLength);
    m_CreateFBtn = addSetButton("CreateFBtn");
}

RenameFolderDialog::RenameFolderDialog(QWidget* parent) : NameDialog("TForm7", "SMB Rename Folder", 2, parent) {
    m_OldFoldernameEdit = addField(0, "Label1", "Old Name", "OldFoldernameEdit");
    m_OldFoldernameEdit->setEnabled(false);
    m_NewFoldernameEdit = addField(1, "Label2", "New Name", "NewFoldernameEdit");
    m_NewFoldernameEdit->setMaxLength(kNameLength);
    m_RenameFBtn = addSetButton("RenameFBtn");
}

SharePasswordDialog::SharePasswordDialog(QWidget* parent) : NameDialog("TForm8", "SMB Share Password", 3, parent) {
    m_PublicFolderEdit = addField(0, "Label1", "Folder Name", "PublicFolderEdit");
    m_PublicFolderEdit->setEnabled(false);
    // No typing limit here: an over-long password is refused with a message when Set is pressed.
    m_PublicPassEdit = addField(1, "Label2", "Password", "PublicPassEdit");
    m_PublicPassEdit->setEchoMode(QLineEdit::Password);
    m_VerifyPassEdit = addField(2, "Label3", "Verify Password", "VerifyPassEdit");
    m_VerifyPassEdit->setEchoMode(QLineEdit::Password);
    m_VerifyPassEdit->setMaxLength(kNameLength);
    m_PublicPassBtn = addSetButton("PublicPassBtn");
}

CreateAccountDialog::CreateAccountDialog(QWidget* parent) : NameDialog("TForm9", "FTPS Create Account", 1, parent) {
    m_FTPAddAccEdit = addField(0, "Label1", "Account Name", "FTPAddAccEdit");
    m_FTPAddAccEdit->setMaxLength(kNameLength);
    m_FTPAddAccBtn = addSetButton("FTPAddAccBtn");
}

CreateAccountFolderDialog::CreateAccountFolderDialog(QWidget* parent)
    : NameDialog("TForm10", "FTPS Create Folder", 1, parent) {
    m_ModCreateFEdit = addField(0, "Label1", "Folder Name", "ModCreateFEdit");
    m_ModCreateFEdit->setMaxLength(kNameLength);
    m_ModCreateFBtn = addSetButton("ModCreateFBtn");
}

RenameAccountFolderDialog::RenameAccountFolderDialog(QWidget* parent)
    : NameDialog("TForm11", "FTPS Rename Folder", 2, parent) {
    m_ModRenOldnameEdit = addField(0, "Label1", "Old Name", "ModRenOldnameEdit");
    m_ModRenOldnameEdit->setEnabled(false);
    m_ModRenOldnameEdit->setMaxLength(kNameLength);
    m_ModRenNewnameEdit = addField(1, "Label2", "New Name", "ModRenNewnameEdit");
    m_ModRenNewnameEdit->setMaxLength(kNameLength);
    m_ModRenameFBtn = addSetButton("ModRenameFBtn");
}

} // namespace Console
