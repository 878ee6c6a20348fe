#pragma once

#include <QString>

namespace App {

enum class Icon { Error, Information, Question, Warning };

// What a validator answers instead of a request: the keys of the box a window
// shows, or of the words the CLI prints. Keys are English texts, translated by
// whoever shows them.
struct Refusal {
    QString messageKey;
    QString captionKey;
    Icon icon = Icon::Information;
};

} // namespace App
