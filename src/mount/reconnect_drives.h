#pragma once

#include "discovery/discovery_datagram.h"
#include "drives/remembered_drives.h"
#include "mount/mount_share.h"
#include "platform/network_drives.h"
#include "platform/secret_store.h"

#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace Mount {

// The names a drive's share password is filed under in the secret store.
Platform::SecretAttributes SecretAttributesOf(const Drives::RememberedDrive& drive);

// What a keyring shows for the password: "Zur Edor share \\MyNas\Documents (F:)".
std::string SecretLabelOf(const Drives::RememberedDrive& drive);

// What became of one drive. Its state is also set on the drive itself.
struct DriveOutcome {
    Drives::RememberedDrive drive; // as it is kept now: at its new address when it moved and mounted
    QString movedFrom;             // the address it had, when the unit answered from another one
    QString words;                 // what to tell the person
    bool mounted() const {
        return drive.state == Drives::DriveState::Mounted || drive.state == Drives::DriveState::Moved;
    }
};

// The share password when the secret store has none: asked of the person
// (who may decline: nothing), for the drive named.
using AskPassword = std::function<std::optional<QString>(const Drives::RememberedDrive& drive)>;

// Connects each remembered drive again: its unit found among one scan's rows
// (Drives::findUnit), its password from the secret store (or asked for),
// its share mounted as the mount dialog does and its letter pointed at it.
// A letter whose share is connected already is left as it is. `drives` is
// updated in place: the state of each, and the address of a unit that moved
// and whose share then mounted.
QList<DriveOutcome> ReconnectDrives(QList<Drives::RememberedDrive>& drives, const QList<Discovery::DeviceRow>& rows,
                                    Platform::NetworkDrives& platform, Platform::SecretStore& secrets,
                                    const AskPassword& askPassword, std::chrono::milliseconds timeout = kMountTimeout);

} // namespace Mount
