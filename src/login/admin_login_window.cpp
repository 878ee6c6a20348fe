#include "login/admin_login_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace Login {

TForm3::TForm3(QWidget* parent) : App::FormBase(parent) {
    setObjectName(QStringLiteral("TForm3"));
    setFixedSize(266, 149);
    // This window keeps the texts of its layout; nothing here is translated.
    setWindowTitle(QStringLiteral("Login"));

    auto* adminLabel = new QLabel(QStringLiteral("Administrator"), this);
    adminLabel->setGeometry(16, 18, 90, 21);
    m_AdminEdit = new QLineEdit(this);
    m_AdminEdit->setObjectName(QStringLiteral("AdminEdit"));
    m_AdminEdit->setEnabled(false);
    m_AdminEdit->setGeometry(112, 16, 137, 23);

    auto* passLabel = new QLabel(QStringLiteral("Password"), this);
    passLabel->setGeometry(16, 52, 90, 21);
    m_PassEdit = new QLineEdit(this);
    m_PassEdit->setObjectName(QStringLiteral("PassEdit"));
    m_PassEdit->setEchoMode(QLineEdit::Password);
    m_PassEdit->setGeometry(112, 50, 137, 23);

    m_LoginBtn = new QPushButton(QStringLiteral("Set"), this);
    m_LoginBtn->setObjectName(QStringLiteral("LoginBtn"));
    m_LoginBtn->setGeometry(168, 96, 81, 33);
}

} // namespace Login
