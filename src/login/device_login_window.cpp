#include "login/device_login_window.h"

#include "app/localize.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace Login {

TForm4::TForm4(QWidget* parent) : App::FormBase(parent) {
    setObjectName(QStringLiteral("TForm4"));
    setFixedSize(247, 148);
    setWindowTitle(App::LocalizeText(QStringLiteral("Login Qor Target")));

    m_Label1 = new QLabel(App::LocalizeText(QStringLiteral("User Name")), this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    m_Label1->setGeometry(16, 18, 80, 21);
    m_UserEdit = new QLineEdit(QStringLiteral("admin"), this);
    m_UserEdit->setObjectName(QStringLiteral("UserEdit"));
    m_UserEdit->setGeometry(100, 16, 129, 23);

    m_Password = new QLabel(App::LocalizeText(QStringLiteral("Password")), this);
    m_Password->setObjectName(QStringLiteral("Password"));
    m_Password->setGeometry(16, 52, 80, 21);
    m_PassEdit = new QLineEdit(this);
    m_PassEdit->setObjectName(QStringLiteral("PassEdit"));
    m_PassEdit->setEchoMode(QLineEdit::Password);
    m_PassEdit->setGeometry(100, 50, 129, 23);

    m_MountBtn = new QPushButton(App::LocalizeText(QStringLiteral("Mount")), this);
    m_MountBtn->setObjectName(QStringLiteral("MountBtn"));
    m_MountBtn->setGeometry(16, 96, 100, 33);
    m_MenBtn = new QPushButton(App::LocalizeText(QStringLiteral("Management")), this);
    m_MenBtn->setObjectName(QStringLiteral("MenBtn"));
    m_MenBtn->setGeometry(129, 96, 100, 33);
}

void TForm4::showForPassword() {
    show();
    m_PassEdit->setFocus(Qt::OtherFocusReason);
    raise();
    activateWindow();
}

} // namespace Login
