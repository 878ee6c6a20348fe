#pragma once

#include "cli_options.h"
#include "discovery/discovery_datagram.h"

#include <QByteArray>
#include <QList>

#include <chrono>

namespace Cli {

struct ScanOptions {
    std::chrono::milliseconds wait{3000};
};

// `scan`: one query, the replies of the wait, one row per unit in arrival order.
int runScan(const GlobalOptions& global, const ScanOptions& options);

// The rows under the titles "IP Address", "HD Name", "Group Name", "Firmware Version",
// in columns as wide as their widest text; each field's bytes as the unit sent them.
QByteArray scanTable(const QList<Discovery::DeviceRow>& rows);

// A JSON array of objects with the keys ip, hostName, groupName and firmwareVersion.
QByteArray scanJson(const QList<Discovery::DeviceRow>& rows);

} // namespace Cli
