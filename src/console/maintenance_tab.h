#pragma once

#include "console/console_page.h"

#include <functional>

class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace Console {

// The Maintenance page (TabSheet3): firmware upload, reboot and factory defaults.
class MaintenanceTab final : public ConsolePage {
    Q_OBJECT
public:
    explicit MaintenanceTab(ConsoleContext& console);

    void showPage() override { MaintenanceTabShow(); }

    void MaintenanceTabShow();
    void BrowseBtnClick();
    void UploadBtnClick();
    void RebootBtnClick();
    void ResetBtnClick();
    void WaitTimerTick();
    // Where Browse gets its file: the file dialog, or a chooser of a test's own. Empty: none chosen.
    void setFileChooser(std::function<QString()> chooser) { m_chooseFile = std::move(chooser); }

    // The wait after an action: the bar runs to kProgressMaximum in steps of kProgressStep, one per Timer1 tick.
    static constexpr int kProgressMaximum = 300;
    static constexpr int kProgressStep = 10;

    QLineEdit* firmFileEdit() const { return m_FirmFileEdit; }
    QPushButton* browseBtn() const { return m_BrowseBtn; }
    QPushButton* uploadBtn() const { return m_UploadBtn; }
    QPushButton* rebootBtn() const { return m_RebootBtn; }
    QPushButton* resetBtn() const { return m_ResetBtn; }
    // "Wait a minute..." and "Maintenance Action Successful", in the same place.
    QLabel* waitLabel() const { return m_WaitLabel; }
    QLabel* successLabel() const { return m_SuccessLabel; }
    QProgressBar* waitBar() const { return m_WaitBar; }
    QTimer* waitTimer() const { return m_WaitTimer; }
    // A wait left running from an earlier visit ends when the console is shown again.
    void consoleShown() override;
    // Made on first use: building a file dialog reads the file system, which start-up need not wait for.
    QFileDialog* openDialog();

private:
    void translateOtherCaptions() override;
    void startWait();
    // A cancelled question leaves the page idle.
    void idle();
    void enableUpload();

    QGroupBox* m_FirmUpGB = nullptr;
    QLabel* m_UploadFirmwareLabel = nullptr;
    QLineEdit* m_FirmFileEdit = nullptr;
    QPushButton* m_BrowseBtn = nullptr;
    QPushButton* m_UploadBtn = nullptr;
    QGroupBox* m_SysRebootGB = nullptr;
    QLabel* m_RebootNoteLabel = nullptr;
    QPushButton* m_RebootBtn = nullptr;
    QGroupBox* m_FactoryDefGB = nullptr;
    QLabel* m_ResetNoteLabel = nullptr;
    QPushButton* m_ResetBtn = nullptr;
    QLabel* m_WaitLabel = nullptr;
    QLabel* m_SuccessLabel = nullptr;
    QProgressBar* m_WaitBar = nullptr;
    QTimer* m_WaitTimer = nullptr;
    QFileDialog* m_OpenDialog = nullptr;
    std::function<QString()> m_chooseFile;
};

} // namespace Console
