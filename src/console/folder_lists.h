#pragma once

#include "console/smb_rules.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace Console {

class ConsoleContext;

// The folder lists of the SMB and Modify FTP pages: items show a name as text
// and keep the unit's bytes, which are what goes back to it.
namespace FolderLists {

void fill(QListWidget* list, const QList<Web::OptionName>& names);
void dropSelection(QListWidget* list);
const QListWidgetItem* selected(const QListWidget* list);
QByteArray bytesOf(const QListWidgetItem* item);
QString textOf(const QListWidgetItem* item);

// A dialog's name rule applied to its field: the trimmed name written back and
// returned, or the refusal shown (the field emptied where the rule says so).
std::optional<QString> applyNameRule(ConsoleContext& console, QLineEdit* field, const NameRuleResult& rule);

} // namespace FolderLists
} // namespace Console
