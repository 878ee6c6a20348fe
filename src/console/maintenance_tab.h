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

    void showPage() override { TabSheet3Show(); }

    void TabSheet3Show();
    void BrowseBtnClick();
    void UploadBtnClick();
    void RebootBtnClick();
    void ResetBtnClick();
    void Timer1Timer();
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
    QLabel* label31() const { return m_Label31; }
    QLabel* label32() const { return m_Label32; }
    QProgressBar* progressBar1() const { return m_ProgressBar1; }
    QTimer* timer1() const { return m_Timer1; }
    // A wait left running from an earlier visit ends when the console is shown again.
    void consoleShown() override;
    // Made on first use: building a file dialog reads the file system, which start-up need not wait for.
    QFileDialog* openDialog1();

private:
    void translateOtherCaptions() override;
    void startWait();
    // A cancelled question leaves the page idle.
    void idle();
    void enableUpload();

    QGroupBox* m_FirmUpGB = nullptr;
    QLabel* m_Label28 = nullptr;
    QLineEdit* m_FirmFileEdit = nullptr;
    QPushButton* m_BrowseBtn = nullptr;
    QPushButton* m_UploadBtn = nullptr;
    QGroupBox* m_SysRebootGB = nullptr;
    QLabel* m_Label29 = nullptr;
    QPushButton* m_RebootBtn = nullptr;
    QGroupBox* m_FactoryDefGB = nullptr;
    QLabel* m_Label30 = nullptr;
    QPushButton* m_ResetBtn = nullptr;
    QLabel* m_Label31 = nullptr;
    QLabel* m_Label32 = nullptr;
    QProgressBar* m_ProgressBar1 = nullptr;
    QTimer* m_Timer1 = nullptr;
    QFileDialog* m_OpenDialog1 = nullptr;
    std::function<QString()> m_chooseFile;
};

} // namespace Console
