#include "base/network_settings.h"

#include <QStringList>

namespace Base {

namespace {

bool allDigits(const QString& text) {
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

// A value as the refusal quotes it: cut short and with control characters
// escaped, so a stray variable cannot fill or drive the terminal.
QString quoted(const QString& value) {
    constexpr qsizetype kShown = 64;
    QString text;
    for (const QChar c : value.left(kShown)) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else if (c == u'"' || c == u'\\')
            text += QString(u'\\') + c;
        else
            text += c;
    }
    return u'"' + text + (value.size() > kShown ? QStringLiteral("...\"") : QStringLiteral("\""));
}

// The option when given, else the variable; with the name it goes by.
struct Given {
    QString name;
    QString value;
};

std::optional<Given> given(const std::optional<QString>& option, const char* optionName,
                           const QProcessEnvironment& environment, const char* variable) {
    if (option)
        return Given{QString::fromLatin1(optionName), *option};
    const QString value = environment.value(QString::fromLatin1(variable));
    if (value.isEmpty())
        return std::nullopt;
    return Given{QString::fromLatin1(variable), value};
}

} // namespace

std::optional<quint16> parsePort(const QString& text) {
    if (!allDigits(text))
        return std::nullopt;
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

bool isDottedIpv4(const QString& text) {
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        if (!allDigits(part) || part.size() > 3 || part.toUInt() > 255)
            return false;
    }
    return true;
}

std::variant<QStringList, QString> parseAddressList(const QString& text, const QString& source) {
    QStringList addresses;
    for (const QString& entry : text.split(u',')) {
        const QString address = entry.trimmed();
        if (!isDottedIpv4(address)) {
            if (address.isEmpty())
                return QStringLiteral("%1 %2 has an empty entry; give dotted IPv4 addresses separated by commas")
                    .arg(source, quoted(text));
            return QStringLiteral("%1 %2 is not a dotted IPv4 address such as 127.255.255.255")
                .arg(source, quoted(address));
        }
        if (addresses.contains(address))
            continue;
        if (addresses.size() == kMaxBroadcastAddresses)
            return QStringLiteral("%1 names more than %2 addresses").arg(source).arg(kMaxBroadcastAddresses);
        addresses.append(address);
    }
    return addresses;
}

std::variant<NetworkSettings, QString> resolveNetworkSettings(const NetworkOptions& options,
                                                              const QProcessEnvironment& environment) {
    NetworkSettings settings;
    if (const auto broadcast = given(options.broadcast, "--broadcast", environment, "ZUREDOR_BROADCAST")) {
        auto list = parseAddressList(broadcast->value, broadcast->name);
        if (auto* refusal = std::get_if<QString>(&list))
            return *refusal;
        settings.broadcast = std::get<QStringList>(std::move(list));
    }
    const struct {
        const std::optional<QString>& option;
        const char* optionName;
        const char* variable;
        quint16& target;
    } ports[] = {
        {options.discoveryPort, "--discovery-port", "ZUREDOR_DISCOVERY_PORT", settings.discoveryPort},
        {options.devicePort, "--device-port", "ZUREDOR_DEVICE_PORT", settings.devicePort},
    };
    for (const auto& port : ports) {
        const auto value = given(port.option, port.optionName, environment, port.variable);
        if (!value)
            continue;
        const auto number = parsePort(value->value);
        if (!number)
            return QStringLiteral("%1 %2 is not a port from 1 to 65535").arg(value->name, quoted(value->value));
        port.target = *number;
    }
    return settings;
}

} // namespace Base
