#pragma once

#include "platform/network_drives.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace Platform {

// Network drives for tests: drive types from a table, mounts recorded and
// answered from a script within the caller's time-out as the real ones are,
// the error text kept per thread like theirs.
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
    // How long each connection takes to be made or refused. Past the caller's
    // time-out it is refused as timed out, and one made after all is undone.
    std::chrono::milliseconds delay{0};

    static constexpr unsigned long kTimedOut = 110;

    int DriveTypeOf(char letter) override;
    unsigned long MountShare(const ShareConnection& share, std::chrono::milliseconds timeout) override;
    std::string SystemErrorText() override;

    std::vector<char> askedLetters() const;
    std::vector<Mount> mounts() const;
    // Letters whose late connection was undone, as "F:".
    std::vector<std::string> cancelled() const;
    // Connections that have been made or refused, late ones included.
    int connectionsEnded() const;

private:
    // Shared with a connection still being made after its caller stopped waiting.
    struct Connections {
        std::mutex mutex;
        std::vector<std::string> localNames;
        int ended = 0;
    };

    mutable std::mutex m_mutex;
    std::shared_ptr<Connections> m_connections = std::make_shared<Connections>();
    std::vector<char> m_asked;
    std::vector<Mount> m_mounts;
};

} // namespace Platform
