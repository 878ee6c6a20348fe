#include "console/disk_tab.h"

#include "base/localize.h"
#include "console/console_context.h"
#include "console/disk_rules.h"
#include "console/maintenance_rules.h"
#include "console/tab_widgets.h"
#include "ui/form_base.h"
#include "ui/plain_label.h"
#include "ui/request_runner.h"

#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace Console {

using TabWidgets::place;
using TabWidgets::useConsoleText;

namespace {

// One count for the program, as Timer2's ticks were counted by the utility:
// a new console or a new Start goes on from where it stood.
int g_refreshTicks = 0;

// A line as the memo shows it: one line of the unit's, one line on screen. A
// CR that ends the line is not drawn; one inside it, like a paragraph
// separator, would start a new line and is shown as a replacement character.
// Laying out one wrapped line takes time growing faster than its length, so a
// very long line is cut, and says so.
QString displayLine(const QByteArray& line) {
    QString text = QString::fromUtf8(line.endsWith('\r') ? line.first(line.size() - 1) : line);
    const qsizetype length = text.size();
    if (length > kScanLineShown) {
        const qsizetype kept = text.at(kScanLineShown - 1).isHighSurrogate() ? kScanLineShown - 1 : kScanLineShown;
        text.truncate(kept);
        text += QStringLiteral(" \u2026 [line cut: %1 characters, the first %2 shown]").arg(length).arg(kept);
    }
    for (QChar& c : text) {
        if (c == u'\r' || c == QChar::ParagraphSeparator)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

DiskTab::DiskTab(ConsoleContext& console) : ConsolePage(console, "TabSheet7", "Disk Utility") {
    resize(569, 537);

    m_DiskUtiilityGB = place(new QGroupBox(QStringLiteral("Disk Tools"), this), "DiskUtiilityGB", 10, 8, 545, 132);
    m_FormatDiskLabel =
        place(Ui::plainLabel(QStringLiteral("Format Disk"), m_DiskUtiilityGB), "Label55", 12, 30, 120, 23);
    m_DiskFormatBtn =
        place(new QPushButton(QStringLiteral("Format"), m_DiskUtiilityGB), "DiskFormatBtn", 140, 29, 81, 25);

    // While a format runs: how long the unit has been at it, and for how long it is waited for.
    m_FormatWaitLabel = place(Ui::plainLabel(QString(), m_DiskUtiilityGB), "FormatWaitLabel", 230, 30, 303, 23);
    m_FormatWaitLabel->hide();

    m_SleepTimeLabel =
        place(Ui::plainLabel(QStringLiteral("Sleep Time"), m_DiskUtiilityGB), "Label56", 12, 66, 120, 23);
    m_DiskSleepTimeEdit = place(new QLineEdit(m_DiskUtiilityGB), "DiskSleepTimeEdit", 140, 66, 40, 23);
    m_DiskSleepTimeEdit->setMaxLength(kSleepTimeLength);
    m_MinutesLabel = place(Ui::plainLabel(QStringLiteral("(min)"), m_DiskUtiilityGB), "Label57", 186, 66, 80, 23);
    m_DiskSleepBtn = place(new QPushButton(QStringLiteral("Set"), m_DiskUtiilityGB), "DiskSleepBtn", 452, 65, 81, 25);
    m_SleepRangeLabel = place(Ui::plainLabel(QStringLiteral("(0 to disable, range 5-60 to enable)"), m_DiskUtiilityGB),
                              "Label59", 140, 94, 304, 21);

    m_ScanDiskGB = place(new QGroupBox(QStringLiteral("Scan Disk"), this), "ScanDiskGB", 10, 150, 545, 346);
    m_ScanDiskLabel = place(Ui::plainLabel(QStringLiteral("Scan Disk"), m_ScanDiskGB), "Label58", 12, 30, 120, 23);
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

    m_RefreshTimer = new QTimer(this);
    m_RefreshTimer->setObjectName(QStringLiteral("Timer2"));
    m_RefreshTimer->setInterval(1000);

    connect(m_DiskFormatBtn, &QPushButton::clicked, this, &DiskTab::DiskFormatBtnClick);
    connect(m_DiskSleepBtn, &QPushButton::clicked, this, &DiskTab::DiskSleepBtnClick);
    connect(m_DiskScanBtn, &QPushButton::clicked, this, &DiskTab::DiskScanBtnClick);
    connect(m_DiskDelMsgBtn, &QPushButton::clicked, this, &DiskTab::DiskDelMsgBtnClick);
    connect(m_DiskRefBtn, &QPushButton::clicked, this, &DiskTab::DiskRefBtnClick);
    connect(m_RefreshTimer, &QTimer::timeout, this, &DiskTab::RefreshTimerTick);
}

int DiskTab::tickCount() {
    return g_refreshTicks;
}

void DiskTab::consoleClosed() {
    m_RefreshTimer->stop();
    ++m_stops;
}

void DiskTab::DiskTabShow() {
    m_DiskDelMsgBtn->setEnabled(false);
    const DiskView view = readDiskPage(console().FetchPage());
    // The field takes two typed digits, but the unit's value is shown whole: a cut "120" would be sent as 12.
    m_DiskSleepTimeEdit->setMaxLength(std::max<int>(kSleepTimeLength, static_cast<int>(view.sleepMinutes.size())));
    m_DiskSleepTimeEdit->setText(view.sleepMinutes);
    m_DiskDelMsgBtn->setEnabled(view.canClear);
    showScanResult(view.scanResult);
}

void DiskTab::DiskFormatBtnClick() {
    if (!console().confirm(formatQuestion()))
        return;
    QElapsedTimer working;
    working.start();
    QTimer shown;
    const int boundMs = console().workTimeoutMs();
    const auto update = [this, &working, boundMs] {
        m_FormatWaitLabel->setText(workWaitText(working.elapsed(), boundMs));
    };
    connect(&shown, &QTimer::timeout, this, update);
    update();
    m_FormatWaitLabel->show();
    shown.start(1000);
    console().SendCgi(formatChange(console().unit()));
    m_FormatWaitLabel->hide();
}

void DiskTab::DiskSleepBtnClick() {
    const Checked checked = sleepTimeChange(console().unit(), m_DiskSleepTimeEdit->text());
    if (const Base::Refusal* refusal = refusalOf(checked)) {
        console().showMessage(*refusal);
        return;
    }
    console().SendRepeated(*changeOf(checked));
}

void DiskTab::DiskScanBtnClick() {
    if (!console().confirm(scanStartQuestion()))
        return;
    console().SendCgi(scanStartChange(console().unit()));
    m_RefreshTimer->start();
}

void DiskTab::DiskDelMsgBtnClick() {
    if (console().confirm(scanClearQuestion()))
        console().SendCgi(scanClearChange(console().unit()));
}

void DiskTab::DiskRefBtnClick() {
    m_RefreshTimer->stop();
    g_refreshTicks = 0;
    ++m_stops;
}

void DiskTab::RefreshTimerTick() {
    if (++g_refreshTicks < kScanRefreshTicks)
        return;
    g_refreshTicks = 0;
    if (m_refreshWaiting)
        return;
    // A tick that comes while the unit is being asked waits for that request
    // to end instead of starting one inside it.
    m_refreshWaiting = true;
    const int stops = m_stops;
    Ui::whenIdle(this, [this, stops] {
        m_refreshWaiting = false;
        if (stops == m_stops)
            RefreshScanResult();
    });
}

void DiskTab::RefreshScanResult() {
    const int stops = m_stops;
    m_RefreshTimer->stop();
    QByteArray page;
    for (int read = 0; read < kScanRefreshReads && page.isEmpty(); ++read)
        page = console().FetchPage();
    showScanResult(readDiskPage(page).scanResult);
    // Stopped or closed while the unit was asked: this was the last refresh.
    if (stops == m_stops)
        m_RefreshTimer->start();
}

void DiskTab::showScanResult(const QList<QByteArray>& lines) {
    // One text set at once: line by line, a long result would hold the window up.
    QString text;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += u'\n';
        text += displayLine(lines[i]);
    }
    // The reader keeps the place they read at; one at the end follows the result as it grows.
    QScrollBar* bar = m_DiskScanMO->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const int place = bar->value();
    m_DiskScanMO->setPlainText(text);
    bar->setValue(atEnd ? bar->maximum() : place);
}

} // namespace Console
