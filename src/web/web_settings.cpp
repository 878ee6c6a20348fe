#include "web/web_settings.h"

#include <algorithm>

namespace Web {

Settings settingsFor(const Base::NetworkSettings& network) {
    Settings settings;
    settings.devicePort = network.devicePort;
    // For tests and for units known to be slower; a day at most, so a typo cannot hang a program for good.
    bool ok = false;
    const double seconds = qEnvironmentVariable("ZUREDOR_UNIT_WORK_SECONDS").toDouble(&ok);
    if (ok && seconds > 0)
        settings.workTimeoutMs = static_cast<int>(std::min(seconds, 86400.0) * 1000);
    return settings;
}

} // namespace Web
