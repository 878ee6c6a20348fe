#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace Web {

// The value of a page variable: the bytes after the first occurrence of `key`
// (which includes the opening quote, e.g. `host_name="`) up to the first
// `";` CR LF from there on. Empty when either is missing. Raw bytes, as the
// unit sent them. See docs/protocol.md, "Page variables".
QByteArray PageValue(QByteArrayView page, QByteArrayView key);

// The value of the variable `name` (without `="`), as text.
QString PageText(QByteArrayView page, const char* name);

// A name cut from an option list: the exact bytes the unit sent, which go back
// to it, and the text shown for them.
struct OptionName {
    QByteArray bytes;
    QString text() const { return QString::fromUtf8(bytes); }
};

// The names of an option list (`share_list`, `allow_share`...), in page order:
// each runs from `value="` to the first `">` of the rest, the rest then
// starting after that `">`. Bounded in count and text like every list cut from
// a page value. See docs/protocol.md, "Page variables". `cut`, when given,
// says whether names were left off at the bound.
QList<OptionName> SplitOptionNames(QByteArrayView options, bool* cut = nullptr);

// The folder names of an `allow_share` value, as SplitOptionNames cuts them.
QStringList FolderNamesFromAllowShare(QByteArrayView allowShare);

// Names and passwords in a CGI request: blank as "+", ASCII letters and digits
// kept, every other byte as "%" and two lower-case hex digits.
QString UrlEncodeValue(QByteArrayView value);
QString UrlEncodeValue(const QString& value); // UTF-8 bytes of the text

// Any other value put into a request: every byte outside ASCII letters, digits
// and ".-_:~" as "%" and two upper-case hex digits, so a value cannot add, cut
// or break parameters or the request line while ordinary values stay as they are.
QString EscapeQueryValue(QByteArrayView value);
QString EscapeQueryValue(const QString& value); // UTF-8 bytes of the text

// The parameters of a CGI request, each with the encoding it gets.
class CgiParameters {
public:
    enum class Encoding {
        UrlEncoded, // names and passwords: UrlEncodeValue
        AsTyped,    // other typed or received values: EscapeQueryValue
        Fixed,      // the program's own words and numbers, inserted as they are
    };

    CgiParameters& add(const char* name, const QString& value, Encoding encoding);
    // A value that goes back as the exact bytes the unit sent.
    CgiParameters& addBytes(const char* name, QByteArrayView value, Encoding encoding);
    // "&name=value" for each, in the order added.
    QString text() const { return m_text; }

private:
    QString m_text;
};

// "http://" + ip [":" + port unless 80] + "/" + cgi + "?redirect=" + page +
// "&failure=fail.htm&type=" + action + parameters. Parameters come already
// formed ("&name=" + escaped value ...). See docs/protocol.md, "CGI requests".
QString CgiRequest(const QString& ip, quint16 port, const QString& cgi, const QString& page, const QString& action,
                   const QString& parameters = QString());
QString CgiRequest(const QString& ip, quint16 port, const QString& cgi, const QString& page, const QString& action,
                   const CgiParameters& parameters);

} // namespace Web
