#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace Ui {

// Every label of the program is made here. Its text comes from a unit or the
// language file, and a label left to guess the format would take markup in it
// for rich text: render it, and load the files an image in it names.
QLabel* plainLabel(const QString& text, QWidget* parent);

} // namespace Ui
