#pragma once

#include "app/form_base.h"

namespace Console {

// The six small windows that collect folder names, account names and share passwords.
class NameDialog : public App::FormBase {
    Q_OBJECT
public:
    NameDialog(const char* objectName, const char* titleKey, QWidget* parent);
};

class TForm6 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr) : NameDialog("TForm6", "SMB Create Folder", parent) {}
};

class TForm7 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr) : NameDialog("TForm7", "SMB Rename Folder", parent) {}
};

class TForm8 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr) : NameDialog("TForm8", "SMB Share Password", parent) {}
};

class TForm9 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr) : NameDialog("TForm9", "FTPS Create Account", parent) {}
};

class TForm10 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm10(QWidget* parent = nullptr) : NameDialog("TForm10", "FTPS Create Folder", parent) {}
};

class TForm11 final : public NameDialog {
    Q_OBJECT
public:
    explicit TForm11(QWidget* parent = nullptr) : NameDialog("TForm11", "FTPS Rename Folder", parent) {}
};

} // namespace Console
