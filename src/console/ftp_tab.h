#pragma once

#include "console/console_page.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace Console {

// The FTP Server page (TabSheet5): server state and port, anonymous access, and the account list.
class FtpTab final : public ConsolePage {
    Q_OBJECT
public:
    explicit FtpTab(ConsoleContext& console);

    void showPage() override { FtpTabShow(); }
    void dialogsReady() override;

    void FtpTabShow();
    void FtpAccountButtonsOff();
    void FTPStatusBtnClick();
    void AnonyBtnClick();
    void AccountLVClick();
    void AccAddBtnClick();
    void AccModifyBtnClick();
    void AccStatusBtnClick();
    void AccDelBtnClick();
    // The Set button of the create-account dialog.
    void FTPAddAccBtnClick();

    // Account list columns; the last one is hidden and holds the value the unit knows the account by.
    enum AccountColumn { UserNameColumn, PasswordColumn, AccessColumn, StateColumn, ValueColumn, AccountColumns };

    QComboBox* ftpStatusCB() const { return m_FTPStatusCB; }
    QLineEdit* ftpPortEdit() const { return m_FTPPortEdit; }
    QPushButton* ftpStatusBtn() const { return m_FTPStatusBtn; }
    QRadioButton* anonyEnRB() const { return m_AnonyEnRB; }
    QRadioButton* anonyDisRB() const { return m_AnonyDisRB; }
    QRadioButton* anonyReadORB() const { return m_AnonyReadORB; }
    QRadioButton* anonyWriteRB() const { return m_AnonyWriteRB; }
    QComboBox* anonyHDCB() const { return m_AnonyHDCB; }
    QPushButton* anonyBtn() const { return m_AnonyBtn; }
    QTableWidget* accountLV() const { return m_AccountLV; }
    QPushButton* accAddBtn() const { return m_AccAddBtn; }
    QPushButton* accModifyBtn() const { return m_AccModifyBtn; }
    QPushButton* accStatusBtn() const { return m_AccStatusBtn; }
    QPushButton* accDelBtn() const { return m_AccDelBtn; }

Q_SIGNALS:
    // Modify asked the unit to select this user's account.
    void accountPicked(const QByteArray& user);

private:
    void translateOtherCaptions() override;
    void accountDialogDone();
    // The selected account row, or -1.
    int selectedRow() const;
    QByteArray rowValue(int row) const;

    QGroupBox* m_FTPConfGB = nullptr;
    QLabel* m_FtpStatusLabel = nullptr;
    QComboBox* m_FTPStatusCB = nullptr;
    QLabel* m_PortLabel = nullptr;
    QLineEdit* m_FTPPortEdit = nullptr;
    QLabel* m_PortRangeLabel = nullptr;
    QPushButton* m_FTPStatusBtn = nullptr;
    QLabel* m_AnonymousLabel = nullptr;
    QWidget* m_FTPAnonyStatusPL = nullptr;
    QRadioButton* m_AnonyEnRB = nullptr;
    QRadioButton* m_AnonyDisRB = nullptr;
    QWidget* m_FTPAnonyReWrPL = nullptr;
    QRadioButton* m_AnonyReadORB = nullptr;
    QRadioButton* m_AnonyWriteRB = nullptr;
    QLabel* m_HomeDirectoryLabel = nullptr;
    QComboBox* m_AnonyHDCB = nullptr;
    QPushButton* m_AnonyBtn = nullptr;
    QGroupBox* m_FTPCreatAccGB = nullptr;
    QTableWidget* m_AccountLV = nullptr;
    QPushButton* m_AccAddBtn = nullptr;
    QPushButton* m_AccModifyBtn = nullptr;
    QPushButton* m_AccStatusBtn = nullptr;
    QPushButton* m_AccDelBtn = nullptr;
};

} // namespace Console
