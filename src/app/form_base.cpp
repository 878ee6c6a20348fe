#include "app/form_base.h"

#include <QCloseEvent>
#include <QPalette>

namespace App {

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

void FormBase::closeEvent(QCloseEvent* event) {
    event->accept();
    Q_EMIT closed();
}

} // namespace App
