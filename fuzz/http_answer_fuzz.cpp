// The answer framing and DeviceGet's split, fed a unit's answer whole, byte by
// byte and in pieces cut where the input says: every way must agree.
#include "fuzz_check.h"

#include "web/device_get.h"
#include "web/http_answer.h"

namespace {

using Web::AnswerAssembler;

struct Outcome {
    AnswerAssembler::State state;
    bool headerComplete;
    bool completeAtClose;
    int status;
    qint64 expectedSize;
    QByteArray header;
    QByteArray decoded;
    QList<QPair<QByteArray, QByteArray>> fields;

    bool operator==(const Outcome&) const = default;
};

Outcome outcomeOf(const AnswerAssembler& a) {
    // A malformed answer is refused whole; what arrived after the fault is not read.
    const bool malformed = a.state() == AnswerAssembler::State::Malformed;
    return {a.state(),
            a.headerComplete(),
            a.completeAtClose(),
            a.statusCode(),
            a.expectedSize(),
            a.headerText(),
            malformed ? QByteArray() : a.decoded(),
            a.fields()};
}

Outcome feed(QByteArrayView input, const std::vector<qsizetype>& cuts) {
    AnswerAssembler a;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        a.append(input.sliced(from, cut - from));
        from = cut;
    }
    a.append(input.sliced(from));
    return outcomeOf(a);
}

bool startsWithHtmlTag(QByteArrayView text) {
    return text.size() >= 6 && text.first(6).compare(QByteArrayView("<html>"), Qt::CaseInsensitive) == 0;
}

void checkDeviceSplit(const QByteArray& answer) {
    const Web::DeviceResponse r = Web::SplitDeviceAnswer(answer);
    const bool hasTag = answer.toLower().contains("<html>");
    FUZZ_REQUIRE(hasTag == !r.page.isEmpty(), "a page is given exactly when the answer holds <HTML>");
    if (!hasTag) {
        FUZZ_REQUIRE(r.header.isEmpty() && r.page.isEmpty(), "no page without <HTML>");
        return;
    }
    FUZZ_REQUIRE(r.header + r.page == answer, "header and page are the answer, cut once");
    FUZZ_REQUIRE(startsWithHtmlTag(r.page), "the page starts at <HTML>");
    FUZZ_REQUIRE(!r.header.toLower().contains("<html>"), "the cut is at the first <HTML>");
    FUZZ_REQUIRE(r.status == Web::AnswerStatus(answer), "the split reads the answer's status");
    FUZZ_REQUIRE(r.status >= 0 && r.status <= 999999999, "a status has at most nine digits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView input = Fuzz::bytesOf(data, size);
    const Outcome whole = feed(input, {});

    FUZZ_REQUIRE(whole.state != AnswerAssembler::State::Complete || whole.completeAtClose,
                 "a complete answer is complete at the close");
    FUZZ_REQUIRE(whole.state != AnswerAssembler::State::Malformed || !whole.completeAtClose,
                 "a malformed answer is never taken at the close");
    if (whole.headerComplete)
        FUZZ_REQUIRE(whole.header.size() <= AnswerAssembler::kMaxHeaderSize, "an accepted header is within its cap");
    FUZZ_REQUIRE(whole.decoded.size() <= input.size(), "undoing the framing never adds bytes");

    if (input.size() <= 4096) {
        std::vector<qsizetype> everyByte;
        for (qsizetype i = 1; i < input.size(); ++i)
            everyByte.push_back(i);
        FUZZ_REQUIRE(feed(input, everyByte) == whole, "byte by byte gives what the whole answer gives");
    }
    FUZZ_REQUIRE(feed(input, Fuzz::cutsOf(input, 8)) == whole, "pieces give what the whole answer gives");

    checkDeviceSplit(input.toByteArray());
    if (whole.state == AnswerAssembler::State::Complete || whole.completeAtClose)
        checkDeviceSplit(whole.decoded);
    return 0;
}
