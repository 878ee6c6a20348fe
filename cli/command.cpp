#include "command.h"

#include "device_commands.h"

#include <cstdio>

namespace Cli {

QString Arguments::text(const std::string& name) const {
    return optionalText(name).value_or(QString());
}

QByteArray Arguments::bytes(const std::string& name) const {
    const auto found = m_values.find(name);
    if (found == m_values.end() || found->second.empty())
        return {};
    return QByteArray::fromStdString(found->second.back());
}

QStringList Arguments::texts(const std::string& name) const {
    QStringList list;
    const auto found = m_values.find(name);
    if (found != m_values.end()) {
        for (const std::string& value : found->second)
            list << QString::fromStdString(value);
    }
    return list;
}

std::optional<QString> Arguments::optionalText(const std::string& name) const {
    const auto found = m_values.find(name);
    if (found == m_values.end() || found->second.empty())
        return std::nullopt;
    return QString::fromStdString(found->second.back());
}

int Arguments::integer(const std::string& name) const {
    return optionalInteger(name).value_or(0);
}

std::optional<int> Arguments::optionalInteger(const std::string& name) const {
    const auto value = optionalText(name);
    if (!value)
        return std::nullopt;
    return value->toInt();
}

double Arguments::decimal(const std::string& name, double fallback) const {
    const auto value = optionalText(name);
    return value ? value->toDouble() : fallback;
}

Argument unitAddress() {
    return Argument("IP", "The unit's dotted IPv4 address, or its host name as scan shows it (found by a scan)",
                    Argument::Kind::Unit, true);
}

int usageError(const QString& words, bool json) {
    std::fprintf(stderr, "zuredor-cli: %s\n", qPrintable(words));
    if (json)
        writeUsageFailure(words);
    return kExitUsage;
}

} // namespace Cli

namespace Cli {

std::span<const CommandGroup> pageGroups() {
    static const CommandGroup groups[] = {
        {"smb", "The SMB Server page: folders, shares and share passwords", smbCommands},
        {"ftp", "The FTP Server page: the server, anonymous access and the accounts with their folders", ftpCommands},
        {"disk", "The Disk Utility page: format, sleep time, surface scan and its result", diskCommands},
        {"drives", "Drives remembered by mount --remember: alone, the list and their state", drivesCommands,
         drivesListCommand},
    };
    return groups;
}

} // namespace Cli
