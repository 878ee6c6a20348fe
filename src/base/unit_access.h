#pragma once

#include <QString>

namespace Base {

// Where a unit's web interface is and who asks it: the address and the
// credentials every request to the unit takes as a value.
struct UnitAccess {
    QString ip;
    QString userName;
    QString password;
};

} // namespace Base
