#pragma once

#include "web/http_request.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// A broken property stops the run like a crash, so libFuzzer keeps the input.
#define FUZZ_REQUIRE(condition, what)                                                                                  \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "property broken: %s (%s:%d)\n", what, __FILE__, __LINE__);                           \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace Fuzz {

inline QByteArrayView bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// FNV-1a: split points and choices that the input decides, so a crash replays.
inline std::uint64_t hashOf(QByteArrayView bytes) {
    std::uint64_t h = 1469598103934665603ULL;
    for (const char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return h;
}

// Up to `most` ascending cut points inside [1, size), chosen from the input.
inline std::vector<qsizetype> cutsOf(QByteArrayView bytes, int most) {
    std::vector<qsizetype> cuts;
    if (bytes.size() < 2)
        return cuts;
    std::uint64_t h = hashOf(bytes);
    const int count = 1 + static_cast<int>(h % static_cast<std::uint64_t>(most));
    for (int i = 0; i < count; ++i) {
        h = h * 6364136223846793005ULL + 1442695040888963407ULL;
        cuts.push_back(1 + static_cast<qsizetype>((h >> 17) % static_cast<std::uint64_t>(bytes.size() - 1)));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

// A URL the program sends: printable ASCII only, so no value can end the
// request line, add a header or cut the query with a "#".
inline bool printableRequestUrl(const QString& url) {
    for (const QChar c : url) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || c == QLatin1Char('#'))
            return false;
    }
    return true;
}

// The parameter names of a request's query in order; a part without exactly one
// "=" is named "!" so that a value which adds or cuts one shows.
inline QStringList parameterNames(const QString& url) {
    QStringList names;
    const qsizetype query = url.indexOf(QLatin1Char('?'));
    if (query < 0)
        return names;
    for (const QString& part : url.mid(query + 1).split(QLatin1Char('&'))) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        names.append(eq < 0 || part.indexOf(QLatin1Char('='), eq + 1) >= 0 ? QStringLiteral("!") : part.left(eq));
    }
    return names;
}

// A request built from what a unit sent against the same request built from a
// plain value: same unit, same parameters, nothing raw in the line.
inline void requireSameRequestShape(const QString& url, const QString& plainUrl, const char* what) {
    FUZZ_REQUIRE(printableRequestUrl(url), what);
    FUZZ_REQUIRE(parameterNames(url) == parameterNames(plainUrl), what);
    const Web::Result<Web::HttpUrl> parsed = Web::parseHttpUrl(url);
    const Web::Result<Web::HttpUrl> plain = Web::parseHttpUrl(plainUrl);
    FUZZ_REQUIRE(parsed.ok() && plain.ok(), what);
    FUZZ_REQUIRE(Web::unitKey(parsed.value()) == Web::unitKey(plain.value()), what);
}

} // namespace Fuzz
