#include "console/console_page.h"

#include "base/localize.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include <algorithm>

namespace Console {

namespace {

constexpr char kCaptionKey[] = "zuredorCaptionKey";
constexpr char kItemKeys[] = "zuredorItemKeys";
constexpr char kUntranslated[] = "zuredorUntranslated";

QString textOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title();
    return {};
}

void setTextOf(QWidget* widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(text);
}

} // namespace

ConsolePage::ConsolePage(ConsoleContext& console, const char* objectName, const char* captionKey)
    : m_console(console), m_captionKey(captionKey) {
    setObjectName(QString::fromLatin1(objectName));
}

void ConsolePage::keepCaptionKeys() {
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (widget->property(kUntranslated).toBool())
            continue;
        const QString key = textOf(widget);
        if (!key.isEmpty())
            widget->setProperty(kCaptionKey, key);
        if (const auto* box = qobject_cast<const QComboBox*>(widget)) {
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            if (!items.isEmpty())
                widget->setProperty(kItemKeys, items);
        }
    }
}

void ConsolePage::translateCaptions() {
    for (QWidget* widget : findChildren<QWidget*>()) {
        const QVariant key = widget->property(kCaptionKey);
        if (key.isValid())
            setTextOf(widget, Base::LocalizeText(key.toString()));
        const QStringList items = widget->property(kItemKeys).toStringList();
        if (auto* box = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < std::min<qsizetype>(items.size(), box->count()); ++i)
                box->setItemText(i, Base::LocalizeText(items[i]));
        }
    }
    translateOtherCaptions();
}

void TabWidgets::keepUntranslated(QWidget* widget) {
    widget->setProperty(kUntranslated, true);
}

} // namespace Console
