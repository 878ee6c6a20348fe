#include "platform/fake_network_drives.h"

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
    std::this_thread::sleep_for(delay);
    const std::lock_guard lock(m_mutex);
    m_mounts.push_back({share, timeout});
    t_lastError = answerCode == 0 ? std::string() : answerText;
    return answerCode;
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

} // namespace Platform
