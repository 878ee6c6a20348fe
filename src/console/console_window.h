#pragma once

#include "app/form_base.h"

namespace Console {

// The management console.
class TForm2 final : public App::FormBase {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // Opened from the device login: the first page active, then shown.
    void showOnFirstPage();
    // The new administrator password and its verification, emptied after the administrator login.
    void clearAdministratorFields();

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace Console
