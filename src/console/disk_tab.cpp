#include "console/disk_tab.h"

#include "base/localize.h"
#include "console/tab_widgets.h"
#include "ui/form_base.h"
#include "ui/plain_label.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace Console {

using TabWidgets::place;
using TabWidgets::useConsoleText;

DiskTab::DiskTab(ConsoleContext& console) : ConsolePage(console, "TabSheet7", "Disk Utility") {
    resize(569, 537);

    m_DiskUtiilityGB = place(new QGroupBox(QStringLiteral("Disk Tools"), this), "DiskUtiilityGB", 10, 8, 545, 132);
    m_Label55 = place(Ui::plainLabel(QStringLiteral("Format Disk"), m_DiskUtiilityGB), "Label55", 12, 30, 120, 23);
    m_DiskFormatBtn =
        place(new QPushButton(QStringLiteral("Format"), m_DiskUtiilityGB), "DiskFormatBtn", 140, 29, 81, 25);

    m_Label56 = place(Ui::plainLabel(QStringLiteral("Sleep Time"), m_DiskUtiilityGB), "Label56", 12, 66, 120, 23);
    m_DiskSleepTimeEdit = place(new QLineEdit(m_DiskUtiilityGB), "DiskSleepTimeEdit", 140, 66, 40, 23);
    m_DiskSleepTimeEdit->setMaxLength(2);
    m_Label57 = place(Ui::plainLabel(QStringLiteral("(min)"), m_DiskUtiilityGB), "Label57", 186, 66, 80, 23);
    m_DiskSleepBtn = place(new QPushButton(QStringLiteral("Set"), m_DiskUtiilityGB), "DiskSleepBtn", 452, 65, 81, 25);
    m_Label59 = place(Ui::plainLabel(QStringLiteral("(0 to disable, range 5-60 to enable)"), m_DiskUtiilityGB),
                      "Label59", 140, 94, 304, 21);

    m_ScanDiskGB = place(new QGroupBox(QStringLiteral("Scan Disk"), this), "ScanDiskGB", 10, 150, 545, 346);
    m_Label58 = place(Ui::plainLabel(QStringLiteral("Scan Disk"), m_ScanDiskGB), "Label58", 12, 30, 120, 23);
    m_DiskScanBtn = place(new QPushButton(QStringLiteral("Start"), m_ScanDiskGB), "DiskScanBtn", 140, 29, 81, 25);
    m_DiskDelMsgBtn =
        place(new QPushButton(QStringLiteral("Delete Error Msg"), m_ScanDiskGB), "DiskDelMsgBtn", 229, 29, 128, 25);
    m_DiskRefBtn =
        place(new QPushButton(QStringLiteral("Stop Refresh Error Msg"), m_ScanDiskGB), "DiskRefBtn", 365, 29, 168, 25);
    // Whether a result can be cleared is known only once the unit has been read.
    m_DiskDelMsgBtn->setEnabled(false);

    m_DiskScanMO = place(new QPlainTextEdit(m_ScanDiskGB), "DiskScanMO", 12, 66, 521, 266);
    m_DiskScanMO->setReadOnly(true);
    m_DiskScanMO->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    useConsoleText(this);
    keepCaptionKeys();

    m_Timer2 = new QTimer(this);
    m_Timer2->setObjectName(QStringLiteral("Timer2"));
    m_Timer2->setInterval(1000);
}

void DiskTab::consoleClosed() {
    m_Timer2->stop();
}

} // namespace Console
