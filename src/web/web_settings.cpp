#include "web/web_settings.h"

namespace Web {

Settings settingsFor(const Base::NetworkSettings& network) {
    Settings settings;
    settings.devicePort = network.devicePort;
    return settings;
}

} // namespace Web
