#pragma once

#include <QList>
#include <QString>

namespace Base {

enum class Icon { Error, Information, Question, Warning };

// A piece of a box text joined from several: translated by itself, or shown
// as it stands (a character or a name the user typed).
struct MessagePart {
    QString text;
    bool translate = true;
};

// What a validator answers instead of a request: the keys of the box a window
// shows, or of the words the CLI prints. Keys are English texts, translated by
// whoever shows them.
struct Refusal {
    QString messageKey;
    QString captionKey;
    Icon icon = Icon::Information;
    // Pieces that follow the message, in order.
    QList<MessagePart> moreParts = {};
};

// The box text: the message and each further piece, each translated by itself.
QString refusalText(const Refusal& refusal);

} // namespace Base
