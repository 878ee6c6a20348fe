#include "app/current_device.h"

namespace App {

CurrentDeviceState& CurrentDevice() {
    static CurrentDeviceState state;
    return state;
}

} // namespace App
