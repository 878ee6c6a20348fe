#include "console/console_dialogs.h"

#include "app/localize.h"

namespace Console {

NameDialog::NameDialog(const char* objectName, const char* titleKey, QWidget* parent) : App::FormBase(parent) {
    setObjectName(QString::fromLatin1(objectName));
    setFixedSize(265, 150);
    setWindowTitle(App::LocalizeText(QString::fromLatin1(titleKey)));
}

} // namespace Console
