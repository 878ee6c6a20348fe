#include "web/page_values.h"

#include "web/http_request.h"

#include "base/list_bounds.h"

#include <algorithm>

namespace Web {

namespace {

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void appendHex(QString& out, char byte, const char* digits) {
    const auto value = static_cast<unsigned char>(byte);
    out += QLatin1Char('%');
    out += QLatin1Char(digits[value >> 4]);
    out += QLatin1Char(digits[value & 0x0f]);
}

} // namespace

QByteArray PageValue(QByteArrayView page, QByteArrayView key) {
    const qsizetype at = page.indexOf(key);
    if (at < 0)
        return {};
    const qsizetype end = page.indexOf(QByteArrayView("\";\r\n"), at);
    const qsizetype start = at + key.size();
    if (end < start)
        return {};
    return page.sliced(start, end - start).toByteArray();
}

QString PageText(QByteArrayView page, const char* name) {
    return QString::fromUtf8(PageValue(page, QByteArray(name) + "=\""));
}

QList<OptionName> SplitOptionNames(QByteArrayView options, bool* cut) {
    static constexpr QByteArrayView kOpen("value=\"");
    static constexpr QByteArrayView kClose("\">");
    QList<OptionName> names;
    if (cut != nullptr)
        *cut = false;
    // Grown once: a list of thousands would otherwise be copied again and again.
    names.reserve(std::min<qsizetype>(options.count(kOpen), Base::kMaxListEntries));
    qsizetype text = 0;
    qsizetype from = 0;
    // Kept while it lies ahead: with many `">` before one opening, searching for it
    // again at every step would take time growing with the square of the page.
    qsizetype open = -1;
    for (;;) {
        if (open < from)
            open = options.indexOf(kOpen, from);
        if (open < 0)
            break;
        // The name ends at the list's first `">`, which may stand before the opening.
        const qsizetype close = options.indexOf(kClose, from);
        if (close < 0)
            break;
        const qsizetype start = open + kOpen.size();
        const QByteArrayView name = close >= start ? options.sliced(start, close - start) : QByteArrayView();
        // A unit's page decides the names, not how many the program keeps.
        text += name.size();
        if (names.size() == Base::kMaxListEntries || text > Base::kMaxListText) {
            if (cut != nullptr)
                *cut = true;
            break;
        }
        names.append({name.toByteArray()});
        from = close + kClose.size();
    }
    return names;
}

QStringList FolderNamesFromAllowShare(QByteArrayView allowShare) {
    QStringList names;
    for (const OptionName& name : SplitOptionNames(allowShare))
        names.append(name.text());
    return names;
}

QString UrlEncodeValue(QByteArrayView value) {
    QString out;
    out.reserve(value.size() * 3);
    for (const char c : value) {
        if (c == ' ')
            out += QLatin1Char('+');
        else if (isAsciiLetterOrDigit(c))
            out += QLatin1Char(c);
        else
            appendHex(out, c, "0123456789abcdef");
    }
    return out;
}

QString UrlEncodeValue(const QString& value) {
    return UrlEncodeValue(QByteArrayView(value.toUtf8()));
}

QString EscapeQueryValue(QByteArrayView value) {
    QString out;
    out.reserve(value.size() * 3);
    for (const char c : value) {
        if (isAsciiLetterOrDigit(c) || c == '.' || c == '-' || c == '_' || c == ':' || c == '~')
            out += QLatin1Char(c);
        else
            appendHex(out, c, "0123456789ABCDEF");
    }
    return out;
}

QString EscapeQueryValue(const QString& value) {
    return EscapeQueryValue(QByteArrayView(value.toUtf8()));
}

QString CgiRequest(const QString& ip, quint16 port, const QString& cgi, const QString& page, const QString& action,
                   const QString& parameters) {
    const QString name = cgi.startsWith(QLatin1Char('/')) ? cgi.mid(1) : cgi;
    return urlOrigin(ip, port) + QLatin1Char('/') + name + QLatin1String("?redirect=") + page +
           QLatin1String("&failure=fail.htm&type=") + action + parameters;
}

CgiParameters& CgiParameters::add(const char* name, const QString& value, Encoding encoding) {
    return addBytes(name, value.toUtf8(), encoding);
}

CgiParameters& CgiParameters::addBytes(const char* name, QByteArrayView value, Encoding encoding) {
    m_text += QLatin1Char('&') + QLatin1String(name) + QLatin1Char('=');
    switch (encoding) {
    case Encoding::UrlEncoded:
        m_text += UrlEncodeValue(value);
        break;
    case Encoding::AsTyped:
        m_text += EscapeQueryValue(value);
        break;
    case Encoding::Fixed:
        m_text += QString::fromUtf8(value);
        break;
    }
    return *this;
}

QString CgiRequest(const QString& ip, quint16 port, const QString& cgi, const QString& page, const QString& action,
                   const CgiParameters& parameters) {
    return CgiRequest(ip, port, cgi, page, action, parameters.text());
}

} // namespace Web
