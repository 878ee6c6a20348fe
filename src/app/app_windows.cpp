#include "app/app_windows.h"

#include "console/console_dialogs.h"
#include "console/console_window.h"
#include "discovery/scan_window.h"
#include "login/admin_login_window.h"
#include "login/device_login_window.h"
#include "mount/drives_window.h"
#include "mount/mount_window.h"
#include "web/web_settings.h"

namespace App {

WindowSet::WindowSet(const Base::NetworkSettings& settings, std::function<void()> onQuit)
    : m_settings(settings), m_onQuit(std::move(onQuit)) {
    m_scanWindow = std::make_unique<Discovery::ScanWindow>(m_settings);
    m_consoleWindow = std::make_unique<Console::ConsoleWindow>(Web::settingsFor(m_settings));
    m_adminLogin = std::make_unique<Login::AdminLoginWindow>();
    m_deviceLogin = std::make_unique<Login::DeviceLoginWindow>(Web::settingsFor(m_settings));
    m_mountWindow = std::make_unique<Mount::MountWindow>(m_settings);
    m_drivesWindow = std::make_unique<Mount::DrivesWindow>(m_settings);
    m_createFolderDialog = std::make_unique<Console::CreateFolderDialog>();
    m_renameFolderDialog = std::make_unique<Console::RenameFolderDialog>();
    m_sharePasswordDialog = std::make_unique<Console::SharePasswordDialog>();
    m_createAccountDialog = std::make_unique<Console::CreateAccountDialog>();
    m_createAccountFolderDialog = std::make_unique<Console::CreateAccountFolderDialog>();
    m_renameAccountFolderDialog = std::make_unique<Console::RenameAccountFolderDialog>();
    m_consoleWindow->setDialogs({m_createFolderDialog.get(), m_renameFolderDialog.get(), m_sharePasswordDialog.get(),
                                 m_createAccountDialog.get(), m_createAccountFolderDialog.get(),
                                 m_renameAccountFolderDialog.get()});
    connectMoves();
}

WindowSet::~WindowSet() = default;

void WindowSet::showScanWindow() {
    m_scanWindow->showAndRaise();
}

void WindowSet::connectMoves() {
    QObject::connect(m_scanWindow.get(), &Discovery::ScanWindow::deviceChosen, m_scanWindow.get(), [this] {
        m_deviceLogin->showForPassword();
        m_scanWindow->hide();
    });
    // Beside the scan window, which stays: the list is about drives, not about the unit picked.
    QObject::connect(m_scanWindow.get(), &Discovery::ScanWindow::drivesChosen, m_drivesWindow.get(),
                     [this] { m_drivesWindow->showAndRaise(); });
    // The scan window is the main window: closing it ends the program whatever else is open.
    QObject::connect(m_scanWindow.get(), &Ui::FormBase::closed, m_scanWindow.get(), [this] {
        if (m_onQuit)
            m_onQuit();
    });
    QObject::connect(m_deviceLogin.get(), &Login::DeviceLoginWindow::mountChosen, m_mountWindow.get(),
                     [this](const QStringList& folders) {
                         m_mountWindow->setFolders(folders);
                         m_mountWindow->showAndRaise();
                     });
    QObject::connect(m_deviceLogin.get(), &Login::DeviceLoginWindow::managementChosen, m_consoleWindow.get(),
                     [this] { m_consoleWindow->showOnFirstPage(); });
    QObject::connect(m_deviceLogin.get(), &Ui::FormBase::closed, m_deviceLogin.get(), [this] {
        m_deviceLogin->hide();
        m_scanWindow->showAndRaise();
    });
    QObject::connect(m_mountWindow.get(), &Ui::FormBase::closed, m_mountWindow.get(), [this] {
        m_mountWindow->hide();
        m_deviceLogin->showAndRaise();
    });
    QObject::connect(m_consoleWindow.get(), &Ui::FormBase::closed, m_consoleWindow.get(), [this] {
        m_consoleWindow->hide();
        m_deviceLogin->showAndRaise();
    });
    QObject::connect(m_consoleWindow.get(), &Console::ConsoleWindow::administratorLoginRequested, m_adminLogin.get(),
                     [this] { m_adminLogin->showAndRaise(); });
    QObject::connect(m_consoleWindow.get(), &Console::ConsoleWindow::rescanRequested, m_scanWindow.get(), [this] {
        m_scanWindow->showAndRaise();
        m_scanWindow->ScanBtnClick();
    });
    QObject::connect(m_adminLogin.get(), &Login::AdminLoginWindow::passwordConfirmed, m_adminLogin.get(), [this] {
        m_consoleWindow->setEnabled(true);
        m_consoleWindow->clearAdministratorFields();
        m_consoleWindow->showAndRaise();
    });
    QObject::connect(m_adminLogin.get(), &Login::AdminLoginWindow::gaveUp, m_adminLogin.get(), [this] {
        m_consoleWindow->setEnabled(true);
        m_consoleWindow->hide();
        m_consoleWindow->clearAdministratorFields();
        m_scanWindow->showAndRaise();
    });
    QObject::connect(m_adminLogin.get(), &Ui::FormBase::closed, m_adminLogin.get(), [this] {
        m_consoleWindow->setEnabled(true);
        m_consoleWindow->hide();
        m_adminLogin->hide();
        m_scanWindow->showAndRaise();
    });
}

} // namespace App
