#pragma once

#include <QString>

namespace App {

// The unit the desktop program is working with. Process state of the desktop
// program only: the core takes address and credentials as arguments.
struct CurrentDeviceState {
    QString ip;
    QString userName;
    QString password;
};

CurrentDeviceState& CurrentDevice();

} // namespace App
