#include "ui/app_style.h"

#include "base/localize.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QPointer>
#include <QProxyStyle>
#include <QTranslator>

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

void installQtTranslations(QApplication& app) {
    // Called again, it replaces what it installed before.
    static QPointer<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& name : Base::languageInUse()) {
        const QString file = folder + QStringLiteral("/qtbase_") + name + QStringLiteral(".qm");
        if (!QFile::exists(file))
            continue;
        auto* translator = new QTranslator(&app);
        if (translator->load(file)) {
            QCoreApplication::installTranslator(translator);
            installed = translator;
            return;
        }
        delete translator;
    }
}

} // namespace Ui
