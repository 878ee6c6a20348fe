#pragma once

#include "discovery/discovery_datagram.h"
#include "discovery/query_sender.h"
#include "discovery/query_targets.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace Discovery {

// Why a one-off scan could not even start listening or asking.
enum class ScanErrorKind { Bind, Send };

struct ScanError {
    ScanErrorKind kind;
    QString detail; // the platform's own words
};

// What one scan asks, and for how long it listens.
struct ScanPlan {
    QList<QueryTarget> targets;
    quint16 port = 0;
    std::chrono::milliseconds wait{0}; // from the first send
    QList<std::chrono::milliseconds> repeats = defaultRepeats();
};

// The accepted rows in arrival order, or the reason no query went out.
struct ScanResult {
    QList<DeviceRow> rows;
    QList<std::chrono::nanoseconds> arrivals; // per row, after the first send
    QList<SendFailure> unsent;                // targets of the first round that took nothing
    std::optional<ScanError> error;           // Send: no target took the first round
};

// The query to every target, again at each repeat inside the wait, and the
// replies of the wait judged by the scan window's acceptance rules: the same
// endpoint, the same collector, no window. Runs a local event loop, so the
// calling thread needs an event dispatcher.
ScanResult ScanOnce(const ScanPlan& plan);

} // namespace Discovery
