#pragma once

#include <QtGlobal>

namespace Base {

// A list cut from one value of a unit's page keeps at most this many entries
// and this much text (characters, or bytes while still bytes), so that a page
// of separators cannot become millions of entries in memory and in a list box,
// while a unit with thousands of folders still shows them all.
inline constexpr qsizetype kMaxListEntries = qsizetype{16} * 1024;
inline constexpr qsizetype kMaxListText = qsizetype{1024} * 1024;

} // namespace Base
