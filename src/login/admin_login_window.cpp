#include "login/admin_login_window.h"

#include "ui/current_device.h"
#include "ui/plain_label.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace Login {

AdminLoginWindow::AdminLoginWindow(QWidget* parent) : Ui::FormBase(parent) {
    setObjectName(QStringLiteral("TForm3"));
    setFixedSize(266, 149);
    // This window keeps the texts of its layout; nothing here is translated.
    setWindowTitle(QStringLiteral("Login"));

    auto* adminLabel = Ui::plainLabel(QStringLiteral("Administrator"), this);
    adminLabel->setGeometry(16, 18, 90, 21);
    m_AdminEdit = new QLineEdit(this);
    m_AdminEdit->setObjectName(QStringLiteral("AdminEdit"));
    m_AdminEdit->setEnabled(false);
    m_AdminEdit->setGeometry(112, 16, 137, 23);

    auto* passLabel = Ui::plainLabel(QStringLiteral("Password"), this);
    passLabel->setGeometry(16, 52, 90, 21);
    m_PassEdit = new QLineEdit(this);
    m_PassEdit->setObjectName(QStringLiteral("PassEdit"));
    m_PassEdit->setEchoMode(QLineEdit::Password);
    m_PassEdit->setGeometry(112, 50, 137, 23);

    m_LoginBtn = new QPushButton(QStringLiteral("Set"), this);
    m_LoginBtn->setObjectName(QStringLiteral("LoginBtn"));
    m_LoginBtn->setGeometry(168, 96, 81, 33);

    connect(m_LoginBtn, &QPushButton::clicked, this, &AdminLoginWindow::LoginBtnClick);
}

void AdminLoginWindow::showEvent(QShowEvent* event) {
    m_wrongEntries = 0;
    m_PassEdit->clear();
    m_AdminEdit->setText(Ui::CurrentDevice().userName);
    Ui::FormBase::showEvent(event);
}

void AdminLoginWindow::LoginBtnClick() {
    // After two wrong entries the third press is not compared at all.
    if (m_wrongEntries < 2 && m_PassEdit->text() != Ui::CurrentDevice().password) {
        ++m_wrongEntries;
        m_PassEdit->clear();
        return;
    }
    m_PassEdit->clear();
    hide();
    if (m_wrongEntries < 2)
        Q_EMIT passwordConfirmed();
    else
        Q_EMIT gaveUp();
}

} // namespace Login
