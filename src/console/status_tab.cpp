#include "console/status_tab.h"

#include "base/localize.h"
#include "console/console_context.h"
#include "console/field_limits.h"
#include "console/page_tabs.h"
#include "console/status_actions.h"
#include "console/status_page.h"
#include "console/tab_widgets.h"
#include "ui/current_device.h"
#include "ui/plain_label.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace Console {

using TabWidgets::place;
using TabWidgets::useMaroon;

namespace {

// Rows inside a group box, and the columns of label, field, second label, second field and button.
constexpr int kFirstRow = 22;
constexpr int kRowPitch = 26;
constexpr int kGroupX = 10;
constexpr int kGroupWidth = 545;
constexpr int kLabelX = 12;
constexpr int kFieldX = 116;
constexpr int kSecondLabelX = 246;
constexpr int kSecondFieldX = 354;
constexpr int kButtonX = 452;

constexpr int row(int n) {
    return kFirstRow + n * kRowPitch;
}
constexpr int groupHeight(int rows) {
    return row(rows - 1) + 23 + 7;
}

QLineEdit* edit(QWidget* parent, const char* name, int x, int y, int width, int maxLength) {
    auto* e = place(new QLineEdit(parent), name, x, y, width, 23);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

QLabel* label(QWidget* parent, const char* name, const char* text, int x, int y, int width) {
    return place(Ui::plainLabel(QString::fromLatin1(text), parent), name, x, y, width, 23);
}

QPushButton* setButton(QWidget* parent, const char* name, int y) {
    return place(new QPushButton(QStringLiteral("Set"), parent), name, kButtonX, y - 1, 81, 25);
}

QRadioButton* radio(QWidget* parent, const char* name, const char* text, int x, int y, int width) {
    return place(new QRadioButton(QString::fromLatin1(text), parent), name, x, y, width, 23);
}

} // namespace

StatusTab::StatusTab(ConsoleContext& console) : ConsolePage(console, "TabSheet1", "Status") {
    buildIdentification();
    buildAdministration();
    buildDateAndTime();
    buildNetwork();
    buildDisk();
    TabWidgets::useConsoleText(this);
    // Host names, and zone names the unit's own pages write in English.
    TabWidgets::keepUntranslated(m_TimeSSelCB);
    TabWidgets::keepUntranslated(m_TimezoneCB);
    keepCaptionKeys();
    for (QLabel* value : {m_CurrenttimeLB, m_IPAddressLB, m_DiskidLB, m_FirmverLB, m_FreesizeLB, m_TotalsizeLB})
        useMaroon(value);
}

void StatusTab::buildIdentification() {
    m_IdenGB =
        place(new QGroupBox(QStringLiteral("Identification"), this), "IdenGB", kGroupX, 4, kGroupWidth, groupHeight(1));
    m_HostNameLabel = label(m_IdenGB, "Label1", "Host Name", kLabelX, row(0), 96);
    m_HostEdit = edit(m_IdenGB, "HostEdit", kFieldX, row(0), 120, kNameLength);
    m_GroupNameLabel = label(m_IdenGB, "Label2", "Group Name", kSecondLabelX, row(0), 106);
    m_GroupEdit = edit(m_IdenGB, "GroupEdit", kSecondFieldX, row(0), 90, kNameLength);
    m_identBtn = setButton(m_IdenGB, "identBtn", row(0));
    connect(m_identBtn, &QPushButton::clicked, this, &StatusTab::identBtnClick);
}

void StatusTab::buildAdministration() {
    const int top = m_IdenGB->geometry().bottom() + 5;
    m_AdminGB = place(new QGroupBox(QStringLiteral("Administration"), this), "AdminGB", kGroupX, top, kGroupWidth,
                      groupHeight(2));
    m_AdministratorLabel = label(m_AdminGB, "Label3", "Administrator", kLabelX, row(0), 96);
    m_AdminEdit = edit(m_AdminGB, "AdminEdit", kFieldX, row(0), 120, 15);
    m_AdminEdit->setEnabled(false);
    m_PasswordLabel = label(m_AdminGB, "Label4", "Password", kLabelX, row(1), 96);
    m_PassEdit = edit(m_AdminGB, "PassEdit", kFieldX, row(1), 120, kAdminPasswordLength);
    m_PassEdit->setEchoMode(QLineEdit::Password);
    m_VerifyPasswordLabel = label(m_AdminGB, "Label5", "Verify Password", kSecondLabelX, row(1), 106);
    m_VerifyEdit = edit(m_AdminGB, "VerifyEdit", kSecondFieldX, row(1), 90, kAdminPasswordLength);
    m_VerifyEdit->setEchoMode(QLineEdit::Password);
    m_adminBtn = setButton(m_AdminGB, "adminBtn", row(1));
    connect(m_adminBtn, &QPushButton::clicked, this, &StatusTab::adminBtnClick);
}

void StatusTab::buildDateAndTime() {
    const int top = m_AdminGB->geometry().bottom() + 5;
    m_DatatimeGB = place(new QGroupBox(QStringLiteral("Date and Time"), this), "DatatimeGB", kGroupX, top, kGroupWidth,
                         groupHeight(5));
    QGroupBox* g = m_DatatimeGB;
    m_CurrentTimeLabel = label(g, "Label6", "Current Time", kLabelX, row(0), 96);
    m_CurrenttimeLB = label(g, "CurrenttimeLB", "", kFieldX, row(0), 180);

    m_DateTimeLabel = label(g, "Label7", "Date and Time", kLabelX, row(1), 96);
    // year / month / day - hour : minute : second, with the separators as they stand.
    int x = kFieldX;
    const auto field = [&](const char* name, int width, int maxLength) {
        QLineEdit* e = edit(g, name, x, row(1), width, maxLength);
        e->setAlignment(Qt::AlignCenter);
        x += width;
        return e;
    };
    const auto separator = [&](const char* text) {
        QLabel* l = place(Ui::plainLabel(QString::fromLatin1(text), g), "", x, row(1), 10, 23);
        l->setAlignment(Qt::AlignCenter);
        TabWidgets::keepUntranslated(l);
        x += 10;
    };
    m_YearEdit = field("YearEdit", 42, kYearLength);
    separator("/");
    m_MonthEdit = field("MonthEdit", 28, kDatePartLength);
    separator("/");
    m_DataEdit = field("DataEdit", 28, kDatePartLength);
    separator("-");
    m_HourEdit = field("HourEdit", 28, kDatePartLength);
    separator(":");
    m_MinuteEdit = field("MinuteEdit", 28, kDatePartLength);
    separator(":");
    m_SecondEdit = field("SecondEdit", 28, kDatePartLength);
    m_DateTimeFormatLabel = label(g, "Label13", "(yyyy/mm/dd - hh:mm:ss)", x + 8, row(1), kGroupWidth - 12 - x - 8);

    // The time service switch shares the first row with the unit's clock.
    m_SntpLabel = label(g, "Label14", "SNTP", 300, row(0), 50);
    m_SntpAutoRB = radio(g, "SntpAutoRB", "Auto", 354, row(0), 62);
    m_SntpDisRB = radio(g, "SntpDisRB", "Disable", 418, row(0), 80);
    m_sntpGroup = new QButtonGroup(this);
    m_sntpGroup->addButton(m_SntpAutoRB);
    m_sntpGroup->addButton(m_SntpDisRB);

    m_TimeServerLabel = label(g, "Label15", "Time Server", kLabelX, row(2), 96);
    m_TimeSSelRB = radio(g, "TimeSSelRB", "Select of Time Server", kFieldX, row(2), 180);
    m_TimeSMakeRB = radio(g, "TimeSMakeRB", "Manually Set Time Server", kFieldX + 186, row(2), 240);
    m_serverGroup = new QButtonGroup(this);
    m_serverGroup->addButton(m_TimeSSelRB);
    m_serverGroup->addButton(m_TimeSMakeRB);
    connect(m_TimeSSelRB, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            TimeSSelRBClick();
    });
    connect(m_TimeSMakeRB, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            TimeSMakeRBClick();
    });

    // The list and the typed server share one place; only one of them shows.
    m_TimeSSelCB = place(new QComboBox(g), "TimeSSelCB", kFieldX, row(3), 240, 23);
    for (const QString& server : timeServers())
        m_TimeSSelCB->addItem(server);
    m_MantimeSEdit = edit(g, "MantimeSEdit", kFieldX, row(3), 240, kTimeServerLength);
    m_MantimeSEdit->hide();

    m_TimeZoneLabel = label(g, "Label16", "Time Zone", kLabelX, row(4), 96);
    m_TimezoneCB = place(new QComboBox(g), "TimezoneCB", kFieldX, row(4), 328, 23);
    m_TimezoneCB->addItems(timeZoneNames());
    m_TimezoneCB->setMaxVisibleItems(kTimeZoneCount);
    m_DatatimeBtn = setButton(g, "DatatimeBtn", row(4));
    connect(m_DatatimeBtn, &QPushButton::clicked, this, &StatusTab::DatatimeBtnClick);
}

void StatusTab::buildNetwork() {
    const int top = m_DatatimeGB->geometry().bottom() + 5;
    m_NetinfoGB = place(new QGroupBox(QStringLiteral("Network Information"), this), "NetinfoGB", kGroupX, top,
                        kGroupWidth, groupHeight(2));
    m_IPAddressLabel = label(m_NetinfoGB, "Label17", "IP Address", kLabelX, row(0), 96);
    m_IPAddressLB = label(m_NetinfoGB, "IPAddressLB", "", kFieldX, row(0), 120);
    m_DhcpServerLabel = label(m_NetinfoGB, "Label18", "DHCP Server", kLabelX, row(1), 96);
    m_DhcpsERB = radio(m_NetinfoGB, "DhcpsERB", "Enable", kFieldX, row(1), 90);
    m_DhcpsDRB = radio(m_NetinfoGB, "DhcpsDRB", "Disable", kFieldX + 96, row(1), 110);
    m_NetinfoBtn = setButton(m_NetinfoGB, "NetinfoBtn", row(1));
    connect(m_NetinfoBtn, &QPushButton::clicked, this, &StatusTab::NetinfoBtnClick);
}

void StatusTab::buildDisk() {
    const int top = m_NetinfoGB->geometry().bottom() + 5;
    m_DiskinfoGB = place(new QGroupBox(QStringLiteral("Disk Information"), this), "DiskinfoGB", kGroupX, top,
                         kGroupWidth, groupHeight(3));
    QGroupBox* g = m_DiskinfoGB;
    m_DiskIdLabel = label(g, "Label19", "Disk ID", kLabelX, row(0), 96);
    m_DiskidLB = label(g, "DiskidLB", "", kFieldX, row(0), 110);
    m_FirmwareVersionLabel = label(g, "Label20", "Firmware Version", kSecondLabelX, row(0), 120);
    m_FirmverLB = label(g, "FirmverLB", "", kSecondFieldX + 14, row(0), 76);
    m_FreeSizeLabel = label(g, "Label21", "Free Size", kLabelX, row(1), 96);
    m_FreesizeLB = label(g, "FreesizeLB", "", kFieldX, row(1), 110);
    m_TotalSizeLabel = label(g, "Label22", "Total Size", kSecondLabelX, row(1), 106);
    m_TotalsizeLB = label(g, "TotalsizeLB", "", kSecondFieldX + 14, row(1), 76);
    // Disk ID and firmware read from the right as the unit's pages show them; the sizes
    // follow so the figures line up.
    for (QLabel* value : {m_DiskidLB, m_FirmverLB, m_FreesizeLB, m_TotalsizeLB})
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_LanguageLabel = label(g, "Label60", "Language", kLabelX, row(2), 96);
    m_LangCB = place(new QComboBox(g), "LangCB", kFieldX, row(2), 240, 23);
    m_LangBtn = setButton(g, "LangBtn", row(2));
    connect(m_LangBtn, &QPushButton::clicked, this, &StatusTab::LangBtnClick);
}

void StatusTab::StatusTabShow() {
    m_AdminEdit->setText(Ui::CurrentDevice().userName);
    const StatusView v = readStatusPage(console().FetchPage());
    m_HostEdit->setText(v.hostName);
    m_GroupEdit->setText(v.groupName);
    m_CurrenttimeLB->setText(v.currentTime);
    m_YearEdit->setText(v.year);
    m_MonthEdit->setText(v.month);
    m_DataEdit->setText(v.day);
    m_HourEdit->setText(v.hour);
    m_MinuteEdit->setText(v.minute);
    m_SecondEdit->setText(v.second);
    (v.sntpAuto ? m_SntpAutoRB : m_SntpDisRB)->setChecked(true);
    (v.serverFromList ? m_TimeSSelRB : m_TimeSMakeRB)->setChecked(true);
    m_TimeSSelCB->setCurrentIndex(v.listedServer);
    if (v.serverFromList) {
        TimeSSelRBClick();
    } else {
        TimeSMakeRBClick();
        m_MantimeSEdit->setText(v.server);
    }
    if (v.stop == StatusView::Stop::AtZone) {
        console().showMessage(v.stopError);
        return;
    }
    m_TimezoneCB->setCurrentIndex(v.zoneIndex);
    m_IPAddressLB->setText(v.ipAddress);
    (v.dhcpServer ? m_DhcpsERB : m_DhcpsDRB)->setChecked(true);
    m_FirmverLB->setText(v.firmware);
    m_DiskidLB->setText(v.diskId);
    m_FreesizeLB->setText(v.freeSize);
    m_TotalsizeLB->setText(v.totalSize);
    if (v.stop == StatusView::Stop::AtLanguage) {
        console().showMessage(v.stopError);
        return;
    }
    m_LangCB->clear();
    m_LangCB->addItems(v.languages);
    m_LangCB->setCurrentIndex(v.languageIndex);
}

void StatusTab::TimeSSelRBClick() {
    m_TimeSSelCB->show();
    m_MantimeSEdit->hide();
}

void StatusTab::TimeSMakeRBClick() {
    m_TimeSSelCB->hide();
    m_MantimeSEdit->show();
}

void StatusTab::identBtnClick() {
    const QString host = m_HostEdit->text();
    const QString group = m_GroupEdit->text();
    // Past the rules on the typed text the fields show the names as they would go to the unit.
    if (!identificationTypedRefusal(host, group)) {
        m_HostEdit->setText(trimBlanksAndControls(host));
        m_GroupEdit->setText(trimBlanksAndControls(group));
    }
    const Checked checked = identificationChange(console().unit(), host, group);
    if (const Base::Refusal* refusal = refusalOf(checked)) {
        console().showMessage(*refusal);
        return;
    }
    console().SendCgi(*changeOf(checked));
}

void StatusTab::adminBtnClick() {
    const Checked checked = administratorChange(console().unit(), m_PassEdit->text(), m_VerifyEdit->text());
    if (const Base::Refusal* refusal = refusalOf(checked)) {
        console().showMessage(*refusal);
        return;
    }
    // Only a password the unit took is asked for again; otherwise the old one still holds.
    if (console().SendCgi(*changeOf(checked)) == Web::SendCgiResult::Done &&
        console().lastChangeOutcome() == Web::ChangeOutcome::Taken)
        console().administratorChangeSent();
}

void StatusTab::DatatimeBtnClick() {
    DateTimeInput input;
    input.sntpAuto = m_SntpAutoRB->isChecked();
    input.serverFromList = m_TimeSSelRB->isChecked();
    input.listedServer = m_TimeSSelCB->currentIndex();
    input.manualServer = m_MantimeSEdit->text();
    input.year = m_YearEdit->text();
    input.month = m_MonthEdit->text();
    input.day = m_DataEdit->text();
    input.hour = m_HourEdit->text();
    input.minute = m_MinuteEdit->text();
    input.second = m_SecondEdit->text();
    input.zoneIndex = m_TimezoneCB->currentIndex();
    const Checked checked = dateTimeChange(console().unit(), input);
    if (const Base::Refusal* refusal = refusalOf(checked)) {
        console().showMessage(*refusal);
        return;
    }
    console().SendCgi(*changeOf(checked));
}

void StatusTab::NetinfoBtnClick() {
    console().SendWithRetry(dhcpServerChange(console().unit(), m_DhcpsERB->isChecked()), kStatusPage);
}

void StatusTab::LangBtnClick() {
    console().SendRepeated(languageChange(console().unit(), m_LangCB->currentIndex()));
    console().showMessage(languageRestartNotice());
}

QString StatusTab::administratorPassword() const {
    return m_PassEdit->text();
}

void StatusTab::clearAdministratorFields() {
    m_PassEdit->clear();
    m_VerifyEdit->clear();
}

} // namespace Console
