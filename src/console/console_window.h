#pragma once

#include "app/form_base.h"

namespace Console {

// The management console.
class TForm2 final : public App::FormBase {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace Console
