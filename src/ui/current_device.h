#pragma once

#include "base/unit_access.h"

namespace Ui {

// The unit the desktop program is working with. Process state of the desktop
// program only: the core takes address and credentials as values.
Base::UnitAccess& CurrentDevice();

} // namespace Ui
