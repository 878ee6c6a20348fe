#pragma once

#include "ui/form_base.h"

class QLineEdit;
class QPushButton;

namespace Console {

// The six small windows that collect folder names, account names and share passwords:
// a column of labelled fields and one Set button, all texts translated when the window is made.
class NameDialog : public Ui::FormBase {
    Q_OBJECT
public:
    NameDialog(const char* objectName, const char* titleKey, int rows, QWidget* parent);

Q_SIGNALS:
    // Set was pressed; the page that opened the dialog checks and sends what was typed.
    void setPressed();

protected:
    // One labelled field in the given row, counted from 0.
    QLineEdit* addField(int row, const char* labelName, const char* labelKey, const char* editName);
    QPushButton* addSetButton(const char* name);

private:
    int m_rows;
};

// Creates an SMB folder.
class CreateFolderDialog final : public NameDialog {
    Q_OBJECT
public:
    explicit CreateFolderDialog(QWidget* parent = nullptr);

    QLineEdit* foldernameEdit() const { return m_FoldernameEdit; }
    QPushButton* createFBtn() const { return m_CreateFBtn; }

private:
    QLineEdit* m_FoldernameEdit;
    QPushButton* m_CreateFBtn;
};

// Renames an SMB folder; the old name is filled in by the console.
class RenameFolderDialog final : public NameDialog {
    Q_OBJECT
public:
    explicit RenameFolderDialog(QWidget* parent = nullptr);

    QLineEdit* oldFoldernameEdit() const { return m_OldFoldernameEdit; }
    QLineEdit* newFoldernameEdit() const { return m_NewFoldernameEdit; }
    QPushButton* renameFBtn() const { return m_RenameFBtn; }

private:
    QLineEdit* m_OldFoldernameEdit;
    QLineEdit* m_NewFoldernameEdit;
    QPushButton* m_RenameFBtn;
};

// Sets the password of an SMB share; the folder is filled in by the console.
class SharePasswordDialog final : public NameDialog {
    Q_OBJECT
public:
    explicit SharePasswordDialog(QWidget* parent = nullptr);

    QLineEdit* publicFolderEdit() const { return m_PublicFolderEdit; }
    QLineEdit* publicPassEdit() const { return m_PublicPassEdit; }
    QLineEdit* verifyPassEdit() const { return m_VerifyPassEdit; }
    QPushButton* publicPassBtn() const { return m_PublicPassBtn; }

private:
    QLineEdit* m_PublicFolderEdit;
    QLineEdit* m_PublicPassEdit;
    QLineEdit* m_VerifyPassEdit;
    QPushButton* m_PublicPassBtn;
};

// Creates an FTP account.
class CreateAccountDialog final : public NameDialog {
    Q_OBJECT
public:
    explicit CreateAccountDialog(QWidget* parent = nullptr);

    QLineEdit* ftpAddAccEdit() const { return m_FTPAddAccEdit; }
    QPushButton* ftpAddAccBtn() const { return m_FTPAddAccBtn; }

private:
    QLineEdit* m_FTPAddAccEdit;
    QPushButton* m_FTPAddAccBtn;
};

// Creates a folder from the FTP account page.
class CreateAccountFolderDialog final : public NameDialog {
    Q_OBJECT
public:
    explicit CreateAccountFolderDialog(QWidget* parent = nullptr);

    QLineEdit* modCreateFEdit() const { return m_ModCreateFEdit; }
    QPushButton* modCreateFBtn() const { return m_ModCreateFBtn; }

private:
    QLineEdit* m_ModCreateFEdit;
    QPushButton* m_ModCreateFBtn;
};

// Renames a folder from the FTP account page; the old name is filled in by the console.
class RenameAccountFolderDialog final : public NameDialog {
    Q_OBJECT
public:
    explicit RenameAccountFolderDialog(QWidget* parent = nullptr);

    QLineEdit* modRenOldnameEdit() const { return m_ModRenOldnameEdit; }
    QLineEdit* modRenNewnameEdit() const { return m_ModRenNewnameEdit; }
    QPushButton* modRenameFBtn() const { return m_ModRenameFBtn; }

private:
    QLineEdit* m_ModRenOldnameEdit;
    QLineEdit* m_ModRenNewnameEdit;
    QPushButton* m_ModRenameFBtn;
};

} // namespace Console
