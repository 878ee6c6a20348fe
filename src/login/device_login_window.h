#pragma once

#include "app/form_base.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace Login {

// The device login: user name and password for the chosen unit, then Mount or Management.
class TForm4 final : public App::FormBase {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    // Shown from the scan window: visible, focus in the password field, in front.
    void showForPassword();

    QLineEdit* userEdit() const { return m_UserEdit; }
    QLineEdit* passEdit() const { return m_PassEdit; }

private:
    QLabel* m_Label1 = nullptr;
    QLineEdit* m_UserEdit = nullptr;
    QLabel* m_Password = nullptr;
    QLineEdit* m_PassEdit = nullptr;
    QPushButton* m_MountBtn = nullptr;
    QPushButton* m_MenBtn = nullptr;
};

} // namespace Login
