// The unit's answer to a firmware upload, judged as PostMultipart judges it,
// whether it came before the body was all sent (in pieces) or after.
#include "fuzz_check.h"

#include "web/http_answer.h"
#include "web/multipart.h"

namespace {

Web::AnswerAssembler assembled(QByteArrayView input, const std::vector<qsizetype>& cuts) {
    Web::AnswerAssembler answer;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        answer.append(input.sliced(from, cut - from));
        from = cut;
    }
    answer.append(input.sliced(from));
    return answer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView input = Fuzz::bytesOf(data, size);
    const Web::AnswerAssembler whole = assembled(input, {});
    if (!whole.headerComplete())
        return 0;
    const Web::PostResult result = Web::judgePostAnswer(whole);

    QByteArray location;
    for (const auto& [name, value] : whole.fields()) {
        if (name.compare("Location", Qt::CaseInsensitive) == 0)
            location = value;
    }
    FUZZ_REQUIRE(result.location == location, "the location is the answer's last Location");
    FUZZ_REQUIRE(result.status == whole.statusCode(), "the status is the answer's");
    const bool completed = result.outcome == Web::PostResult::Outcome::Completed;
    FUZZ_REQUIRE(completed == (result.status >= 200 && result.status < 300 && location.isEmpty()),
                 "only a 2xx without a Location completes the upload");
    FUZZ_REQUIRE(completed || result.outcome == Web::PostResult::Outcome::Answered,
                 "an answer is judged by its header");
    FUZZ_REQUIRE(!result.failureText.contains(QLatin1Char('\n')), "the status words are one line");

    const Web::AnswerAssembler pieces = assembled(input, Fuzz::cutsOf(input, 6));
    FUZZ_REQUIRE(pieces.headerComplete(), "pieces read the same header");
    const Web::PostResult again = Web::judgePostAnswer(pieces);
    FUZZ_REQUIRE(again.outcome == result.outcome && again.status == result.status &&
                     again.location == result.location && again.failureText == result.failureText,
                 "pieces are judged as the whole answer");
    return 0;
}
