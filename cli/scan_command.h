#pragma once

#include "cli_options.h"
#include "discovery/discovery_datagram.h"

#include <QByteArray>
#include <QList>

namespace Cli {

// The rows under the titles "IP Address", "HD Name", "Group Name", "Firmware Version",
// in columns as wide as their widest text; each field's bytes as the unit sent them.
QByteArray scanTable(const QList<Discovery::DeviceRow>& rows);

// A JSON array of objects with the keys ip, hostName, groupName and firmwareVersion.
QByteArray scanJson(const QList<Discovery::DeviceRow>& rows);

} // namespace Cli
