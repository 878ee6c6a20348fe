#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace Console {

class TForm2;

// The IP Config page (TabSheet2): automatic or static addressing and the static settings.
class IpConfigTab final : public QWidget {
    Q_OBJECT
public:
    explicit IpConfigTab(TForm2& console);

    // The page's captions in the language of the language file; set is the translation of "Set".
    void translateCaptions(const QString& set);

    void TabSheet2Show();
    void AutoIPRBClick();
    void StaticIPRBClick();
    void IPinforBtnClick();

    bool automaticChecked() const;
    QString ipAddressText() const;

private:
    void enableEdits(bool enabled);

    TForm2& m_console;
    QGroupBox* m_IPinforGB = nullptr;
    QLabel* m_IPOption = nullptr;
    QRadioButton* m_AutoIPRB = nullptr;
    QRadioButton* m_StaticIPRB = nullptr;
    QLabel* m_Label23 = nullptr;
    QLineEdit* m_IPAddressEdit = nullptr;
    QLabel* m_Label24 = nullptr;
    QLineEdit* m_SubMaskEdit = nullptr;
    QLabel* m_Label25 = nullptr;
    QLineEdit* m_GatewayEdit = nullptr;
    QLabel* m_Label26 = nullptr;
    QLineEdit* m_PrimaryDnsEdit = nullptr;
    QLabel* m_Label27 = nullptr;
    QLineEdit* m_SecondDnsEdit = nullptr;
    QPushButton* m_IPinforBtn = nullptr;
};

} // namespace Console
