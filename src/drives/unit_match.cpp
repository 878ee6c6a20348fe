#include "drives/unit_match.h"

namespace Drives {

UnitMatch findUnit(const RememberedDrive& drive, const QList<Discovery::DeviceRow>& rows) {
    UnitMatch match;
    for (const Discovery::DeviceRow& row : rows) {
        if (row.reply.hostName == drive.hostName && row.reply.groupName == drive.groupName &&
            !match.answers.contains(row.ip))
            match.answers << row.ip;
    }
    if (match.answers.contains(drive.address)) {
        match.found = UnitFound::SameAddress;
        match.address = drive.address;
    } else if (match.answers.size() == 1) {
        match.found = UnitFound::NewAddress;
        match.address = match.answers.constFirst();
    } else if (match.answers.size() > 1) {
        match.found = UnitFound::Ambiguous;
    }
    return match;
}

} // namespace Drives
