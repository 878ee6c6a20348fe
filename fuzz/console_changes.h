#pragma once

// The requests a console page builds from what the unit's page gave it.
#include "fuzz_check.h"

#include "console/cgi_change.h"
#include "web/page_values.h"

namespace Fuzz {

inline const Console::UnitAddress kUnit{QStringLiteral("127.0.0.2"), 8080};

inline void requireSameShape(const Console::CgiChange& change, const Console::CgiChange& plain, const char* what) {
    requireSameRequestShape(change.url, plain.url, what);
    FUZZ_REQUIRE(change.page == plain.page, what);
}

// A refused check sends nothing; one that passes must keep the request's shape.
inline void requireSameShape(const Console::Checked& checked, const Console::CgiChange& plain, const char* what) {
    if (const Console::CgiChange* change = Console::changeOf(checked))
        requireSameShape(*change, plain, what);
}

inline Console::CgiChange plainOf(const Console::Checked& checked) {
    const Console::CgiChange* change = Console::changeOf(checked);
    FUZZ_REQUIRE(change != nullptr, "a plain value passes the check");
    return *change;
}

} // namespace Fuzz
