#pragma once

class QApplication;

namespace Ui {

// The program's look: password fields show "*" for each character, as users of
// the unit's own tools know them. A style rather than a style sheet, which
// would override the colours the windows give their controls. Every window
// shows the program's icon.
void installAppStyle(QApplication& app);

} // namespace Ui
