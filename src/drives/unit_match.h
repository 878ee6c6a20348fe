#pragma once

#include "discovery/discovery_datagram.h"
#include "drives/remembered_drives.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace Drives {

enum class UnitFound {
    SameAddress, // the unit answered where it was
    NewAddress,  // it answered from another address: it moved
    NotFound,    // no unit of its host and group names answered
    Ambiguous,   // several did, none of them at its address
};

struct UnitMatch {
    UnitFound found = UnitFound::NotFound;
    QString address;     // where to connect: the unit's address when it was found
    QStringList answers; // the addresses that answered with its names
};

// Finds a remembered drive's unit among one scan's rows by its host and group
// names, byte for byte. When several units answer with those names, the one
// at the drive's own address is taken; none of them if it is not among them,
// as the share password must go to no unit but the one it was given for.
UnitMatch findUnit(const RememberedDrive& drive, const QList<Discovery::DeviceRow>& rows);

} // namespace Drives
