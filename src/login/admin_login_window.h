#pragma once

#include "app/form_base.h"

class QLineEdit;
class QPushButton;

namespace Login {

// The administrator login, asked after the console changed the administrator password.
class TForm3 final : public App::FormBase {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

private:
    QLineEdit* m_AdminEdit = nullptr;
    QLineEdit* m_PassEdit = nullptr;
    QPushButton* m_LoginBtn = nullptr;
};

} // namespace Login
