#include "ui/app_style.h"

#include <QApplication>
#include <QIcon>
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
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/zuredor/icons/%1x%1/apps/zuredor.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

} // namespace Ui
