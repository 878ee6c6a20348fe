#pragma once

#include <QString>

namespace Base {

// The build's `git describe` (such as "54f7af6-dirty"), empty for a build
// outside a git checkout. Only the programs link it: it changes with every
// commit, and nothing else should be rebuilt for that.
const char* gitDescription();

// What --version prints: "zuredor-cli 1.1", with " (git DESCRIPTION)" where known.
QString versionLine(const QString& program);

} // namespace Base
