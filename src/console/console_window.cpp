#include "console/console_window.h"

#include "app/current_device.h"
#include "app/localize.h"

namespace Console {

TForm2::TForm2(QWidget* parent) : App::FormBase(parent) {
    setObjectName(QStringLiteral("TForm2"));
    setFixedSize(595, 586);
}

void TForm2::showOnFirstPage() {
    showAndRaise();
}

void TForm2::clearAdministratorFields() {
    // The Status page and its password fields arrive with the console's pages.
}

void TForm2::showEvent(QShowEvent* event) {
    setWindowTitle(App::LocalizeText(QStringLiteral("Management")) + QLatin1Char(' ') + App::CurrentDevice().ip);
    App::FormBase::showEvent(event);
}

} // namespace Console
