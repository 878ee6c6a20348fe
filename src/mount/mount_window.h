#pragma once

#include "app/form_base.h"

namespace Mount {

// The mount dialog: maps one shared folder of the unit to a drive letter.
class TForm5 final : public App::FormBase {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
};

} // namespace Mount
