#include "login/device_login_window.h"

#include "base/localize.h"
#include "login/login_check.h"
#include "ui/current_device.h"
#include "ui/message_box.h"
#include "ui/plain_label.h"
#include "ui/request_runner.h"
#include "web/page_fetch.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

namespace Login {

DeviceLoginWindow::DeviceLoginWindow(const Web::Settings& settings, QWidget* parent)
    : Ui::FormBase(parent), m_settings(settings) {
    setObjectName(QStringLiteral("TForm4"));
    setFixedSize(247, 148);
    setWindowTitle(Base::LocalizeText(QStringLiteral("Login Qor Target")));

    m_UserNameLabel = Ui::plainLabel(Base::LocalizeText(QStringLiteral("User Name")), this);
    m_UserNameLabel->setObjectName(QStringLiteral("Label1"));
    m_UserNameLabel->setGeometry(16, 18, 80, 21);
    m_UserEdit = new QLineEdit(QStringLiteral("admin"), this);
    m_UserEdit->setObjectName(QStringLiteral("UserEdit"));
    m_UserEdit->setGeometry(100, 16, 129, 23);

    m_Password = Ui::plainLabel(Base::LocalizeText(QStringLiteral("Password")), this);
    m_Password->setObjectName(QStringLiteral("Password"));
    m_Password->setGeometry(16, 52, 80, 21);
    m_PassEdit = new QLineEdit(this);
    m_PassEdit->setObjectName(QStringLiteral("PassEdit"));
    m_PassEdit->setEchoMode(QLineEdit::Password);
    m_PassEdit->setGeometry(100, 50, 129, 23);

    m_MountBtn = new QPushButton(Base::LocalizeText(QStringLiteral("Mount")), this);
    m_MountBtn->setObjectName(QStringLiteral("MountBtn"));
    m_MountBtn->setGeometry(16, 96, 100, 33);
    m_MenBtn = new QPushButton(Base::LocalizeText(QStringLiteral("Management")), this);
    m_MenBtn->setObjectName(QStringLiteral("MenBtn"));
    m_MenBtn->setGeometry(129, 96, 100, 33);

    connect(m_MountBtn, &QPushButton::clicked, this, &DeviceLoginWindow::MountBtnClick);
    connect(m_MenBtn, &QPushButton::clicked, this, &DeviceLoginWindow::MenBtnClick);
}

bool DeviceLoginWindow::login() {
    Base::UnitAccess& device = Ui::CurrentDevice();
    device.userName = m_UserEdit->text();
    device.password = m_PassEdit->text();
    const Web::DeviceContext snapshot = device;
    const LoginOutcome outcome = Ui::runRequest([&] { return RunLoginChecks(snapshot, m_settings); });
    if (const auto refusal = LoginRefusal(outcome.result)) {
        Ui::showRefusal(*refusal);
        return false;
    }
    return true;
}

void DeviceLoginWindow::MountBtnClick() {
    if (!login())
        return;
    QByteArray page;
    for (int i = 0; i < Web::kPageReadTries && page.isEmpty(); ++i)
        page = Web::FetchPage(Ui::CurrentDevice(), m_settings, m_host).page;
    const QStringList folders = mountFolders(page);
    hide();
    Q_EMIT mountChosen(folders);
}

void DeviceLoginWindow::MenBtnClick() {
    if (!login())
        return;
    Ui::runRequest([] { QThread::msleep(50); });
    hide();
    Q_EMIT managementChosen();
}

void DeviceLoginWindow::showForPassword() {
    show();
    m_PassEdit->setFocus(Qt::OtherFocusReason);
    raise();
    activateWindow();
}

} // namespace Login
