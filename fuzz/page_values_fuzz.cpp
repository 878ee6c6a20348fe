// Page variables, option lists and the escaping of what goes back to the unit.
#include "fuzz_check.h"

#include "base/list_bounds.h"
#include "web/page_values.h"

namespace {

// The names the program reads from the utility page.
const char* const kNames[] = {"host_name",   "allow_share", "share_list",      "lang_list", "ftp_ac_list",
                              "ftps_status", "disk_scan",   "disk_idle_value", "ip_type",   "ftps_share_list"};

QByteArray percentDecoded(const QString& text, bool plusIsBlank) {
    QByteArray out;
    const QByteArray ascii = text.toLatin1();
    for (qsizetype i = 0; i < ascii.size(); ++i) {
        if (ascii[i] == '%' && i + 2 < ascii.size()) {
            out += static_cast<char>(QByteArray::fromHex(ascii.mid(i + 1, 2)).at(0));
            i += 2;
        } else if (plusIsBlank && ascii[i] == '+') {
            out += ' ';
        } else {
            out += ascii[i];
        }
    }
    return out;
}

bool onlyFrom(const QString& text, QLatin1String allowed) {
    for (const QChar c : text) {
        const bool alnum = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
        if (!alnum && !QString(allowed).contains(c))
            return false;
    }
    return true;
}

void checkPageValues(QByteArrayView page) {
    for (const char* name : kNames) {
        const QByteArray key = QByteArray(name) + "=\"";
        const QByteArray value = Web::PageValue(page, key);
        FUZZ_REQUIRE(!value.contains("\";\r\n"), "a value ends at the first closing quote line");
        if (!value.isEmpty())
            FUZZ_REQUIRE(page.toByteArray().contains(key + value + "\";\r\n"), "a value is what follows its key");
    }
}

void checkOptionNames(QByteArrayView options) {
    const QList<Web::OptionName> names = Web::SplitOptionNames(options);
    FUZZ_REQUIRE(names.size() <= Base::kMaxListEntries, "the list stays within its entry bound");
    qsizetype text = 0;
    QByteArray rebuilt;
    for (const Web::OptionName& name : names) {
        text += name.bytes.size();
        FUZZ_REQUIRE(!name.bytes.contains("\">"), "a name ends at the first closing of its tag");
        rebuilt += "<option value=\"" + name.bytes + "\">";
    }
    FUZZ_REQUIRE(text <= Base::kMaxListText, "the list stays within its text bound");
    FUZZ_REQUIRE(Web::FolderNamesFromAllowShare(options).size() == names.size(), "every option gives one folder");
    const QList<Web::OptionName> again = Web::SplitOptionNames(rebuilt);
    FUZZ_REQUIRE(again.size() == names.size(), "the names read back from a list written of them");
    for (qsizetype i = 0; i < names.size(); ++i)
        FUZZ_REQUIRE(again[i].bytes == names[i].bytes, "the names read back byte for byte");
}

void checkEscaping(QByteArrayView value) {
    const QString urlEncoded = Web::UrlEncodeValue(value);
    FUZZ_REQUIRE(onlyFrom(urlEncoded, QLatin1String("+%")), "a name or password goes out as letters, digits, + and %");
    FUZZ_REQUIRE(percentDecoded(urlEncoded, true) == value.toByteArray(), "a name or password decodes to its bytes");
    const QString escaped = Web::EscapeQueryValue(value);
    FUZZ_REQUIRE(onlyFrom(escaped, QLatin1String(".-_:~%")), "a typed value goes out escaped");
    FUZZ_REQUIRE(percentDecoded(escaped, false) == value.toByteArray(), "a typed value decodes to its bytes");

    const QString plain = Web::CgiRequest(QStringLiteral("127.0.0.2"), 8080, QStringLiteral("nas.cgi"),
                                          QStringLiteral("smb.htm"), QStringLiteral("x"),
                                          Web::CgiParameters()
                                              .addBytes("a", "v", Web::CgiParameters::Encoding::UrlEncoded)
                                              .addBytes("b", "v", Web::CgiParameters::Encoding::AsTyped));
    const QString sent = Web::CgiRequest(QStringLiteral("127.0.0.2"), 8080, QStringLiteral("nas.cgi"),
                                         QStringLiteral("smb.htm"), QStringLiteral("x"),
                                         Web::CgiParameters()
                                             .addBytes("a", value, Web::CgiParameters::Encoding::UrlEncoded)
                                             .addBytes("b", value, Web::CgiParameters::Encoding::AsTyped));
    Fuzz::requireSameRequestShape(sent, plain, "a value from the unit cannot change the request");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView input = Fuzz::bytesOf(data, size);
    checkPageValues(input);
    checkOptionNames(input);
    checkEscaping(input);
    return 0;
}
