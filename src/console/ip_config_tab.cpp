#include "console/ip_config_tab.h"

#include "base/localize.h"
#include "console/console_context.h"
#include "console/field_limits.h"
#include "console/ip_config.h"
#include "console/page_tabs.h"
#include "console/tab_widgets.h"
#include "ui/plain_label.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace Console {

using TabWidgets::place;

namespace {} // namespace

IpConfigTab::IpConfigTab(ConsoleContext& console) : ConsolePage(console, "TabSheet2", "IP Config") {

    m_IPinforGB = place(new QGroupBox(QStringLiteral("IP Information"), this), "IPinforGB", 10, 4, 545, 232);
    QGroupBox* g = m_IPinforGB;
    m_IPOption = place(Ui::plainLabel(QStringLiteral("IP Option"), g), "IPOption", 12, 22, 120, 23);
    m_AutoIPRB = place(new QRadioButton(QStringLiteral("Automatic IP"), g), "AutoIPRB", 170, 22, 280, 23);
    m_StaticIPRB = place(new QRadioButton(QStringLiteral("Static IP as below"), g), "StaticIPRB", 170, 48, 280, 23);
    connect(m_AutoIPRB, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            AutoIPRBClick();
    });
    connect(m_StaticIPRB, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            StaticIPRBClick();
    });

    struct Row {
        const char* label;
        const char* labelText;
        const char* edit;
        QLabel** labelOut;
        QLineEdit** editOut;
        int maxLength; // 0: none
    };
    const Row rows[] = {
        {"Label23", "IP Address", "IPAddressEdit", &m_IPAddressLabel, &m_IPAddressEdit, kAddressLength},
        {"Label24", "Subnet Mask", "SubMaskEdit", &m_SubnetMaskLabel, &m_SubMaskEdit, kAddressLength},
        {"Label25", "Gateway", "GatewayEdit", &m_GatewayLabel, &m_GatewayEdit, kAddressLength},
        {"Label26", "Primary DNS", "PrimaryDnsEdit", &m_PrimaryDnsLabel, &m_PrimaryDnsEdit, kAddressLength},
        {"Label27", "Secondary DNS", "SecondDnsEdit", &m_SecondaryDnsLabel, &m_SecondDnsEdit, 0},
    };
    int y = 84;
    for (const Row& r : rows) {
        *r.labelOut = place(Ui::plainLabel(QString::fromLatin1(r.labelText), g), r.label, 40, y, 120, 23);
        *r.editOut = place(new QLineEdit(g), r.edit, 170, y, 150, 23);
        if (r.maxLength > 0)
            (*r.editOut)->setMaxLength(r.maxLength);
        y += 28;
    }
    m_IPinforBtn = place(new QPushButton(QStringLiteral("Set"), g), "IPinforBtn", 452, y - 29, 81, 25);
    connect(m_IPinforBtn, &QPushButton::clicked, this, &IpConfigTab::IPinforBtnClick);
    m_StaticIPRB->setChecked(true);
    TabWidgets::useConsoleText(this);
    keepCaptionKeys();
}

void IpConfigTab::IpConfigTabShow() {
    for (int read = 0; read < kIpConfigReads; ++read) {
        const IpConfigView v = readIpConfigPage(console().FetchPage());
        (v.automatic ? m_AutoIPRB : m_StaticIPRB)->setChecked(true);
        enableEdits(!v.automatic);
        m_IPAddressEdit->setText(v.address.ip);
        m_SubMaskEdit->setText(v.address.mask);
        m_GatewayEdit->setText(v.address.gateway);
        m_PrimaryDnsEdit->setText(v.address.primaryDns);
        m_SecondDnsEdit->setText(v.address.secondaryDns);
        // Past the last read the fields stay as the page gave them, empty address included.
        if (!m_IPAddressEdit->text().isEmpty())
            break;
    }
}

void IpConfigTab::AutoIPRBClick() {
    enableEdits(false);
}

void IpConfigTab::StaticIPRBClick() {
    enableEdits(true);
}

void IpConfigTab::enableEdits(bool enabled) {
    for (QLineEdit* e : {m_IPAddressEdit, m_SubMaskEdit, m_GatewayEdit, m_PrimaryDnsEdit, m_SecondDnsEdit})
        e->setEnabled(enabled);
}

void IpConfigTab::IPinforBtnClick() {
    const CgiChange change =
        m_AutoIPRB->isChecked()
            ? automaticAddressChange(console().unit())
            : staticAddressChange(console().unit(),
                                  {m_IPAddressEdit->text(), m_SubMaskEdit->text(), m_GatewayEdit->text(),
                                   m_PrimaryDnsEdit->text(), m_SecondDnsEdit->text()});
    m_IPinforBtn->setEnabled(false);
    console().SendRepeated(change);
    m_IPinforBtn->setEnabled(true);
    console().updateCaption();
}

bool IpConfigTab::automaticChecked() const {
    return m_AutoIPRB->isChecked();
}

QString IpConfigTab::ipAddressText() const {
    return m_IPAddressEdit->text();
}

} // namespace Console
