#pragma once

#include "base/network_settings.h"

#include <functional>
#include <memory>

namespace Discovery {
class ScanWindow;
}
namespace Console {
class ConsoleWindow;
class CreateFolderDialog;
class RenameFolderDialog;
class SharePasswordDialog;
class CreateAccountDialog;
class CreateAccountFolderDialog;
class RenameAccountFolderDialog;
} // namespace Console
namespace Login {
class AdminLoginWindow;
class DeviceLoginWindow;
} // namespace Login
namespace Mount {
class DrivesWindow;
class MountWindow;
} // namespace Mount

namespace App {

// The program's twelve windows, created once in a fixed order, and every move between them.
class WindowSet final {
public:
    // onQuit runs when the scan window is closed; the program ends there.
    WindowSet(const Base::NetworkSettings& settings, std::function<void()> onQuit);
    ~WindowSet();
    WindowSet(const WindowSet&) = delete;
    WindowSet& operator=(const WindowSet&) = delete;

    void showScanWindow();

    Discovery::ScanWindow& scanWindow() const { return *m_scanWindow; }
    Console::ConsoleWindow& consoleWindow() const { return *m_consoleWindow; }
    Login::AdminLoginWindow& adminLogin() const { return *m_adminLogin; }
    Login::DeviceLoginWindow& deviceLogin() const { return *m_deviceLogin; }
    Mount::MountWindow& mountWindow() const { return *m_mountWindow; }
    Mount::DrivesWindow& drivesWindow() const { return *m_drivesWindow; }

private:
    void connectMoves();

    Base::NetworkSettings m_settings;
    std::function<void()> m_onQuit;
    std::unique_ptr<Discovery::ScanWindow> m_scanWindow;
    std::unique_ptr<Console::ConsoleWindow> m_consoleWindow;
    std::unique_ptr<Login::AdminLoginWindow> m_adminLogin;
    std::unique_ptr<Login::DeviceLoginWindow> m_deviceLogin;
    std::unique_ptr<Mount::MountWindow> m_mountWindow;
    std::unique_ptr<Mount::DrivesWindow> m_drivesWindow;
    std::unique_ptr<Console::CreateFolderDialog> m_createFolderDialog;
    std::unique_ptr<Console::RenameFolderDialog> m_renameFolderDialog;
    std::unique_ptr<Console::SharePasswordDialog> m_sharePasswordDialog;
    std::unique_ptr<Console::CreateAccountDialog> m_createAccountDialog;
    std::unique_ptr<Console::CreateAccountFolderDialog> m_createAccountFolderDialog;
    std::unique_ptr<Console::RenameAccountFolderDialog> m_renameAccountFolderDialog;
};

} // namespace App
