#include "console_commands.h"

#include "change_sender.h"
#include "command.h"
#include "device_commands.h"

#include "console/field_limits.h"
#include "console/ip_config.h"

#include "terminal_text.h"

#include "base/localize.h"
#include "console/page_tabs.h"
#include "console/status_actions.h"
#include "console/status_page.h"
#include "login/login_check.h"
#include "web/page_fetch.h"
#include "web/send_cgi.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace Cli {

namespace {

// The Status page as the console shows it, or the exit status when it cannot be shown.
struct StatusRead {
    Console::StatusView view;
    int exitCode = kExitDone;
};

StatusRead readStatus(const GlobalOptions& global, const Credentials& credentials, const QString& ip) {
    const PageRead read = readPage(global, credentials, ip);
    if (read.exitCode != kExitDone)
        return {{}, read.exitCode};
    StatusRead status{Console::readStatusPage(read.page), kExitDone};
    if (status.view.stop != Console::StatusView::Stop::None) {
        PrintingHost host(global.json);
        host.showMessage(status.view.stopError);
        status.exitCode = kExitRefused;
        if (global.json)
            writeFailure(ip, status.exitCode, host.lastWords());
    }
    return status;
}

QString shownServer(const Console::StatusView& v) {
    return v.serverFromList ? Console::timeServers()[static_cast<std::size_t>(v.listedServer)] : v.server;
}

QString zoneText(int zoneIndex) {
    const int hours = zoneIndex - 12;
    return (hours > 0 ? QStringLiteral("+") : QString()) + QString::number(hours);
}

// What `set-time` changes; anything left out keeps the unit's current value.
struct TimeOptions {
    std::optional<QString> date;         // Y/M/D, as typed
    std::optional<QString> time;         // H:M:S, as typed
    std::optional<bool> sntp;            // time service on or off
    std::optional<QString> server;       // one of the listed time servers
    std::optional<QString> manualServer; // a server typed by hand
    std::optional<int> zone;             // hours, -12..12
};

// One value of a page as the CLI shows it: a `Caption: text` line, a JSON
// member, or both. Each view lists its fields once, for both outputs.
struct Field {
    const char* caption; // nullptr: JSON only
    const char* key;     // nullptr: text only
    QString text;
    QJsonValue json;
};

Field both(const char* caption, const char* key, const QString& value) {
    return {caption, key, value, value};
}

void printView(const GlobalOptions& global, const QString& ip, const QList<Field>& fields) {
    if (global.json) {
        QJsonObject object{{QStringLiteral("ip"), ip}};
        for (const Field& field : fields) {
            if (field.key)
                object.insert(QLatin1String(field.key), field.json);
        }
        writeJson(object);
        return;
    }
    QByteArray out;
    for (const Field& field : fields) {
        if (field.caption)
            out += QByteArray(field.caption) + ": " + terminalSafe(field.text.toUtf8()) + '\n';
    }
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
}

int runStatus(const Invocation& call) {
    const QString ip = call.arguments.text("IP");
    const StatusRead read = readStatus(call.global, call.credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    const Console::StatusView& v = read.view;
    const QString date = v.year + QLatin1Char('/') + v.month + QLatin1Char('/') + v.day;
    const QString time = v.hour + QLatin1Char(':') + v.minute + QLatin1Char(':') + v.second;
    const QString zoneName = Console::timeZoneNames().value(v.zoneIndex);
    const QString language = v.languages.value(v.languageIndex);
    const QString off = QStringLiteral("Disable");
    printView(
        call.global, ip,
        {
            both("Host Name", "hostName", v.hostName),
            both("Group Name", "groupName", v.groupName),
            both("Administrator", "administrator", call.credentials.user),
            both("Current Time", "currentTime", v.currentTime),
            {"Date and Time", nullptr, date + QStringLiteral(" - ") + time, {}},
            {nullptr, "date", {}, date},
            {nullptr, "time", {}, time},
            {"SNTP", "sntp", v.sntpAuto ? QStringLiteral("Auto") : off, v.sntpAuto},
            {"Time Server", "timeServer",
             shownServer(v) + (v.serverFromList ? QStringLiteral(" (list)") : QStringLiteral(" (manual)")),
             shownServer(v)},
            {nullptr, "timeServerMode", {}, v.serverFromList ? QStringLiteral("list") : QStringLiteral("manual")},
            {"Time Zone", "zone", zoneText(v.zoneIndex) + QLatin1Char(' ') + zoneName, v.zoneIndex - 12},
            {nullptr, "zoneName", {}, zoneName},
            both("IP Address", "ipAddress", v.ipAddress),
            {"DHCP Server", "dhcpServer", v.dhcpServer ? QStringLiteral("Enable") : off, v.dhcpServer},
            both("Disk ID", "diskId", v.diskId),
            both("Firmware Version", "firmwareVersion", v.firmware),
            both("Free Size", "freeSize", v.freeSize),
            both("Total Size", "totalSize", v.totalSize),
            {"Language", "language",
             v.languageIndex < 0 ? QStringLiteral("-1 (none)")
                                 : QString::number(v.languageIndex) + QLatin1Char(' ') + language,
             v.languageIndex},
            {nullptr, "languageName", {}, language},
            {"Languages", "languages", v.languages.join(QStringLiteral(", ")), QJsonArray::fromStringList(v.languages)},
        });
    return kExitDone;
}

int runSetIdentity(const Invocation& call) {
    const GlobalOptions& global = call.global;
    const Credentials& credentials = call.credentials;
    const QString ip = call.arguments.text("IP");
    const QString host = call.arguments.text("HOST");
    const QString group = call.arguments.text("GROUP");
    // The window's fields take no more than this; here the same limit is a refusal.
    for (const auto& [value, field] : {std::pair(host, "Host Name"), std::pair(group, "Group Name")}) {
        if (const auto refusal = Console::tooLong(value, Console::kNameLength, field, "Identification"))
            return refuse(global, ip, *refusal);
    }
    const Console::Checked checked = Console::identificationChange({ip, global.network.devicePort}, host, group);
    if (const Base::Refusal* refusal = Console::refusalOf(checked))
        return refuse(global, ip, *refusal);
    ChangeSender sender(global, credentials, ip, Console::kStatusPage);
    return sender.finish(sender.send(*Console::changeOf(checked), false));
}

int runSetAdminPassword(const Invocation& call) {
    const GlobalOptions& global = call.global;
    const Credentials& credentials = call.credentials;
    const QString ip = call.arguments.text("IP");
    QString password = call.arguments.text("NEW");
    QString verify = call.arguments.text("VERIFY");
    if (call.arguments.has("NEW") != call.arguments.has("VERIFY"))
        return usageError(QStringLiteral("set-admin-password takes NEW and VERIFY, or neither to be asked for them"),
                          call.global.json);
    // Kept out of the process list: asked for on a terminal, else two lines of standard input.
    if (!call.arguments.has("NEW")) {
        password = askSecret("New password: ");
        verify = askSecret("Verify password: ");
    }
    for (const auto& [value, field] : {std::pair(password, "Password"), std::pair(verify, "Verify Password")}) {
        if (const auto refusal = Console::tooLong(value, Console::kAdminPasswordLength, field, "Administrator"))
            return refuse(global, ip, *refusal);
    }
    const Console::Checked checked = Console::administratorChange({ip, global.network.devicePort}, password, verify);
    if (const Base::Refusal* refusal = Console::refusalOf(checked))
        return refuse(global, ip, *refusal);
    ChangeSender sender(global, credentials, ip, Console::kStatusPage);
    sender.console().password = password;
    return sender.finish(sender.send(*Console::changeOf(checked), false));
}

int setTime(const GlobalOptions& global, const Credentials& credentials, const QString& ip,
            const TimeOptions& options) {
    const StatusRead read = readStatus(global, credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    const Console::StatusView& v = read.view;
    // The fields as the console shows them after reading the page, then what was asked for.
    Console::DateTimeInput input;
    input.sntpAuto = v.sntpAuto;
    input.serverFromList = v.serverFromList;
    input.listedServer = v.listedServer;
    input.manualServer = v.serverFromList ? QString() : v.server;
    input.year = v.year;
    input.month = v.month;
    input.day = v.day;
    input.hour = v.hour;
    input.minute = v.minute;
    input.second = v.second;
    input.zoneIndex = v.zoneIndex;
    if (options.date) {
        const QStringList parts = options.date->split(QLatin1Char('/'));
        input.year = parts.value(0);
        input.month = parts.value(1);
        input.day = parts.value(2);
    }
    if (options.time) {
        const QStringList parts = options.time->split(QLatin1Char(':'));
        input.hour = parts.value(0);
        input.minute = parts.value(1);
        input.second = parts.value(2);
    }
    if (options.sntp)
        input.sntpAuto = *options.sntp;
    if (options.server) {
        input.serverFromList = true;
        input.listedServer = -1;
        for (int i = 0; i < Console::kTimeServerCount; ++i) {
            if (Console::timeServers()[static_cast<std::size_t>(i)] == *options.server)
                input.listedServer = i;
        }
    }
    if (options.manualServer) {
        input.serverFromList = false;
        input.manualServer = *options.manualServer;
    }
    if (options.zone)
        input.zoneIndex = Console::timeZoneIndex(*options.zone);

    const Console::Checked checked = Console::dateTimeChange({ip, global.network.devicePort}, input);
    if (const Base::Refusal* refusal = Console::refusalOf(checked))
        return refuse(global, ip, *refusal);
    ChangeSender sender(global, credentials, ip, Console::kStatusPage);
    return sender.finish(sender.send(*Console::changeOf(checked), false));
}

int runSetTime(const Invocation& call) {
    const Arguments& arguments = call.arguments;
    const QString ip = arguments.text("IP");
    TimeOptions options;
    // The window's fields take no more than these; here the same limits are refusals, before any request.
    QList<std::tuple<QString, int, const char*>> fields;
    if (const auto date = arguments.optionalText("--date")) {
        if (date->count(QLatin1Char('/')) != 2)
            return usageError(QStringLiteral("--date needs Y/M/D"), call.global.json);
        options.date = date;
        const QStringList parts = date->split(QLatin1Char('/'));
        fields << std::tuple(parts[0], Console::kYearLength, "Date and Time")
               << std::tuple(parts[1], Console::kDatePartLength, "Date and Time")
               << std::tuple(parts[2], Console::kDatePartLength, "Date and Time");
    }
    if (const auto time = arguments.optionalText("--time")) {
        if (time->count(QLatin1Char(':')) != 2)
            return usageError(QStringLiteral("--time needs H:M:S"), call.global.json);
        options.time = time;
        for (const QString& part : time->split(QLatin1Char(':')))
            fields << std::tuple(part, Console::kDatePartLength, "Date and Time");
    }
    if (const auto manual = arguments.optionalText("--manual-server"))
        fields << std::tuple(*manual, Console::kTimeServerLength, "Time Server");
    for (const auto& [value, length, field] : fields) {
        if (const auto refusal = Console::tooLong(value, length, field, "Date and Time"))
            return refuse(call.global, ip, *refusal);
    }
    if (const auto sntp = arguments.optionalText("--sntp"))
        options.sntp = *sntp == QLatin1String("on");
    options.server = arguments.optionalText("--server");
    options.manualServer = arguments.optionalText("--manual-server");
    options.zone = arguments.optionalInteger("--zone");
    return setTime(call.global, call.credentials, ip, options);
}

int runSetDhcpServer(const Invocation& call) {
    const QString ip = call.arguments.text("IP");
    const bool enable = call.arguments.text("STATE") == QLatin1String("on");
    ChangeSender sender(call.global, call.credentials, ip, Console::kStatusPage);
    return sender.finish(sender.send(Console::dhcpServerChange({ip, call.global.network.devicePort}, enable), true));
}

int runSetLanguage(const Invocation& call) {
    const QString ip = call.arguments.text("IP");
    ChangeSender sender(call.global, call.credentials, ip, Console::kStatusPage);
    const int exitCode = sender.send(
        Console::languageChange({ip, call.global.network.devicePort}, call.arguments.integer("INDEX")), true);
    sender.say(Console::languageRestartNotice());
    return sender.finish(exitCode);
}

int runIpConfig(const Invocation& call) {
    const GlobalOptions& global = call.global;
    const Credentials& credentials = call.credentials;
    const QString ip = call.arguments.text("IP");
    PageRead read;
    Console::IpConfigView v;
    // As the console does: the page again while it gives no address, a few times at most.
    for (int i = 0; i < Console::kIpConfigReads; ++i) {
        read = readPage(global, credentials, ip);
        if (read.exitCode != kExitDone)
            return read.exitCode;
        v = Console::readIpConfigPage(read.page);
        if (!v.address.ip.isEmpty())
            break;
    }
    printView(global, ip,
              {
                  {"IP Option", "automatic", v.automatic ? QStringLiteral("Automatic IP") : QStringLiteral("Static IP"),
                   v.automatic},
                  both("IP Address", "address", v.address.ip),
                  both("Subnet Mask", "subnetMask", v.address.mask),
                  both("Gateway", "gateway", v.address.gateway),
                  both("Primary DNS", "primaryDns", v.address.primaryDns),
                  both("Secondary DNS", "secondaryDns", v.address.secondaryDns),
              });
    return kExitDone;
}

// Automatic addressing when `address` is empty, else the static settings.
int setIp(const GlobalOptions& global, const Credentials& credentials, const QString& ip,
          const std::optional<Console::StaticAddress>& address) {
    ChangeSender sender(global, credentials, ip, Console::kIpConfigPage);
    const Console::UnitAddress unit{ip, global.network.devicePort};
    if (!address) {
        sender.console().automatic = true;
        return sender.finish(sender.send(Console::automaticAddressChange(unit), true));
    }
    sender.console().address = address->ip;
    return sender.finish(sender.send(Console::staticAddressChange(unit, *address), true));
}

int runSetIp(const Invocation& call) {
    const QString ip = call.arguments.text("IP");
    const QStringList settings = call.arguments.texts("SETTINGS");
    if (call.arguments.text("MODE") == QLatin1String("dhcp")) {
        if (!settings.isEmpty())
            return usageError(QStringLiteral("set-ip IP dhcp takes nothing more"), call.global.json);
        return setIp(call.global, call.credentials, ip, std::nullopt);
    }
    if (settings.size() != 5)
        return usageError(QStringLiteral("set-ip IP static needs ADDRESS MASK GATEWAY DNS1 DNS2"), call.global.json);
    const char* const captions[] = {"IP Address", "Subnet Mask", "Gateway", "Primary DNS"};
    for (int i = 0; i < 4; ++i) {
        if (const auto refusal = Console::tooLong(settings[i], Console::kAddressLength, captions[i], "IP Information"))
            return refuse(call.global, ip, *refusal);
    }
    return setIp(call.global, call.credentials, ip,
                 Console::StaticAddress{settings[0], settings[1], settings[2], settings[3], settings[4]});
}

std::vector<std::string> listedTimeServers() {
    std::vector<std::string> servers;
    for (const QString& server : Console::timeServers())
        servers.push_back(server.toStdString());
    return servers;
}

const std::vector<Command>& table() {
    using Kind = Argument::Kind;
    static const std::vector<Command> commands = {
        {"status",
         "Print every value of the console's Status page",
         {unitAddress()},
         Command::NeedsCredentials,
         runStatus},
        {"set-identity",
         "Change the unit's host and group name",
         {unitAddress(), {"HOST", "Host name", Kind::Text, true}, {"GROUP", "Group name", Kind::Text, true}},
         Command::NeedsCredentials,
         runSetIdentity},
        {"set-admin-password",
         "Change the administrator password of the web interface",
         {unitAddress(),
          {"NEW", "The new password. Left out with VERIFY, both are asked for without echo on a terminal, or "
                  "read from standard input, one line each"},
          {"VERIFY", "The new password again"}},
         Command::NeedsCredentials,
         runSetAdminPassword},
        {"set-time",
         "Change the date, time, time server and zone; what is not given keeps the unit's current value",
         {unitAddress(),
          {"--date", "Date as Y/M/D"},
          {"--time", "Time as H:M:S"},
          Argument("--sntp", "Time service on or off").oneOf({"on", "off"}),
          Argument("--server", "One of the time servers the window lists")
              .offering(listedTimeServers())
              .notWith("--manual-server"),
          {"--manual-server", "A time server of your own"},
          Argument("--zone", "Time zone in hours from GMT", Kind::Integer).between(-12, 12)},
         Command::NeedsCredentials,
         runSetTime},
        {"set-dhcp-server",
         "Switch the unit's DHCP server on or off",
         {unitAddress(), Argument("STATE", "on or off", Kind::Text, true).oneOf({"on", "off"})},
         Command::NeedsCredentials,
         runSetDhcpServer},
        {"set-language",
         "Choose the unit's language by its index in the list",
         {unitAddress(), {"INDEX", "Index in the unit's language list", Kind::Integer, true}},
         Command::NeedsCredentials,
         runSetLanguage},
        {"ip-config", "Print the console's IP Config page", {unitAddress()}, Command::NeedsCredentials, runIpConfig},
        {"set-ip",
         "Automatic addressing (dhcp), or static settings (static ADDRESS MASK GATEWAY DNS1 DNS2)",
         {unitAddress(),
          Argument("MODE", "dhcp or static", Kind::Text, true).oneOf({"dhcp", "static"}),
          {"SETTINGS", "ADDRESS MASK GATEWAY DNS1 DNS2 for static", Kind::Texts}},
         Command::NeedsCredentials,
         runSetIp},
    };
    return commands;
}

} // namespace

std::span<const Command> consoleCommands() {
    return table();
}

} // namespace Cli
