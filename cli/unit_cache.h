#pragma once

#include "discovery/discovery_datagram.h"

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>

namespace Cli {

// The units the last scan found, kept for the shell's completion of a
// command's IP: $XDG_CACHE_HOME/zuredor/units, by default
// ~/.cache/zuredor/units. Empty when neither variable says where.
QString unitCachePath(const QProcessEnvironment& environment);

// One line per unit, "ADDRESS<TAB>NAME". The completion script reads it, so
// only a name a shell can take as it stands is kept (letters, digits, ".",
// "_", "=" and "-"); other names leave the address alone on its line.
QByteArray unitCacheText(const QList<Discovery::DeviceRow>& rows);

// Writes the cache, replacing the last one whole. A cache that cannot be
// written only costs the completion its addresses: nothing is said. A link,
// FIFO or folder at its name is never written through or replaced; the words
// returned say so (empty otherwise).
QString rememberUnits(const QList<Discovery::DeviceRow>& rows, const QProcessEnvironment& environment);

} // namespace Cli
