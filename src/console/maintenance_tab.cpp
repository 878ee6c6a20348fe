#include "console/maintenance_tab.h"

#include "base/localize.h"
#include "console/console_context.h"
#include "console/maintenance_rules.h"
#include "console/tab_widgets.h"
#include "ui/form_base.h"
#include "ui/plain_label.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <atomic>

namespace Console {

using TabWidgets::kMaroon;
using TabWidgets::place;
using TabWidgets::useConsoleText;
using TabWidgets::useMaroon;

namespace {

QString identity(const QString& text) {
    return text;
}

// Each piece is looked up by itself, so a language file translates them one by one.
QString rebootExplanation(QString (*translate)(const QString&)) {
    return translate(QStringLiteral("Click Reboot to have the device perform a software restart.")) +
           translate(QStringLiteral("The SYS LED blinks ")) + QStringLiteral("\n\n") +
           translate(QStringLiteral("as the device restarts and then steady on if the restarts is successful.")) +
           QStringLiteral("\n\n") + translate(QStringLiteral("Wait a minute before logging into the device again."));
}

QString resetExplanation(QString (*translate)(const QString&)) {
    return translate(QStringLiteral("Click Reset to clear all configuration and restore to default settings.")) +
           QStringLiteral("\n\n") + translate(QStringLiteral("Please click \"Reboot\" after reset."));
}

QLabel* explanation(QLabel* label) {
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

MaintenanceTab::MaintenanceTab(ConsoleContext& console) : ConsolePage(console, "TabSheet3", "Maintenance") {
    resize(569, 537);

    m_FirmUpGB = place(new QGroupBox(QStringLiteral("Firmware Upload"), this), "FirmUpGB", 10, 8, 545, 100);
    m_UploadFirmwareLabel =
        place(Ui::plainLabel(QStringLiteral("Upload Firmware"), m_FirmUpGB), "Label28", 12, 30, 120, 23);
    m_FirmFileEdit = place(new QLineEdit(m_FirmUpGB), "FirmFileEdit", 140, 30, 304, 23);
    // The path comes only from the file dialog.
    m_FirmFileEdit->setEnabled(false);
    m_BrowseBtn = place(new QPushButton(QStringLiteral("Browse..."), m_FirmUpGB), "BrowseBtn", 452, 29, 81, 25);
    m_UploadBtn = place(new QPushButton(QStringLiteral("Upload"), m_FirmUpGB), "UploadBtn", 452, 62, 81, 25);
    m_UploadBtn->setEnabled(false);

    m_SysRebootGB = place(new QGroupBox(QStringLiteral("System Reboot"), this), "SysRebootGB", 10, 118, 545, 168);
    m_RebootNoteLabel =
        place(explanation(Ui::plainLabel(rebootExplanation(identity), m_SysRebootGB)), "Label29", 12, 30, 424, 124);
    m_RebootBtn = place(new QPushButton(QStringLiteral("Reboot"), m_SysRebootGB), "RebootBtn", 452, 29, 81, 25);

    m_FactoryDefGB = place(new QGroupBox(QStringLiteral("Factory Defaults"), this), "FactoryDefGB", 10, 296, 545, 112);
    m_ResetNoteLabel =
        place(explanation(Ui::plainLabel(resetExplanation(identity), m_FactoryDefGB)), "Label30", 12, 30, 424, 70);
    m_ResetBtn = place(new QPushButton(QStringLiteral("Reset"), m_FactoryDefGB), "ResetBtn", 452, 29, 81, 25);

    m_WaitLabel = place(Ui::plainLabel(QStringLiteral("Wait a minute..."), this), "Label31", 22, 422, 521, 21);
    m_SuccessLabel =
        place(Ui::plainLabel(QStringLiteral("Maintenance Action Successful"), this), "Label32", 22, 422, 521, 21);
    m_WaitLabel->hide();
    m_SuccessLabel->hide();
    m_WaitBar = place(new QProgressBar(this), "ProgressBar1", 22, 448, 521, 18);
    m_WaitBar->setRange(0, kProgressMaximum);
    m_WaitBar->setValue(0);
    m_WaitBar->setTextVisible(false);
    m_WaitBar->hide();

    useConsoleText(this);
    // Made of pieces each translated by itself: translateOtherCaptions.
    TabWidgets::keepUntranslated(m_RebootNoteLabel);
    TabWidgets::keepUntranslated(m_ResetNoteLabel);
    keepCaptionKeys();
    useMaroon(m_WaitLabel);
    useMaroon(m_SuccessLabel);
    for (QLabel* label : {m_RebootNoteLabel, m_ResetNoteLabel, m_WaitLabel, m_SuccessLabel})
        TabWidgets::keepColourWhenDisabled(label);

    m_WaitTimer = new QTimer(this);
    m_WaitTimer->setObjectName(QStringLiteral("Timer1"));
    m_WaitTimer->setInterval(1000);

    connect(m_BrowseBtn, &QPushButton::clicked, this, &MaintenanceTab::BrowseBtnClick);
    connect(m_UploadBtn, &QPushButton::clicked, this, &MaintenanceTab::UploadBtnClick);
    connect(m_RebootBtn, &QPushButton::clicked, this, &MaintenanceTab::RebootBtnClick);
    connect(m_ResetBtn, &QPushButton::clicked, this, &MaintenanceTab::ResetBtnClick);
    connect(m_WaitTimer, &QTimer::timeout, this, &MaintenanceTab::WaitTimerTick);
}

void MaintenanceTab::translateOtherCaptions() {
    m_RebootNoteLabel->setText(rebootExplanation(Base::LocalizeText));
    m_ResetNoteLabel->setText(resetExplanation(Base::LocalizeText));
}

void MaintenanceTab::consoleShown() {
    m_WaitTimer->stop();
}

void MaintenanceTab::enableUpload() {
    m_UploadBtn->setEnabled(!m_FirmFileEdit->text().isEmpty());
}

void MaintenanceTab::idle() {
    m_WaitLabel->hide();
    m_SuccessLabel->hide();
    m_WaitBar->hide();
    m_WaitBar->setValue(0);
    m_WaitTimer->stop();
}

void MaintenanceTab::MaintenanceTabShow() {
    enableUpload();
    idle();
    for (QPushButton* button : {m_BrowseBtn, m_RebootBtn, m_ResetBtn})
        button->setEnabled(true);
}

void MaintenanceTab::BrowseBtnClick() {
    QString chosen;
    if (m_chooseFile) {
        chosen = m_chooseFile();
    } else if (openDialog()->exec() == QDialog::Accepted && !openDialog()->selectedFiles().isEmpty()) {
        chosen = openDialog()->selectedFiles().constFirst();
    }
    // Cancelled, the path chosen before stays.
    if (!chosen.isEmpty())
        m_FirmFileEdit->setText(QDir::toNativeSeparators(chosen));
    enableUpload();
}

void MaintenanceTab::startWait() {
    m_WaitLabel->show();
    m_WaitBar->setValue(0);
    m_WaitBar->show();
    m_WaitTimer->start();
    console().setConsoleEnabled(false);
}

void MaintenanceTab::WaitTimerTick() {
    if (m_WaitBar->value() >= kProgressMaximum) {
        m_WaitLabel->hide();
        m_SuccessLabel->show();
        m_FirmFileEdit->clear();
        m_WaitBar->setValue(0);
        m_WaitBar->hide();
        for (QPushButton* button : {m_UploadBtn, m_RebootBtn, m_ResetBtn})
            button->setEnabled(true);
        console().setConsoleEnabled(true);
        m_WaitTimer->stop();
        console().findUnitAgain();
        return;
    }
    m_WaitBar->setValue(m_WaitBar->value() + kProgressStep);
}

void MaintenanceTab::UploadBtnClick() {
    if (const auto refusal = firmwareFileRefusal(m_FirmFileEdit->text())) {
        console().showMessage(*refusal);
        return;
    }
    if (!console().confirm(uploadQuestion())) {
        idle();
        return;
    }
    m_WaitLabel->show();
    for (QPushButton* button : {m_UploadBtn, m_RebootBtn, m_ResetBtn})
        button->setEnabled(false);

    const auto body = firmwareBody(m_FirmFileEdit->text());
    if (!body.ok()) {
        // "Wait a minute..." and the disabled buttons stay until the page is shown again.
        console().showMessage({body.error().detail, QStringLiteral("Firmware Upload"), Base::Icon::Error, {}});
        return;
    }
    // The bar shows the image going up until a wait needs it; the post reports from its own thread.
    std::atomic<qint64> sent{0};
    const qint64 total = std::max<qint64>(body.value()->size(), 1);
    QTimer progressTimer;
    progressTimer.setInterval(50);
    // Once the image is out the unit writes it into its flash before it answers: the bar says how long so far.
    QElapsedTimer working;
    const int workBoundMs = console().workTimeoutMs();
    connect(&progressTimer, &QTimer::timeout, this, [this, &sent, &working, total, workBoundMs] {
        m_WaitBar->setValue(static_cast<int>(sent.load() * kProgressMaximum / total));
        if (sent.load() < total)
            return;
        if (!working.isValid()) {
            working.start();
            m_WaitBar->setAlignment(Qt::AlignCenter);
            m_WaitBar->setTextVisible(true);
        }
        m_WaitBar->setFormat(workWaitText(working.elapsed(), workBoundMs));
    });
    m_WaitBar->setValue(0);
    m_WaitBar->show();
    progressTimer.start();
    const Web::PostResult result =
        console().PostMultipart(firmwareUrl(console().unit()), *body.value(), firmwareReferer(console().unit()),
                                [&sent](qint64 done, qint64) { sent = done; });
    progressTimer.stop();
    m_WaitBar->hide();
    m_WaitBar->setValue(0);
    m_WaitBar->setFormat(QStringLiteral("%p%"));
    m_WaitBar->setTextVisible(false);

    switch (judgeUpload(result, console().unit())) {
    case UploadVerdict::Accepted:
        if (console().confirm(uploadAcceptedQuestion())) {
            console().SendCgi(rebootChange(console().unit()));
            startWait();
        }
        return;
    case UploadVerdict::Unconfirmed:
        // The unit neither took nor refused it: "Wait a minute..." stays, as after any upload it did not confirm.
        return;
    case UploadVerdict::TooLarge:
        console().showMessage(uploadTooLarge());
        break;
    case UploadVerdict::Refused:
    case UploadVerdict::Unreachable:
        console().showMessage(uploadFailed());
        break;
    }
    m_WaitLabel->hide();
    m_SuccessLabel->hide();
}

void MaintenanceTab::RebootBtnClick() {
    if (!console().confirm(rebootQuestion())) {
        idle();
        return;
    }
    for (QPushButton* button : {m_BrowseBtn, m_UploadBtn, m_RebootBtn, m_ResetBtn})
        button->setEnabled(false);
    startWait();
    console().SendCgi(rebootChange(console().unit()));
}

void MaintenanceTab::ResetBtnClick() {
    if (!console().confirm(factoryDefaultsQuestion())) {
        idle();
        return;
    }
    for (QPushButton* button : {m_UploadBtn, m_RebootBtn, m_ResetBtn, m_BrowseBtn})
        button->setEnabled(false);
    startWait();
    console().SendCgi(factoryDefaultsChange(console().unit()));
    console().SendCgi(rebootChange(console().unit()));
}

QFileDialog* MaintenanceTab::openDialog() {
    if (m_OpenDialog == nullptr) {
        m_OpenDialog = new QFileDialog(this);
        m_OpenDialog->setObjectName(QStringLiteral("OpenDialog1"));
        // Only the words: a translation cannot change which files are offered.
        m_OpenDialog->setNameFilter(Base::LocalizeText(QStringLiteral("bin file")) + QStringLiteral(" (*.bin)"));
        m_OpenDialog->setFileMode(QFileDialog::ExistingFile);
        m_OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
        m_OpenDialog->setOption(QFileDialog::ReadOnly);
        m_OpenDialog->setSizeGripEnabled(true);
    }
    return m_OpenDialog;
}

} // namespace Console
