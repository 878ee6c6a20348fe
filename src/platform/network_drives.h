#pragma once

#include <chrono>
#include <memory>
#include <string>

// Plain standard C++ only: the Windows implementation is compiled without Qt.
namespace Platform {

// What the platform reports for the root of a drive letter.
enum DriveType : int {
    kDriveUnknown = 0,
    kDriveNoRootDir = 1, // nothing uses the letter
    kDriveRemovable = 2,
    kDriveFixed = 3,
    kDriveRemote = 4,
    kDriveCdRom = 5,
    kDriveRamDisk = 6,
};

// One share to connect. Texts are UTF-8.
struct ShareConnection {
    std::string localName;  // "F:"
    std::string remoteName; // "\\host\share"
    std::string password;   // an empty text is an empty password, never a missing one
    bool remember = false;  // restore the connection at the next logon
};

// The workstation's network drives, for the logged-in user.
class NetworkDrives {
public:
    virtual ~NetworkDrives() = default;

    // The drive type of the letter's root: D asks about d:\ .
    virtual int DriveTypeOf(char letter) = 0;

    // Connects the share with the user's own name. 0 on success, else an error
    // code that is also left as the calling thread's last error. A connection
    // not made within `timeout` is given up and reported as an error.
    virtual unsigned long MountShare(const ShareConnection& share, std::chrono::milliseconds timeout) = 0;

    // Whether the letter is a network drive whose share is connected now.
    virtual bool IsConnected(char letter) { return DriveTypeOf(letter) == kDriveRemote; }

    // The system's text for the calling thread's last error, so it must be asked
    // on the thread that called MountShare.
    virtual std::string SystemErrorText() = 0;
};

// The implementation for the operating system this was built for.
std::unique_ptr<NetworkDrives> systemNetworkDrives();

} // namespace Platform
