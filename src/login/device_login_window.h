#pragma once

#include "ui/form_base.h"
#include "ui/window_web_host.h"
#include "web/web_settings.h"

#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;

namespace Login {

// The device login: user name and password for the chosen unit, then Mount or Management.
class DeviceLoginWindow final : public Ui::FormBase {
    Q_OBJECT
public:
    explicit DeviceLoginWindow(const Web::Settings& settings, QWidget* parent = nullptr);

    // Shown from the scan window: visible, focus in the password field, in front.
    void showForPassword();

    QLineEdit* userEdit() const { return m_UserEdit; }
    QLineEdit* passEdit() const { return m_PassEdit; }

    void MountBtnClick();
    void MenBtnClick();

Q_SIGNALS:
    // The login passed; the folders of the unit's allow_share list, in page order.
    void mountChosen(const QStringList& folders);
    // The login passed; the console opens on its first page.
    void managementChosen();

private:
    // Checks the credentials, telling the user why not when they fail.
    bool login();

    Web::Settings m_settings;
    Ui::WindowWebHost m_host;
    QLabel* m_UserNameLabel = nullptr;
    QLineEdit* m_UserEdit = nullptr;
    QLabel* m_Password = nullptr;
    QLineEdit* m_PassEdit = nullptr;
    QPushButton* m_MountBtn = nullptr;
    QPushButton* m_MenBtn = nullptr;
};

} // namespace Login
