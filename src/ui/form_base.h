#pragma once

#include <QColor>
#include <QWidget>

namespace Ui {

inline const QColor kSkyBlue{0xA6, 0xCA, 0xF0};
inline const QColor kNavy{0x00, 0x00, 0x80};

// A top-level window of the fixed window set: created once, only shown and
// hidden afterwards. Closing it by the user is reported, never destroys it.
class FormBase : public QWidget {
    Q_OBJECT
public:
    explicit FormBase(QWidget* parent = nullptr);

    // Visible and brought to the front.
    void showAndRaise();

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool m_placed = false;
};

} // namespace Ui
