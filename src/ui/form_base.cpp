#include "ui/form_base.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

namespace Ui {

FormBase::FormBase(QWidget* parent) : QWidget(parent, Qt::Window) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kSkyBlue);
    setPalette(pal);
    setAutoFillBackground(true);
}

void FormBase::showAndRaise() {
    show();
    raise();
    activateWindow();
}

void FormBase::showEvent(QShowEvent* event) {
    // Centred on the desktop the first time; where the user moved it afterwards.
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QWidget::showEvent(event);
}

void FormBase::closeEvent(QCloseEvent* event) {
    event->accept();
    Q_EMIT closed();
}

} // namespace Ui
