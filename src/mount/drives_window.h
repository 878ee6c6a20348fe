#pragma once

#include "mount/reconnect_drives.h"
#include "platform/network_drives.h"
#include "ui/form_base.h"

#include <QChar>

#include <chrono>
#include <memory>
#include <optional>

class QPushButton;
class QTableWidget;

namespace Mount {

// The remembered drives: each one's letter, unit, folder and state, and the
// Reconnect and Forget buttons, which act on the selected drive only.
class DrivesWindow final : public Ui::FormBase {
    Q_OBJECT
public:
    explicit DrivesWindow(const Base::NetworkSettings& settings = {}, QWidget* parent = nullptr);
    explicit DrivesWindow(std::unique_ptr<Platform::NetworkDrives> platform, DriveServices services,
                          std::chrono::milliseconds timeout = kMountTimeout, QWidget* parent = nullptr);
    ~DrivesWindow() override;

    // Reads the list again; nothing is selected afterwards.
    void refresh();

    // The share password when the secret store has none; by default asked in a box.
    void setPasswordAsker(AskPassword ask) { m_askPassword = std::move(ask); }

    QTableWidget* driveList() const { return m_DriveList; }

    void ReconnectBtnClick();
    void ForgetBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void DriveListChange();
    void fitColumns();
    // The letter of the selected row; nothing when no row is selected.
    std::optional<QChar> selectedLetter() const;
    // The list as the file holds it; nothing, with a box saying why, when it cannot be used.
    std::optional<QList<Drives::RememberedDrive>> readList();
    void saveList(const QList<Drives::RememberedDrive>& drives);

    std::unique_ptr<Platform::NetworkDrives> m_platform;
    DriveServices m_services;
    std::chrono::milliseconds m_timeout;
    AskPassword m_askPassword;
    QTableWidget* m_DriveList = nullptr;
    QPushButton* m_ReconnectBtn = nullptr;
    QPushButton* m_ForgetBtn = nullptr;
};

} // namespace Mount
