#include "console/folder_lists.h"

#include "base/visible_name.h"
#include "console/console_context.h"

#include <QLineEdit>
#include <QListWidget>

namespace Console::FolderLists {

void fill(QListWidget* list, const QList<Web::OptionName>& names) {
    list->clear();
    for (const Web::OptionName& name : names) {
        auto* item = new QListWidgetItem(Base::visibleNameText(name.bytes), list);
        item->setData(Qt::UserRole, name.bytes);
    }
}

void dropSelection(QListWidget* list) {
    list->clearSelection();
    list->setCurrentItem(nullptr);
}

const QListWidgetItem* selected(const QListWidget* list) {
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? nullptr : items.first();
}

QByteArray bytesOf(const QListWidgetItem* item) {
    return item ? item->data(Qt::UserRole).toByteArray() : QByteArray();
}

QString textOf(const QListWidgetItem* item) {
    return item ? item->text() : QString();
}

std::optional<QString> applyNameRule(ConsoleContext& console, QLineEdit* field, const NameRuleResult& rule) {
    field->setText(rule.name);
    if (!rule.refusal)
        return rule.name;
    console.showMessage(*rule.refusal);
    if (rule.emptyField)
        field->clear();
    return std::nullopt;
}

} // namespace Console::FolderLists
