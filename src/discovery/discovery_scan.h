#pragma once

#include "discovery/discovery_datagram.h"

#include <QHostAddress>
#include <QList>
#include <QString>

#include <chrono>
#include <optional>

namespace Discovery {

// Why a one-off scan could not even start listening or asking.
enum class ScanErrorKind { Bind, Send };

struct ScanError {
    ScanErrorKind kind;
    QString detail; // the platform's own words
};

// The accepted rows in arrival order, or the reason no query went out.
struct ScanResult {
    QList<DeviceRow> rows;
    std::optional<ScanError> error;
};

// One query and the replies of the following `wait`, judged by the scan window's
// acceptance rules: the same endpoint, the same collector, no window. Runs a local
// event loop, so the calling thread needs an event dispatcher.
ScanResult ScanOnce(const QHostAddress& target, quint16 port, std::chrono::milliseconds wait);

} // namespace Discovery
