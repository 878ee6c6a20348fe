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
class TForm6 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    QLineEdit* foldernameEdit() const { return m_FoldernameEdit; }
    QPushButton* createFBtn() const { return m_CreateFBtn; }

private:
    QLineEdit* m_FoldernameEdit;
    QPushButton* m_CreateFBtn;
};

// Renames an SMB folder; the old name is filled in by the console.
class TForm7 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    QLineEdit* oldFoldernameEdit() const { return m_OldFoldernameEdit; }
    QLineEdit* newFoldernameEdit() const { return m_NewFoldernameEdit; }
    QPushButton* renameFBtn() const { return m_RenameFBtn; }

private:
    QLineEdit* m_OldFoldernameEdit;
    QLineEdit* m_NewFoldernameEdit;
    QPushButton* m_RenameFBtn;
};

// Sets the password of an SMB share; the folder is filled in by the console.
class TForm8 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

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
class TForm9 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);

    QLineEdit* ftpAddAccEdit() const { return m_FTPAddAccEdit; }
    QPushButton* ftpAddAccBtn() const { return m_FTPAddAccBtn; }

private:
    QLineEdit* m_FTPAddAccEdit;
    QPushButton* m_FTPAddAccBtn;
};

// Creates a folder from the FTP account page.
class TForm10 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm10(QWidget* parent = nullptr);

    QLineEdit* modCreateFEdit() const { return m_ModCreateFEdit; }
    QPushButton* modCreateFBtn() const { return m_ModCreateFBtn; }

private:
    QLineEdit* m_ModCreateFEdit;
    QPushButton* m_ModCreateFBtn;
};

// Renames a folder from the FTP account page; the old name is filled in by the console.
class TForm11 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm11(QWidget* parent = nullptr);

    QLineEdit* modRenOldnameEdit() const { return m_ModRenOldnameEdit; }
    QLineEdit* modRenNewnameEdit() const { return m_ModRenNewnameEdit; }
    QPushButton* modRenameFBtn() const { return m_ModRenameFBtn; }

private:
    QLineEdit* m_ModRenOldnameEdit;
    QLineEdit* m_ModRenNewnameEdit;
    QPushButton* m_ModRenameFBtn;
};

} // namespace Console
