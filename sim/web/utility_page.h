#pragma once

#include "sim/web/unit_state.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>

namespace Sim {

using PageVariables = QList<QPair<QByteArray, QByteArray>>;

// Every variable of the utility page, in page order, values as UTF-8 bytes.
PageVariables pageVariables(const UnitState& state, const QDateTime& nowUtc);

// The utility page: an HTML document whose script part holds one
// name="value"; CR LF line per variable.
QByteArray utilityPage(const UnitState& state, const QDateTime& nowUtc);

} // namespace Sim
