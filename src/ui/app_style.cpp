#include "ui/app_style.h"

#include <QApplication>
#include <QProxyStyle>

namespace Ui {

namespace {

class UtilityStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void installAppStyle(QApplication& app) {
    app.setStyle(new UtilityStyle);
}

} // namespace Ui
