#pragma once

#include "console/console_page.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace Console {

// The IP Config page (TabSheet2): automatic or static addressing and the static settings.
class IpConfigTab final : public ConsolePage {
    Q_OBJECT
public:
    explicit IpConfigTab(ConsoleContext& console);

    void showPage() override { IpConfigTabShow(); }

    void IpConfigTabShow();
    void AutoIPRBClick();
    void StaticIPRBClick();
    void IPinforBtnClick();

    bool automaticChecked() const;
    QString ipAddressText() const;

private:
    void enableEdits(bool enabled);

    QGroupBox* m_IPinforGB = nullptr;
    QLabel* m_IPOption = nullptr;
    QRadioButton* m_AutoIPRB = nullptr;
    QRadioButton* m_StaticIPRB = nullptr;
    QLabel* m_IPAddressLabel = nullptr;
    QLineEdit* m_IPAddressEdit = nullptr;
    QLabel* m_SubnetMaskLabel = nullptr;
    QLineEdit* m_SubMaskEdit = nullptr;
    QLabel* m_GatewayLabel = nullptr;
    QLineEdit* m_GatewayEdit = nullptr;
    QLabel* m_PrimaryDnsLabel = nullptr;
    QLineEdit* m_PrimaryDnsEdit = nullptr;
    QLabel* m_SecondaryDnsLabel = nullptr;
    QLineEdit* m_SecondDnsEdit = nullptr;
    QPushButton* m_IPinforBtn = nullptr;
};

} // namespace Console
