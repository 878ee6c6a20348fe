#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace Cli {

// Text from a unit, made harmless for a terminal: control characters (C0 but
// TAB, DEL, C1) and the bidirectional controls are written as \xHH or \uHHHH,
// so a unit cannot move the cursor, clear the screen, set the title, reorder a
// line or start a new one. Everything else stays as it is; text that is not
// UTF-8 is taken as a single-byte code page, one character per byte.
QByteArray terminalSafe(QByteArrayView text);

} // namespace Cli
