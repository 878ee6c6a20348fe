#pragma once

#include "cli_options.h"
#include "discovery/discovery_datagram.h"

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

namespace Cli {

// How long a scan for a unit's host name listens: every repeat of the query
// and half a second for the last answers.
inline constexpr std::chrono::milliseconds kNameScanWait{2500};

// A unit's host name holds 16 bytes, so a longer name can name no unit.
inline constexpr qsizetype kMaxHostNameCharacters = 16;

// Why a command's IP argument is neither a dotted IPv4 address nor a possible
// unit host name; nothing when it is one of them. Dots, colons and bare numbers
// mark a mistyped address or a DNS name, which the CLI never looks up.
std::optional<QString> unitArgumentRefusal(const QString& text);

// The rows whose host name, as the scan shows it, is exactly `name`.
QList<Discovery::DeviceRow> rowsNamed(const QList<Discovery::DeviceRow>& rows, const QString& name);

// The outcome of looking a host name up among the units that answer.
struct FoundUnit {
    QString ip; // the one unit's address when exitCode is kExitDone
    int exitCode = kExitDone;
    QString words; // what was said: the address found, or why none was used
};

// The address of the one unit the scan shows with this host name: none is exit 3
// (unreachable), two or more exit 1 (refused), naming every address. Pure: the
// rows of a scan and where its query went.
FoundUnit judgeNamedRows(const QString& name, const QList<Discovery::DeviceRow>& rows, const QString& queryWentTo);

// Scans (honouring --broadcast) for the unit named `name` and says on standard
// error what it found; on failure also the JSON object with --json.
FoundUnit findUnitNamed(const QString& name, const GlobalOptions& global);

} // namespace Cli
