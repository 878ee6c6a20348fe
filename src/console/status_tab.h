#pragma once

#include "console/console_page.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace Console {

// The Status page (TabSheet1): identity, administrator password, date and
// time, DHCP server, disk facts and language, each group with its Set button.
class StatusTab final : public ConsolePage {
    Q_OBJECT
public:
    explicit StatusTab(ConsoleContext& console);

    void showPage() override { StatusTabShow(); }

    void StatusTabShow();
    void TimeSSelRBClick();
    void TimeSMakeRBClick();
    void identBtnClick();
    void adminBtnClick();
    void DatatimeBtnClick();
    void NetinfoBtnClick();
    void LangBtnClick();

    QString administratorPassword() const;
    void clearAdministratorFields();

private:
    void buildIdentification();
    void buildAdministration();
    void buildDateAndTime();
    void buildNetwork();
    void buildDisk();

    QGroupBox* m_IdenGB = nullptr;
    QLabel* m_HostNameLabel = nullptr;
    QLineEdit* m_HostEdit = nullptr;
    QLabel* m_GroupNameLabel = nullptr;
    QLineEdit* m_GroupEdit = nullptr;
    QPushButton* m_identBtn = nullptr;

    QGroupBox* m_AdminGB = nullptr;
    QLabel* m_AdministratorLabel = nullptr;
    QLineEdit* m_AdminEdit = nullptr;
    QLabel* m_PasswordLabel = nullptr;
    QLineEdit* m_PassEdit = nullptr;
    QLabel* m_VerifyPasswordLabel = nullptr;
    QLineEdit* m_VerifyEdit = nullptr;
    QPushButton* m_adminBtn = nullptr;

    QGroupBox* m_DatatimeGB = nullptr;
    QLabel* m_CurrentTimeLabel = nullptr;
    QLabel* m_CurrenttimeLB = nullptr;
    QLabel* m_DateTimeLabel = nullptr;
    QLineEdit* m_YearEdit = nullptr;
    QLineEdit* m_MonthEdit = nullptr;
    QLineEdit* m_DataEdit = nullptr;
    QLineEdit* m_HourEdit = nullptr;
    QLineEdit* m_MinuteEdit = nullptr;
    QLineEdit* m_SecondEdit = nullptr;
    QLabel* m_DateTimeFormatLabel = nullptr;
    QLabel* m_SntpLabel = nullptr;
    QRadioButton* m_SntpAutoRB = nullptr;
    QRadioButton* m_SntpDisRB = nullptr;
    QButtonGroup* m_sntpGroup = nullptr;
    QLabel* m_TimeServerLabel = nullptr;
    QRadioButton* m_TimeSSelRB = nullptr;
    QRadioButton* m_TimeSMakeRB = nullptr;
    QButtonGroup* m_serverGroup = nullptr;
    QComboBox* m_TimeSSelCB = nullptr;
    QLineEdit* m_MantimeSEdit = nullptr;
    QLabel* m_TimeZoneLabel = nullptr;
    QComboBox* m_TimezoneCB = nullptr;
    QPushButton* m_DatatimeBtn = nullptr;

    QGroupBox* m_NetinfoGB = nullptr;
    QLabel* m_IPAddressLabel = nullptr;
    QLabel* m_IPAddressLB = nullptr;
    QLabel* m_DhcpServerLabel = nullptr;
    QRadioButton* m_DhcpsERB = nullptr;
    QRadioButton* m_DhcpsDRB = nullptr;
    QPushButton* m_NetinfoBtn = nullptr;

    QGroupBox* m_DiskinfoGB = nullptr;
    QLabel* m_DiskIdLabel = nullptr;
    QLabel* m_DiskidLB = nullptr;
    QLabel* m_FirmwareVersionLabel = nullptr;
    QLabel* m_FirmverLB = nullptr;
    QLabel* m_FreeSizeLabel = nullptr;
    QLabel* m_FreesizeLB = nullptr;
    QLabel* m_TotalSizeLabel = nullptr;
    QLabel* m_TotalsizeLB = nullptr;
    QLabel* m_LanguageLabel = nullptr;
    QComboBox* m_LangCB = nullptr;
    QPushButton* m_LangBtn = nullptr;
};

} // namespace Console
