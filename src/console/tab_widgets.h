#pragma once

#include "ui/form_base.h"

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QWidget>

// Small helpers shared by the console pages this library lays out by hand.
namespace Console::TabWidgets {

inline const QColor kMaroon{0x80, 0x00, 0x00};

template <class W> W* place(W* widget, const char* name, int x, int y, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, width, height);
    return widget;
}

// The console's 13-pixel navy text; disabled controls keep the style's grey.
// Every control gets its own colours: the window's style sheet would reset
// colours a control inherits. Call it once the page's controls exist.
inline void useConsoleText(QWidget* page) {
    QFont font = page->font();
    font.setPixelSize(13);
    page->setFont(font);
    for (QWidget* widget : QList<QWidget*>{page} + page->findChildren<QWidget*>()) {
        QPalette pal = widget->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive})
            for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                pal.setColor(group, role, Ui::kNavy);
        widget->setPalette(pal);
    }
}

// Values read from the unit stand out from the captions.
inline QLabel* useMaroon(QLabel* label) {
    QPalette pal = label->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        pal.setColor(group, QPalette::WindowText, kMaroon);
    label->setPalette(pal);
    return label;
}

// A text to be read while the whole console is disabled (the wait after a
// reboot): it keeps its colour then.
inline void keepColourWhenDisabled(QWidget* widget) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Disabled, QPalette::WindowText, pal.color(QPalette::Active, QPalette::WindowText));
    widget->setPalette(pal);
}

} // namespace Console::TabWidgets
