// What the HTTP/1.0 client takes from an answer's header: the Location it
// follows and the cookie it sends back, judged as HttpClient judges them.
#include "fuzz_check.h"

#include "web/http_answer.h"

namespace {

const Web::HttpUrl kUnit{QStringLiteral("127.0.0.2"), 8080, QStringLiteral("/nas.cgi?type=x")};
const QString kUnitKey = Web::unitKey(kUnit);

void checkLocation(const QByteArray& location) {
    // The unit may be asked first at its own address and then redirect along its pages.
    const Web::HttpUrl pages[] = {kUnit, {QStringLiteral("127.0.0.2"), 8080, QStringLiteral("/smb.htm")}};
    for (const Web::HttpUrl& current : pages) {
        const Web::RedirectStep step = Web::judgeLocation(kUnit, current, QString::fromUtf8(location));
        if (step.offUnit)
            continue;
        const Web::Result<Web::HttpUrl> target = Web::parseHttpUrl(step.target);
        FUZZ_REQUIRE(target.ok(), "a redirect that is followed names a place on the unit");
        FUZZ_REQUIRE(Web::unitKey(target.value()) == kUnitKey, "a redirect that is followed stays on the unit");
        FUZZ_REQUIRE(target.value().host.compare(kUnit.host, Qt::CaseInsensitive) == 0 &&
                         target.value().port == kUnit.port,
                     "a followed redirect connects to the unit's own address and port");
        const QByteArray request = Web::HttpGetRequest(target.value(), {});
        const qsizetype firstLine = request.indexOf("\r\n");
        FUZZ_REQUIRE(request.indexOf("\r\n\r\n") == request.size() - 4, "the request has one blank line, its end");
        FUZZ_REQUIRE(!request.first(firstLine).contains('\n') && !request.first(firstLine).contains('\r'),
                     "the request line is one line");
        FUZZ_REQUIRE(request.count("Host: ") == 1, "no header is added by the Location");
    }
}

void checkCookie(const QByteArray& setCookie) {
    const std::optional<QByteArray> cookie = Web::cookieToSendBack(setCookie);
    if (!cookie)
        return;
    for (const char c : *cookie) {
        const auto byte = static_cast<unsigned char>(c);
        FUZZ_REQUIRE(byte >= 0x20 && byte != 0x7f, "a cookie sent back holds no control byte");
    }
    FUZZ_REQUIRE(!cookie->contains(';'), "only the name=value pair goes back");
    Web::HttpGetFields fields;
    fields.cookie = *cookie;
    const QByteArray request = Web::HttpGetRequest(kUnit, fields);
    FUZZ_REQUIRE(request.count("\r\n") == Web::HttpGetRequest(kUnit, {}).count("\r\n") + (cookie->isEmpty() ? 0 : 1),
                 "a cookie adds one line at most");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView input = Fuzz::bytesOf(data, size);
    // The input as a unit's whole answer, and as one header value.
    Web::AnswerAssembler answer;
    answer.append(input);
    for (const auto& [name, value] : answer.fields()) {
        if (name.compare("Location", Qt::CaseInsensitive) == 0)
            checkLocation(value);
        else if (name.compare("Set-Cookie", Qt::CaseInsensitive) == 0)
            checkCookie(value);
    }
    checkLocation(input.toByteArray());
    checkCookie(input.toByteArray());
    return 0;
}
