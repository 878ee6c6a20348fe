#pragma once

#include <QByteArray>
#include <QString>

namespace App {

// The translation of a display text from the file "language" in the current
// directory, or the text itself. The file is read again on every call.
QString LocalizeText(const QString& text);

// The same lookup over file contents already in memory.
QString LocalizeFromBytes(const QByteArray& file, const QString& text);

} // namespace App
