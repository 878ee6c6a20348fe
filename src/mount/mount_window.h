#pragma once

#include "mount/mount_share.h"
#include "mount/reconnect_drives.h"
#include "platform/network_drives.h"
#include "ui/form_base.h"

#include <QStringList>

#include <chrono>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Mount {

// The mount dialog: maps one shared folder of the unit to a drive letter.
class MountWindow final : public Ui::FormBase {
    Q_OBJECT
public:
    // The workstation's own network drives; a drive to reconnect is kept where the system keeps them.
    explicit MountWindow(const Base::NetworkSettings& settings = {}, QWidget* parent = nullptr);
    // The letter list is asked of `drives` once, here; a mount gives up after `timeout`.
    explicit MountWindow(std::unique_ptr<Platform::NetworkDrives> drives, DriveServices services,
                         std::chrono::milliseconds timeout = kMountTimeout, QWidget* parent = nullptr);
    ~MountWindow() override;

    // Filled by the device login before the dialog is shown; nothing is selected.
    void setFolders(const QStringList& folders);

    QComboBox* folderBox() const { return m_FolderCB; }
    QComboBox* driveBox() const { return m_CmbDrive; }
    QCheckBox* reconnectCheck() const { return m_ReconnectCheck; }

    void MountSetBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Keeps the drive just mounted for the reconnect at sign-in, telling the person what was not kept.
    void rememberMounted(const MountRequest& request, const Discovery::DeviceRow& unit);

    std::unique_ptr<Platform::NetworkDrives> m_drives;
    DriveServices m_services;
    std::chrono::milliseconds m_timeout;
    QLabel* m_DiskNumberLabel = nullptr;
    QComboBox* m_CmbDrive = nullptr;
    QLabel* m_FolderLabel = nullptr;
    QComboBox* m_FolderCB = nullptr;
    QLabel* m_PasswordLabel = nullptr;
    QLineEdit* m_FolderPassEdit = nullptr;
    QCheckBox* m_ReconnectCheck = nullptr;
    QPushButton* m_MountSetBtn = nullptr;
};

} // namespace Mount
