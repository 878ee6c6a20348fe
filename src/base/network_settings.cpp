#include "base/network_settings.h"

#include <QtGlobal>

namespace Base {

std::optional<quint16> parsePort(const QString& text) {
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok);
    if (!ok || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

NetworkSettings networkSettingsFromEnvironment() {
    NetworkSettings settings;
    const QString broadcast = qEnvironmentVariable("ZUREDOR_BROADCAST");
    if (!broadcast.isEmpty())
        settings.broadcast = broadcast;
    if (auto port = parsePort(qEnvironmentVariable("ZUREDOR_DISCOVERY_PORT")))
        settings.discoveryPort = *port;
    if (auto port = parsePort(qEnvironmentVariable("ZUREDOR_DEVICE_PORT")))
        settings.devicePort = *port;
    return settings;
}

} // namespace Base
