#include "console/field_limits.h"

namespace Console {

std::optional<Base::Refusal> tooLong(const QString& value, int maxLength, const char* fieldKey,
                                     const char* captionKey) {
    if (value.size() <= maxLength)
        return std::nullopt;
    return Base::Refusal{QStringLiteral("Value is too long"),
                         QString::fromLatin1(captionKey),
                         Base::Icon::Information,
                         {{QStringLiteral(": "), false},
                          {QString::fromLatin1(fieldKey), true},
                          {QStringLiteral(" (%1)").arg(maxLength), false}}};
}

} // namespace Console
