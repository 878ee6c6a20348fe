#include "base/visible_name.h"

namespace Base {

namespace {

bool isBidiControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void appendHex(QByteArray& out, const char* prefix, unsigned value, int digits) {
    out += prefix;
    out += QByteArray::number(value, 16).rightJustified(digits, '0');
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The value of `digits` hex digits at `at`, or -1.
long hexAt(QByteArrayView text, qsizetype at, int digits) {
    if (at + digits > text.size())
        return -1;
    long value = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = hexDigit(text[at + i]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

int decodeUtf8At(QByteArrayView in, qsizetype at, char32_t& c) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(in[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (at + length > in.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

QByteArray visibleName(QByteArrayView name, NameEscape escape) {
    QByteArray out;
    out.reserve(name.size());
    for (qsizetype at = 0; at < name.size();) {
        char32_t c = 0;
        const int length = decodeUtf8At(name, at, c);
        if (length == 0) {
            appendHex(out, "\\x", static_cast<unsigned char>(name[at]), 2);
            ++at;
            continue;
        }
        const bool terminal = escape == NameEscape::Terminal;
        if (c == '\\')
            out += "\\\\";
        else if (terminal && (c < 0x20 || c == 0x7F))
            appendHex(out, "\\x", static_cast<unsigned>(c), 2);
        // \xHH above 7F stands for a byte that is not UTF-8, so the C1 controls take the long form.
        else if (terminal && ((c >= 0x80 && c <= 0x9F) || isBidiControl(c)))
            appendHex(out, "\\u", static_cast<unsigned>(c), 4);
        else
            out.append(name.sliced(at, length));
        at += length;
    }
    return out;
}

QString visibleNameText(QByteArrayView name) {
    return QString::fromUtf8(visibleName(name));
}

QByteArray nameFromVisible(QByteArrayView typed) {
    QByteArray out;
    out.reserve(typed.size());
    for (qsizetype at = 0; at < typed.size(); ++at) {
        const char c = typed[at];
        if (c != '\\' || at + 1 >= typed.size()) {
            out += c;
            continue;
        }
        const char kind = typed[at + 1];
        if (kind == '\\') {
            out += '\\';
            ++at;
        } else if (const long byte = kind == 'x' ? hexAt(typed, at + 2, 2) : -1; byte >= 0) {
            out += static_cast<char>(byte);
            at += 3;
        } else if (const long point = kind == 'u' ? hexAt(typed, at + 2, 4) : -1;
                   point >= 0 && !(point >= 0xD800 && point <= 0xDFFF)) {
            out += QString(QChar(static_cast<char16_t>(point))).toUtf8();
            at += 5;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace Base
