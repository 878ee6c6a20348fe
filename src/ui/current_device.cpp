#include "ui/current_device.h"

namespace Ui {

Base::UnitAccess& CurrentDevice() {
    static Base::UnitAccess state;
    return state;
}

} // namespace Ui
