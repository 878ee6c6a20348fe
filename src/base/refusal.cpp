#include "base/refusal.h"

#include "base/localize.h"

namespace Base {

QString refusalText(const Refusal& refusal) {
    // An empty key is no text to look up: every line of a language file would contain it.
    QString text = refusal.messageKey.isEmpty() ? QString() : LocalizeText(refusal.messageKey);
    for (const MessagePart& part : refusal.moreParts)
        text += part.translate ? LocalizeText(part.text) : part.text;
    return text;
}

} // namespace Base
