#pragma once

#include <memory>
#include <string>

// Plain standard C++ only: the Windows implementation is compiled without Qt.
namespace Platform {

// Pops up a note on the person's desktop (the freedesktop.org notification
// service on Linux), for work done without a window, such as at sign-in.
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;

    // Shows `summary` over `body` (UTF-8 plain text). False when no service
    // took it: no session bus, no notification service, or none on this system.
    virtual bool Notify(const std::string& summary, const std::string& body) = 0;
};

// The notifier of the system this was built for; one that never shows
// anything where the system keeps no such service (Windows restores its drives itself).
std::unique_ptr<DesktopNotifier> systemDesktopNotifier();

} // namespace Platform
