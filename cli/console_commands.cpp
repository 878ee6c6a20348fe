#include "console_commands.h"

#include "terminal_text.h"

#include "app/localize.h"
#include "console/page_tabs.h"
#include "console/status_actions.h"
#include "console/status_page.h"
#include "login/login_check.h"
#include "web/page_fetch.h"
#include "web/send_cgi.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <CLI/CLI.hpp>

#include <cstdio>

namespace Cli {

namespace {

void usage(const QString& words) {
    std::fprintf(stderr, "zuredor-cli: %s\n", qPrintable(words));
}

// The console as SendCgi sees it from a terminal: boxes become words, there is
// no tab to read again and no scan to start.
class TerminalConsole final : public Web::SendCgiHost {
public:
    TerminalConsole(bool json, int tab) : m_printer(json), m_tab(tab) {}

    void showMessage(const App::Refusal& box) override { m_printer.showMessage(box); }
    void showTab(int) override {}
    int activePageIndex() override { return m_tab; }
    QString administratorPassword() override { return newPassword; }
    bool automaticAddressChecked() override { return automatic; }
    QString ipAddressField() override { return newAddress; }
    void returnToScan() override {}
    void setConnectFailedFlag() override { unreachable = true; }

    PrintingHost& printer() { return m_printer; }

    QString newPassword;
    QString newAddress;
    bool automatic = false;
    bool unreachable = false;

private:
    PrintingHost m_printer;
    int m_tab;
};

// Sends a change as the console would and turns what came of it into an exit status.
class ChangeSender final {
public:
    ChangeSender(const GlobalOptions& global, const Credentials& credentials, const QString& ip, int tab)
        : m_global(global), m_settings(Web::settingsFor(global.network)), m_device(contextFor(credentials, ip)),
          m_client(m_settings), m_console(global.json, tab), m_sender(m_client, m_device, m_console, m_settings) {}

    TerminalConsole& console() { return m_console; }

    int send(const Console::CgiChange& change, bool repeated) {
        const Web::SendCgiResult result = repeated ? m_sender.SendRepeated(change.url, change.page, tab())
                                                   : m_sender.SendCgi(change.url, change.page, tab());
        return judge(result, change.page);
    }

    // The notice some changes end with, whatever came of them.
    void say(const App::Refusal& box) { m_console.showMessage(box); }

    int finish(int exitCode) {
        if (exitCode == kExitDone)
            m_console.printer().say(QStringLiteral("OK"));
        if (!m_global.json)
            return exitCode;
        if (exitCode == kExitDone)
            writeJson({{QStringLiteral("ip"), m_device.ip},
                       {QStringLiteral("result"), QString::fromLatin1(resultWord(exitCode))}});
        else
            writeFailure(m_device.ip, exitCode, m_console.printer().lastWords());
        return exitCode;
    }

private:
    int tab() { return m_console.activePageIndex(); }

    int judge(Web::SendCgiResult result, const QString& page) {
        if (result == Web::SendCgiResult::Unreachable || m_console.unreachable)
            return kExitUnreachable;
        // A redirect shows the unit took the request; after a password change the
        // page it leads to may well answer 401 to the old credentials.
        if (m_client.lastStatus() == 401 && m_client.followedLocations().isEmpty()) {
            if (const auto refusal = Login::LoginRefusal(Login::CheckResult::Refused))
                m_console.showMessage(*refusal);
            return kExitCredentials;
        }
        if (m_sender.unitRefused() || result == Web::SendCgiResult::Refused) {
            // SendCgi has its own words for a refused password or address.
            if (page != QLatin1String("sys_auth.htm") && page != Console::addressChangePage())
                m_console.showMessage({QStringLiteral("The unit did not accept the setting"), QStringLiteral("Action"),
                                       App::Icon::Information});
            return kExitRefused;
        }
        // The unit may leave its old address before it answers an address change.
        // Otherwise SendCgi has said what went wrong; here it becomes the exit status.
        if (page == Console::addressChangePage())
            return kExitDone;
        switch (m_sender.lastOutcome()) {
        case Web::ChangeOutcome::NoAnswer:
            return kExitUnreachable;
        case Web::ChangeOutcome::Unconfirmed:
            return kExitRefused;
        case Web::ChangeOutcome::Taken:
        case Web::ChangeOutcome::Refused:
            break;
        }
        return kExitDone;
    }

    const GlobalOptions& m_global;
    Web::Settings m_settings;
    Web::DeviceContext m_device;
    Web::HttpClient m_client;
    TerminalConsole m_console;
    Web::CgiSender m_sender;
};

int refuse(const GlobalOptions& global, const QString& ip, const App::Refusal& refusal) {
    PrintingHost host(global.json);
    host.showMessage(refusal);
    if (global.json)
        writeFailure(ip, kExitRefused, host.lastWords());
    return kExitRefused;
}

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

} // namespace

int runStatus(const GlobalOptions& global, const Credentials& credentials, const QString& ip) {
    const StatusRead read = readStatus(global, credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    const Console::StatusView& v = read.view;
    const QString date = v.year + QLatin1Char('/') + v.month + QLatin1Char('/') + v.day;
    const QString time = v.hour + QLatin1Char(':') + v.minute + QLatin1Char(':') + v.second;
    const QString zoneName = Console::timeZoneNames().value(v.zoneIndex);
    const QString language = v.languages.value(v.languageIndex);
    if (global.json) {
        writeJson({
            {QStringLiteral("ip"), ip},
            {QStringLiteral("hostName"), v.hostName},
            {QStringLiteral("groupName"), v.groupName},
            {QStringLiteral("administrator"), credentials.user},
            {QStringLiteral("currentTime"), v.currentTime},
            {QStringLiteral("date"), date},
            {QStringLiteral("time"), time},
            {QStringLiteral("sntp"), v.sntpAuto},
            {QStringLiteral("timeServerMode"), v.serverFromList ? QStringLiteral("list") : QStringLiteral("manual")},
            {QStringLiteral("timeServer"), shownServer(v)},
            {QStringLiteral("zone"), v.zoneIndex - 12},
            {QStringLiteral("zoneName"), zoneName},
            {QStringLiteral("ipAddress"), v.ipAddress},
            {QStringLiteral("dhcpServer"), v.dhcpServer},
            {QStringLiteral("diskId"), v.diskId},
            {QStringLiteral("firmwareVersion"), v.firmware},
            {QStringLiteral("freeSize"), v.freeSize},
            {QStringLiteral("totalSize"), v.totalSize},
            {QStringLiteral("languages"), QJsonArray::fromStringList(v.languages)},
            {QStringLiteral("language"), v.languageIndex},
            {QStringLiteral("languageName"), language},
        });
        return kExitDone;
    }
    const QString on = QStringLiteral("Enable");
    const QString off = QStringLiteral("Disable");
    const QList<std::pair<const char*, QString>> lines{
        {"Host Name", v.hostName},
        {"Group Name", v.groupName},
        {"Administrator", credentials.user},
        {"Current Time", v.currentTime},
        {"Date and Time", date + QStringLiteral(" - ") + time},
        {"SNTP", v.sntpAuto ? QStringLiteral("Auto") : off},
        {"Time Server", shownServer(v) + (v.serverFromList ? QStringLiteral(" (list)") : QStringLiteral(" (manual)"))},
        {"Time Zone", zoneText(v.zoneIndex) + QLatin1Char(' ') + zoneName},
        {"IP Address", v.ipAddress},
        {"DHCP Server", v.dhcpServer ? on : off},
        {"Disk ID", v.diskId},
        {"Firmware Version", v.firmware},
        {"Free Size", v.freeSize},
        {"Total Size", v.totalSize},
        {"Language", v.languageIndex < 0 ? QStringLiteral("-1 (none)")
                                         : QString::number(v.languageIndex) + QLatin1Char(' ') + language},
        {"Languages", v.languages.join(QStringLiteral(", "))},
    };
    QByteArray out;
    for (const auto& [label, value] : lines)
        out += QByteArray(label) + ": " + terminalSafe(value.toUtf8()) + '\n';
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
    return kExitDone;
}

int runSetIdentity(const GlobalOptions& global, const Credentials& credentials, const QString& ip, const QString& host,
                   const QString& group) {
    const Console::Checked checked = Console::identificationChange({ip, global.network.devicePort}, host, group);
    if (const App::Refusal* refusal = Console::refusalOf(checked))
        return refuse(global, ip, *refusal);
    ChangeSender sender(global, credentials, ip, Console::kStatusPage);
    return sender.finish(sender.send(*Console::changeOf(checked), false));
}

int runSetAdminPassword(const GlobalOptions& global, const Credentials& credentials, const QString& ip,
                        const QString& password, const QString& verify) {
    const Console::Checked checked = Console::administratorChange({ip, global.network.devicePort}, password, verify);
    if (const App::Refusal* refusal = Console::refusalOf(checked))
        return refuse(global, ip, *refusal);
    ChangeSender sender(global, credentials, ip, Console::kStatusPage);
    sender.console().newPassword = password;
    return sender.finish(sender.send(*Console::changeOf(checked), false));
}

int runSetTime(const GlobalOptions& global, const Credentials& credentials, const QString& ip,
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
    if (const App::Refusal* refusal = Console::refusalOf(checked))
        return refuse(global, ip, *refusal);
    ChangeSender sender(global, credentials, ip, Console::kStatusPage);
    return sender.finish(sender.send(*Console::changeOf(checked), false));
}

int runSetDhcpServer(const GlobalOptions& global, const Credentials& credentials, const QString& ip, bool enable) {
    ChangeSender sender(global, credentials, ip, Console::kStatusPage);
    return sender.finish(sender.send(Console::dhcpServerChange({ip, global.network.devicePort}, enable), true));
}

int runSetLanguage(const GlobalOptions& global, const Credentials& credentials, const QString& ip, int index) {
    ChangeSender sender(global, credentials, ip, Console::kStatusPage);
    const int exitCode = sender.send(Console::languageChange({ip, global.network.devicePort}, index), true);
    sender.say(Console::languageRestartNotice());
    return sender.finish(exitCode);
}

int runIpConfig(const GlobalOptions& global, const Credentials& credentials, const QString& ip) {
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
    if (global.json) {
        writeJson({{QStringLiteral("ip"), ip},
                   {QStringLiteral("automatic"), v.automatic},
                   {QStringLiteral("address"), v.address.ip},
                   {QStringLiteral("subnetMask"), v.address.mask},
                   {QStringLiteral("gateway"), v.address.gateway},
                   {QStringLiteral("primaryDns"), v.address.primaryDns},
                   {QStringLiteral("secondaryDns"), v.address.secondaryDns}});
        return kExitDone;
    }
    const auto shown = [](const QString& value) { return terminalSafe(value.toUtf8()); };
    const QByteArray out = "IP Option: " + QByteArray(v.automatic ? "Automatic IP" : "Static IP") +
                           "\nIP Address: " + shown(v.address.ip) + "\nSubnet Mask: " + shown(v.address.mask) +
                           "\nGateway: " + shown(v.address.gateway) + "\nPrimary DNS: " + shown(v.address.primaryDns) +
                           "\nSecondary DNS: " + shown(v.address.secondaryDns) + '\n';
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
    return kExitDone;
}

int runSetIp(const GlobalOptions& global, const Credentials& credentials, const QString& ip,
             const std::optional<Console::StaticAddress>& address) {
    ChangeSender sender(global, credentials, ip, Console::kIpConfigPage);
    const Console::UnitAddress unit{ip, global.network.devicePort};
    if (!address) {
        sender.console().automatic = true;
        return sender.finish(sender.send(Console::automaticAddressChange(unit), true));
    }
    sender.console().newAddress = address->ip;
    return sender.finish(sender.send(Console::staticAddressChange(unit, *address), true));
}

ConsoleCommands::ConsoleCommands(CLI::App& cli) {
    const auto withIp = [this](CLI::App* command) {
        command->add_option("IP", m_ip, "The unit's address")->required();
        command->footer("Global options (zuredor-cli --help) may also follow the command.");
        return command;
    };
    m_status = withIp(cli.add_subcommand("status", "Print every value of the console's Status page"));
    m_setIdentity = withIp(cli.add_subcommand("set-identity", "Change the unit's host and group name"));
    m_setIdentity->add_option("HOST", m_first, "Host name")->required();
    m_setIdentity->add_option("GROUP", m_second, "Group name")->required();
    m_setAdminPassword =
        withIp(cli.add_subcommand("set-admin-password", "Change the administrator password of the web interface"));
    m_setAdminPassword->add_option("NEW", m_first, "The new password")->required();
    m_setAdminPassword->add_option("VERIFY", m_second, "The new password again")->required();

    m_setTime = withIp(cli.add_subcommand("set-time", "Change the date, time, time server and zone; "
                                                      "what is not given keeps the unit's current value"));
    m_setTime->add_option("--date", m_date, "Date as Y/M/D");
    m_setTime->add_option("--time", m_time, "Time as H:M:S");
    m_setTime->add_option("--sntp", m_sntp, "Time service on or off")->check(CLI::IsMember({"on", "off"}));
    QString servers;
    for (const QString& server : Console::timeServers())
        servers += (servers.isEmpty() ? QString() : QStringLiteral(", ")) + server;
    auto* server = m_setTime->add_option("--server", m_server, "A listed time server: " + servers.toStdString());
    auto* manual = m_setTime->add_option("--manual-server", m_manualServer, "A time server of your own");
    server->excludes(manual);
    m_setTime->add_option("--zone", m_zone, "Time zone in hours from GMT")->check(CLI::Range(-12, 12));

    m_setDhcpServer = withIp(cli.add_subcommand("set-dhcp-server", "Switch the unit's DHCP server on or off"));
    m_setDhcpServer->add_option("STATE", m_onOff, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    m_setLanguage = withIp(cli.add_subcommand("set-language", "Choose the unit's language by its index in the list"));
    m_setLanguage->add_option("INDEX", m_index, "Index in the unit's language list")->required();
    m_ipConfig = withIp(cli.add_subcommand("ip-config", "Print the console's IP Config page"));
    m_setIp = withIp(cli.add_subcommand("set-ip", "Automatic addressing (dhcp), or static settings "
                                                  "(static ADDRESS MASK GATEWAY DNS1 DNS2)"));
    m_setIp->add_option("MODE", m_mode, "dhcp or static")->required()->check(CLI::IsMember({"dhcp", "static"}));
    m_setIp->add_option("SETTINGS", m_addresses, "ADDRESS MASK GATEWAY DNS1 DNS2 for static");
}

bool ConsoleCommands::chosen() const {
    for (const CLI::App* command :
         {m_status, m_setIdentity, m_setAdminPassword, m_setTime, m_setDhcpServer, m_setLanguage, m_ipConfig, m_setIp})
        if (command->parsed())
            return true;
    return false;
}

int ConsoleCommands::run(const GlobalOptions& global, const Credentials& credentials) {
    const QString ip = QString::fromStdString(m_ip);
    const auto text = [](const std::string& s) { return QString::fromStdString(s); };
    if (m_status->parsed())
        return runStatus(global, credentials, ip);
    if (m_setIdentity->parsed())
        return runSetIdentity(global, credentials, ip, text(m_first), text(m_second));
    if (m_setAdminPassword->parsed())
        return runSetAdminPassword(global, credentials, ip, text(m_first), text(m_second));
    if (m_setTime->parsed()) {
        TimeOptions options;
        if (m_date) {
            if (std::count(m_date->begin(), m_date->end(), '/') != 2) {
                usage(QStringLiteral("--date needs Y/M/D"));
                return kExitUsage;
            }
            options.date = text(*m_date);
        }
        if (m_time) {
            if (std::count(m_time->begin(), m_time->end(), ':') != 2) {
                usage(QStringLiteral("--time needs H:M:S"));
                return kExitUsage;
            }
            options.time = text(*m_time);
        }
        if (m_sntp)
            options.sntp = *m_sntp == "on";
        if (m_server)
            options.server = text(*m_server);
        if (m_manualServer)
            options.manualServer = text(*m_manualServer);
        options.zone = m_zone;
        return runSetTime(global, credentials, ip, options);
    }
    if (m_setDhcpServer->parsed())
        return runSetDhcpServer(global, credentials, ip, m_onOff == "on");
    if (m_setLanguage->parsed())
        return runSetLanguage(global, credentials, ip, m_index);
    if (m_ipConfig->parsed())
        return runIpConfig(global, credentials, ip);
    if (m_setIp->parsed()) {
        if (m_mode == "dhcp") {
            if (!m_addresses.empty()) {
                usage(QStringLiteral("set-ip IP dhcp takes nothing more"));
                return kExitUsage;
            }
            return runSetIp(global, credentials, ip, std::nullopt);
        }
        if (m_addresses.size() != 5) {
            usage(QStringLiteral("set-ip IP static needs ADDRESS MASK GATEWAY DNS1 DNS2"));
            return kExitUsage;
        }
        return runSetIp(global, credentials, ip,
                        Console::StaticAddress{text(m_addresses[0]), text(m_addresses[1]), text(m_addresses[2]),
                                               text(m_addresses[3]), text(m_addresses[4])});
    }
    return kExitUsage;
}

} // namespace Cli
