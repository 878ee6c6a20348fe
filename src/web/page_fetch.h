#pragma once

#include "web/device_get.h"
#include "web/web_host.h"
#include "web/web_settings.h"

#include <QDeadlineTimer>
#include <QString>

namespace Web {

inline constexpr int kPageReadTries = 8;

QString utilityPagePath(); // "/utility_use.htm"

// Up to `tries` reads of the utility page, each after the fixed pause, until
// one gives page text, all within `deadline`. Blocking: run it off the window
// thread. The login shares one deadline across its repeated checks.
DeviceResponse ReadUtilityPage(const DeviceContext& device, const Settings& settings, const QDeadlineTimer& deadline,
                               int tries = kPageReadTries);

// The utility page for a console tab, within the retry budget; says
// "Connection Fail" when there is no page text or the status is not 200, and
// returns what it got in every case.
DeviceResponse FetchPage(const DeviceContext& device, const Settings& settings, WebHost& host);

} // namespace Web
