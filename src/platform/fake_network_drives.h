#pragma once

#include "platform/network_drives.h"

#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace Platform {

// Network drives for tests: drive types from a table, mounts recorded and
// answered from a script, the error text kept per thread like the real ones.
class FakeNetworkDrives final : public NetworkDrives {
public:
    struct Mount {
        ShareConnection share;
        std::chrono::milliseconds timeout{};
    };

    // Letters not in the table are free.
    std::map<char, int> driveTypes;
    // The next MountShare answers this code with this text; 0 succeeds.
    unsigned long answerCode = 0;
    std::string answerText;
    // How long each MountShare takes.
    std::chrono::milliseconds delay{0};

    int DriveTypeOf(char letter) override;
    unsigned long MountShare(const ShareConnection& share, std::chrono::milliseconds timeout) override;
    std::string SystemErrorText() override;

    std::vector<char> askedLetters() const;
    std::vector<Mount> mounts() const;

private:
    mutable std::mutex m_mutex;
    std::vector<char> m_asked;
    std::vector<Mount> m_mounts;
};

} // namespace Platform
