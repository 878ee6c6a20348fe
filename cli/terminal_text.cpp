#include "terminal_text.h"

#include "base/visible_name.h"

namespace Cli {

namespace {

bool isBidiControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool needsEscape(char32_t c) {
    return (c < 0x20 && c != '\t') || (c >= 0x7F && c <= 0x9F) || isBidiControl(c);
}

void appendHex(QByteArray& out, const char* prefix, unsigned value, int digits) {
    out += prefix;
    out += QByteArray::number(value, 16).rightJustified(digits, '0');
}

bool isUtf8(QByteArrayView bytes) {
    char32_t c = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        const int length = Base::decodeUtf8At(bytes, at, c);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

// Text in a single-byte code page: each byte is a character, 0x80..0x9F the C1 controls.
QByteArray singleByteSafe(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (needsEscape(c))
            appendHex(out, "\\x", c, 2);
        else
            out += byte;
    }
    return out;
}

} // namespace

QByteArray terminalSafe(QByteArrayView utf8) {
    // Names that are not UTF-8 come from a unit's single-byte code page and go out as received.
    if (!isUtf8(utf8))
        return singleByteSafe(utf8);
    QByteArray out;
    out.reserve(utf8.size());
    qsizetype at = 0;
    while (at < utf8.size()) {
        char32_t c = 0;
        const int length = Base::decodeUtf8At(utf8, at, c);
        if (!needsEscape(c))
            out.append(utf8.sliced(at, length));
        else if (c <= 0xFF)
            appendHex(out, "\\x", static_cast<unsigned>(c), 2);
        else
            appendHex(out, "\\u", static_cast<unsigned>(c), 4);
        at += length;
    }
    return out;
}

} // namespace Cli
