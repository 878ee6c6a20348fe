#pragma once

#include "console/console_page.h"

#include <QByteArray>
#include <QList>

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

    void showPage() override { DiskTabShow(); }
    // The scan result is not refreshed for a closed console.
    void consoleClosed() override;

    void DiskTabShow();
    void DiskFormatBtnClick();
    void DiskSleepBtnClick();
    void DiskScanBtnClick();
    void DiskDelMsgBtnClick();
    void DiskRefBtnClick();
    void RefreshTimerTick();
    void RefreshScanResult();

    // Timer2's ticks since the last refresh or "Stop Refresh": one count for
    // the whole program, which neither Start nor closing the console resets.
    static int tickCount();

    QPushButton* diskFormatBtn() const { return m_DiskFormatBtn; }
    QLineEdit* diskSleepTimeEdit() const { return m_DiskSleepTimeEdit; }
    QPushButton* diskSleepBtn() const { return m_DiskSleepBtn; }
    QPushButton* diskScanBtn() const { return m_DiskScanBtn; }
    QPushButton* diskDelMsgBtn() const { return m_DiskDelMsgBtn; }
    QPushButton* diskRefBtn() const { return m_DiskRefBtn; }
    QPlainTextEdit* diskScanMO() const { return m_DiskScanMO; }
    // Drives the periodic re-read of the scan result; stopped until a scan is started.
    QTimer* refreshTimer() const { return m_RefreshTimer; }

private:
    // The memo filled with the result's lines, each shown as text.
    void showScanResult(const QList<QByteArray>& lines);

    QGroupBox* m_DiskUtiilityGB = nullptr;
    QLabel* m_FormatDiskLabel = nullptr;
    QLabel* m_FormatWaitLabel = nullptr;
    QPushButton* m_DiskFormatBtn = nullptr;
    QLabel* m_SleepTimeLabel = nullptr;
    QLineEdit* m_DiskSleepTimeEdit = nullptr;
    QLabel* m_MinutesLabel = nullptr;
    QLabel* m_SleepRangeLabel = nullptr;
    QPushButton* m_DiskSleepBtn = nullptr;
    QGroupBox* m_ScanDiskGB = nullptr;
    QLabel* m_ScanDiskLabel = nullptr;
    QPushButton* m_DiskScanBtn = nullptr;
    QPushButton* m_DiskDelMsgBtn = nullptr;
    QPushButton* m_DiskRefBtn = nullptr;
    QPlainTextEdit* m_DiskScanMO = nullptr;
    QTimer* m_RefreshTimer = nullptr;
    // "Stop Refresh" presses and console closes: a refresh that waited, or
    // that was running, when one came does not start Timer2 again.
    int m_stops = 0;
    // A refresh waits for the request that runs; one waiting is enough.
    bool m_refreshWaiting = false;
};

} // namespace Console
