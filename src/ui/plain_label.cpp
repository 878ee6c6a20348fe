#include "ui/plain_label.h"

#include <QLabel>

namespace Ui {

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    // Before the text: a text set while the format is still guessed is already laid out as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

} // namespace Ui
