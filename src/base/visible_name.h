#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace Base {

// Length and code point of the UTF-8 sequence at `at`; 0 when it is not a valid one.
int decodeUtf8At(QByteArrayView text, qsizetype at, char32_t& c);

// A unit's folder and account names are bytes in its own code page. Shown to a
// person, two different names must never look alike, and what is shown must
// name the item again when typed back (see nameFromVisible):
// - Terminal: bytes that are not UTF-8 as \xHH; control characters as \xHH
//   (C1 and the bidirectional controls as \uHHHH); a backslash as \\.
// - Json: only the bytes that are not UTF-8 and the backslash, since JSON
//   escapes control characters itself.
enum class NameEscape { Terminal, Json };
QByteArray visibleName(QByteArrayView name, NameEscape escape = NameEscape::Terminal);
// The same as text for a window's list.
QString visibleNameText(QByteArrayView name);

// The bytes a name typed back stands for: \\, \xHH and \uHHHH undone, every
// other byte as it is.
QByteArray nameFromVisible(QByteArrayView typed);

} // namespace Base
