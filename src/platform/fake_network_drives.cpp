#include "platform/fake_network_drives.h"

#include "platform/bounded_connect.h"

#include <thread>

namespace Platform {

namespace {

thread_local std::string t_lastError;

} // namespace

int FakeNetworkDrives::DriveTypeOf(char letter) {
    const std::lock_guard lock(m_mutex);
    m_asked.push_back(letter);
    const auto known = driveTypes.find(letter);
    return known == driveTypes.end() ? kDriveNoRootDir : known->second;
}

unsigned long FakeNetworkDrives::MountShare(const ShareConnection& share, std::chrono::milliseconds timeout) {
    {
        const std::lock_guard lock(m_mutex);
        m_mounts.push_back({share, timeout});
    }
    auto connect = [delay = delay, code = answerCode, connections = m_connections] {
        std::this_thread::sleep_for(delay);
        const std::lock_guard lock(connections->mutex);
        ++connections->ended;
        return code;
    };
    auto undo = [connections = m_connections, localName = share.localName] {
        const std::lock_guard lock(connections->mutex);
        connections->localNames.push_back(localName);
    };
    const unsigned long code = ConnectWithin(connect, undo, timeout, kTimedOut);
    if (code == 0)
        t_lastError.clear();
    else
        t_lastError = code == answerCode ? answerText : std::string("Connection timed out");
    return code;
}

std::string FakeNetworkDrives::SystemErrorText() {
    return t_lastError;
}

std::vector<char> FakeNetworkDrives::askedLetters() const {
    const std::lock_guard lock(m_mutex);
    return m_asked;
}

std::vector<FakeNetworkDrives::Mount> FakeNetworkDrives::mounts() const {
    const std::lock_guard lock(m_mutex);
    return m_mounts;
}

int FakeNetworkDrives::connectionsEnded() const {
    const std::lock_guard lock(m_connections->mutex);
    return m_connections->ended;
}

std::vector<std::string> FakeNetworkDrives::cancelled() const {
    const std::lock_guard lock(m_connections->mutex);
    return m_connections->localNames;
}

} // namespace Platform
