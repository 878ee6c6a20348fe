#pragma once

#include "ui/form_base.h"

class QLineEdit;
class QPushButton;

namespace Login {

// The administrator login, asked after the console changed the administrator password.
class AdminLoginWindow final : public Ui::FormBase {
    Q_OBJECT
public:
    explicit AdminLoginWindow(QWidget* parent = nullptr);

    void LoginBtnClick();

Q_SIGNALS:
    // The new administrator password was given again: back to the console.
    void passwordConfirmed();
    // Two wrong entries and a third press: back to the scan window.
    void gaveUp();

protected:
    void showEvent(QShowEvent* event) override;

private:
    int m_wrongEntries = 0;
    QLineEdit* m_AdminEdit = nullptr;
    QLineEdit* m_PassEdit = nullptr;
    QPushButton* m_LoginBtn = nullptr;
};

} // namespace Login
