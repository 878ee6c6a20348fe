#pragma once

#include "console/console_page.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace Console {

// The Disk Utility page (TabSheet7): format, sleep time, and the surface scan with its result.
class DiskTab final : public ConsolePage {
    Q_OBJECT
public:
    explicit DiskTab(ConsoleContext& console);

    QPushButton* diskFormatBtn() const { return m_DiskFormatBtn; }
    QLineEdit* diskSleepTimeEdit() const { return m_DiskSleepTimeEdit; }
    QPushButton* diskSleepBtn() const { return m_DiskSleepBtn; }
    QPushButton* diskScanBtn() const { return m_DiskScanBtn; }
    QPushButton* diskDelMsgBtn() const { return m_DiskDelMsgBtn; }
    QPushButton* diskRefBtn() const { return m_DiskRefBtn; }
    QPlainTextEdit* diskScanMO() const { return m_DiskScanMO; }
    // Drives the periodic re-read of the scan result; stopped until a scan is started.
    QTimer* timer2() const { return m_Timer2; }
    // The scan result is not refreshed for a closed console.
    void consoleClosed() override;

private:
    QGroupBox* m_DiskUtiilityGB = nullptr;
    QLabel* m_Label55 = nullptr;
    QPushButton* m_DiskFormatBtn = nullptr;
    QLabel* m_Label56 = nullptr;
    QLineEdit* m_DiskSleepTimeEdit = nullptr;
    QLabel* m_Label57 = nullptr;
    QLabel* m_Label59 = nullptr;
    QPushButton* m_DiskSleepBtn = nullptr;
    QGroupBox* m_ScanDiskGB = nullptr;
    QLabel* m_Label58 = nullptr;
    QPushButton* m_DiskScanBtn = nullptr;
    QPushButton* m_DiskDelMsgBtn = nullptr;
    QPushButton* m_DiskRefBtn = nullptr;
    QPlainTextEdit* m_DiskScanMO = nullptr;
    QTimer* m_Timer2 = nullptr;
};

} // namespace Console
