#pragma once

class QApplication;

namespace Ui {

// The program's look: password fields show "*" for each character, as users of
// the unit's own tools know them. A style rather than a style sheet, which
// would override the colours the windows give their controls. Every window
// shows the program's icon.
void installAppStyle(QApplication& app);

// Qt's own words (message-box buttons, the file dialog) in the language of the
// program's texts, from Qt's translations where the system keeps them. The
// language file decides, so that a session is never half in one language.
// Called again (after the language file was read anew), it replaces them.
void installQtTranslations(QApplication& app);

} // namespace Ui
