#pragma once

#include "base/network_settings.h"
#include "discovery/discovery_datagram.h"
#include "drives/remembered_drives.h"
#include "mount/mount_share.h"
#include "platform/desktop_notifier.h"
#include "platform/network_drives.h"
#include "platform/secret_store.h"

#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
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

// The unit at `ip` as it answers discovery (its host and group names), asked
// of that address alone; nothing when it does not answer within `wait`.
std::optional<Discovery::DeviceRow> AskUnitNames(const QString& ip, quint16 port, std::chrono::milliseconds wait);

// What keeping a drive whose share has just mounted came to: the words of a
// failure (the drive is not kept), or why its password is not kept (the drive
// is, and its password is asked for at reconnect time).
struct RememberResult {
    QString failed;
    QString passwordNotKept;
};

// Keeps `drive` in the list at `path` in place of any drive of its letter
// (whose kept password goes too), and its share password in `secrets`.
RememberResult RememberMounted(const QString& path, const Drives::RememberedDrive& drive, const QString& password,
                               Platform::SecretStore& secrets);

// The state a list shows for a drive: "mounted" or "at a new address" while
// its letter is connected, else "not mounted" or what the last reconnect found.
QString ShownState(const Drives::RememberedDrive& drive, Platform::NetworkDrives& platform);

// How long a unit is given to answer with its names, or a scan for remembered drives.
inline constexpr std::chrono::milliseconds kUnitNamesWait{2500};

// What the windows that remember and reconnect drives use of the system; a test gives its own.
struct DriveServices {
    QString drivesPath; // the list of remembered drives (Drives::drivesFilePath)
    std::shared_ptr<Platform::SecretStore> secrets;
    // The unit at an address, asked for its names (AskUnitNames).
    std::function<std::optional<Discovery::DeviceRow>(const QString& ip)> askNames;
    // Every unit that answers one scan, as the scan window asks.
    std::function<QList<Discovery::DeviceRow>()> scan;
};

// The services of the system, asking where the settings say.
DriveServices SystemDriveServices(const Base::NetworkSettings& settings);

// One desktop notification for the drives that did not come back.
struct FailureNotice {
    QString summary;
    QString body; // plain text, one line per drive: its letter, share and why
};

// Nothing when every drive came back (or there was none).
std::optional<FailureNotice> FailureNoticeOf(const QList<DriveOutcome>& outcomes);

// Sends the notice, if there is one; whether a notification service took it.
bool NotifyFailures(const QList<DriveOutcome>& outcomes, Platform::DesktopNotifier& notifier);

} // namespace Mount
