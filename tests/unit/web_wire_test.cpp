#include "web/device_get.h"
#include "web/http_answer.h"
#include "web/http_request.h"

#include <gtest/gtest.h>

namespace {

using Web::AnswerAssembler;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// The full request bytes are checked on the wire; these are the credential rules.
TEST(RequestBytes, DeviceGetAlwaysSendsCredentialsTheHttpClientOnlyBoth) {
    EXPECT_TRUE(Web::DeviceGetRequest(s("h"), s(""), s(""), s("/")).contains("\r\nAuthorization: Basic Og==\r\n"));
    EXPECT_TRUE(
        Web::DeviceGetRequest(s("h"), s("user"), s("p\xc3\xa4ss"), s("/")).contains("Basic dXNlcjpww6Rzcw==\r\n"));
    const Web::HttpUrl url{s("h"), 80, s("/")};
    EXPECT_FALSE(Web::HttpGetRequest(url, {s("admin"), s(""), {}, {}}).contains("Authorization"));
    EXPECT_FALSE(Web::HttpGetRequest(url, {s(""), s("secret"), {}, {}}).contains("Authorization"));
    EXPECT_TRUE(Web::HttpGetRequest(url, {s("a"), s("b"), {}, {}}).contains("\r\nAuthorization: Basic YTpi\r\n"));
}

struct UrlCase {
    const char* url;
    bool ok;
    const char* host;
    quint16 port;
    const char* path;
};

class ParseHttpUrl : public ::testing::TestWithParam<UrlCase> {};

TEST_P(ParseHttpUrl, CutsHostPortAndPath) {
    const auto& c = GetParam();
    const auto parsed = Web::parseHttpUrl(s(c.url));
    ASSERT_EQ(parsed.ok(), c.ok) << c.url;
    if (!c.ok) {
        EXPECT_EQ(parsed.error().kind, Web::ErrorKind::Malformed);
        return;
    }
    EXPECT_EQ(parsed.value().host, s(c.host));
    EXPECT_EQ(parsed.value().port, c.port);
    EXPECT_EQ(parsed.value().path, s(c.path));
}

INSTANTIATE_TEST_SUITE_P(Urls, ParseHttpUrl,
                         ::testing::Values(UrlCase{"http://10.0.0.2/man.cgi?a=1", true, "10.0.0.2", 80, "/man.cgi?a=1"},
                                           UrlCase{"HTTP://10.0.0.2:8080/x", true, "10.0.0.2", 8080, "/x"},
                                           UrlCase{"http://10.0.0.2", true, "10.0.0.2", 80, "/"},

                                           UrlCase{"http://10.0.0.2?a=1", true, "10.0.0.2", 80, "/?a=1"},
                                           UrlCase{"http:///x", false, "", 0, ""},
                                           UrlCase{"http://h:65536/", false, "", 0, ""},
                                           UrlCase{"http://h:8o/", false, "", 0, ""},
                                           UrlCase{"http://h/a b", false, "", 0, ""},
                                           UrlCase{"http://h/a\r\nX-Injected: 1", false, "", 0, ""}));

// Feeds an answer in pieces of every size from 1 byte to the whole, so no
// boundary inside a header line, chunk size or CR LF goes unseen.
struct AssembleCase {
    const char* name;
    QByteArray answer;
    AnswerAssembler::State state; // after all bytes
    bool completeAtClose;
    QByteArray decoded; // checked when complete at close
};

void PrintTo(const AssembleCase& c, std::ostream* os) {
    *os << c.name;
}

class Assemble : public ::testing::TestWithParam<AssembleCase> {};

TEST_P(Assemble, SameOutcomeForEveryPieceSize) {
    const auto& c = GetParam();
    for (qsizetype piece = 1; piece <= c.answer.size(); ++piece) {
        AnswerAssembler assembler;
        for (qsizetype at = 0; at < c.answer.size(); at += piece)
            assembler.append(QByteArrayView(c.answer).sliced(at, std::min(piece, c.answer.size() - at)));
        ASSERT_EQ(assembler.state(), c.state) << c.name << ", pieces of " << piece;
        ASSERT_EQ(assembler.completeAtClose(), c.completeAtClose) << c.name << ", pieces of " << piece;
        if (c.completeAtClose) {
            ASSERT_EQ(assembler.decoded(), c.decoded) << c.name << ", pieces of " << piece;
        }
    }
}

using State = AnswerAssembler::State;

// A chunked answer of one byte whose size line, CR included, is `lineBytes` long.
QByteArray chunkedWithSizeLine(qsizetype lineBytes) {
    return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" + QByteArray(lineBytes - 3, 'x') +
           "\r\na\r\n0\r\n\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Framing, Assemble,
    ::testing::Values(
        AssembleCase{"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", State::Complete, true,
                     "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"},
        AssembleCase{"bytes after the length are not the answer's",
                     "HTTP/1.1 200 OK\r\ncontent-length: 2\r\n\r\nhiHTTP/1.1 200", State::Complete, true,
                     "HTTP/1.1 200 OK\r\ncontent-length: 2\r\n\r\nhi"},
        AssembleCase{"chunked with extension and trailer, length ignored",
                     "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n"
                     "6;x=y\r\n<HTML>\r\nA\r\n0123456789\r\n0\r\nX-Trailer: 1\r\n\r\n",
                     State::Complete, true,
                     "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n<HTML>0123456789"},
        AssembleCase{"chunked with bare line feeds", "HTTP/1.1 200 OK\nTransfer-Encoding: Chunked\n\n3\nabc\n0\n\n",
                     State::Complete, true, "HTTP/1.1 200 OK\nTransfer-Encoding: Chunked\n\nabc"},
        AssembleCase{"no length: only the close ends it", "HTTP/1.0 200 OK\r\n\r\n<HTML>page", State::NeedMore, true,
                     "HTTP/1.0 200 OK\r\n\r\n<HTML>page"},
        AssembleCase{"no status line at all", "<HTML>page", State::NeedMore, true, "<HTML>page"},

        AssembleCase{"cut short of its length", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello", State::NeedMore,
                     false, ""},
        AssembleCase{"cut short of its last chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n",
                     State::NeedMore, false, ""},
        AssembleCase{"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc\r\n0\r\n\r\n",
                     State::Malformed, false, ""},
        AssembleCase{"chunk longer than its size",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n", State::Malformed,
                     false, ""},
        AssembleCase{"chunk size beyond 64 bits",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000000000000000\r\n", State::Malformed,
                     false, ""},
        AssembleCase{"two different lengths", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab",
                     State::Malformed, false, ""},
        // The chunk-line cap holds however the line arrives, not only when it comes in pieces.
        AssembleCase{"chunk line at its cap", chunkedWithSizeLine(1024), State::Complete, true,
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\na"},
        AssembleCase{"chunk line one byte over its cap", chunkedWithSizeLine(1025), State::Malformed, false, ""}));

// The header's cap likewise, tested with a few piece sizes: every size would take too long.
TEST(Assemble, HeaderCapHoldsForAnyPieceSize) {
    const QByteArray start = "HTTP/1.1 200 OK\r\nX: ";
    for (const qsizetype lineFeedAt : {qsizetype{64 * 1024}, qsizetype{64 * 1024 + 1}}) {
        const QByteArray answer = start + QByteArray(lineFeedAt - start.size() - 3, 'y') + "\r\n\r\n<HTML>";
        ASSERT_EQ(answer.indexOf("\r\n\r\n") + 3, lineFeedAt);
        const State expected = lineFeedAt <= 64 * 1024 ? State::NeedMore : State::Malformed;
        for (const qsizetype piece : {qsizetype{1000}, qsizetype{64 * 1024}, answer.size()}) {
            AnswerAssembler assembler;
            for (qsizetype at = 0; at < answer.size(); at += piece)
                assembler.append(QByteArrayView(answer).sliced(at, std::min(piece, answer.size() - at)));
            EXPECT_EQ(assembler.state(), expected) << "line feed at " << lineFeedAt << ", pieces of " << piece;
        }
    }
}

struct SplitCase {
    const char* name;
    QByteArray answer;
    QByteArray header;
    QByteArray page;
    int status;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitDeviceAnswer : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitDeviceAnswer, FollowsTheOutcomeTable) {
    const auto& c = GetParam();
    const Web::DeviceResponse response = Web::SplitDeviceAnswer(c.answer);
    EXPECT_EQ(response.header, c.header) << c.name;
    EXPECT_EQ(response.page, c.page) << c.name;
    EXPECT_EQ(response.status, c.status) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SplitDeviceAnswer,
    ::testing::Values(
        SplitCase{"empty", "", "", "", 0}, SplitCase{"no HTML tag", "HTTP/1.1 200 OK\r\n\r\n<p>hello</p>", "", "", 0},
        SplitCase{"200 page", "HTTP/1.1 200 OK\r\n\r\n<HTML>a=\"1\";\r\n", "HTTP/1.1 200 OK\r\n\r\n",
                  "<HTML>a=\"1\";\r\n", 200},
        SplitCase{"tag in any case, kept as received", "HTTP/1.0 401 Unauthorized\r\n\r\n<hTmL>no",
                  "HTTP/1.0 401 Unauthorized\r\n\r\n", "<hTmL>no", 401},

        SplitCase{"status word unreadable", "HTTP/1.1 OK\r\n\r\n<HTML>", "HTTP/1.1 OK\r\n\r\n", "<HTML>", 1},

        SplitCase{"no status line", "<HTML>page", "", "<HTML>page", 1},
        SplitCase{"white space before the number", "http/1.1 \t 404 x\r\n\r\n<HTML>", "http/1.1 \t 404 x\r\n\r\n",
                  "<HTML>", 404},
        SplitCase{"HTTP/ found inside the body", "<HTML>see HTTP/1.1 500", "", "<HTML>see HTTP/1.1 500", 500}));

} // namespace
