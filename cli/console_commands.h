#pragma once

#include "cli_options.h"
#include "device_commands.h"

#include "console/ip_config.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace Cli {

// What `set-time` changes; anything left out keeps the unit's current value.
struct TimeOptions {
    std::optional<QString> date;         // Y/M/D, as typed
    std::optional<QString> time;         // H:M:S, as typed
    std::optional<bool> sntp;            // time service on or off
    std::optional<QString> server;       // one of the listed time servers
    std::optional<QString> manualServer; // a server typed by hand
    std::optional<int> zone;             // hours, -12..12
};

// The Status and IP Config changes of the console, each with the window's
// checks, request and words. Exit 0 with "OK" when done, 1 on a refusal
// (a check, or the unit's failure page), 2 for refused credentials, 3 when
// the unit cannot be reached.
int runStatus(const GlobalOptions& global, const Credentials& credentials, const QString& ip);
int runSetIdentity(const GlobalOptions& global, const Credentials& credentials, const QString& ip, const QString& host,
                   const QString& group);
int runSetAdminPassword(const GlobalOptions& global, const Credentials& credentials, const QString& ip,
                        const QString& password, const QString& verify);
int runSetTime(const GlobalOptions& global, const Credentials& credentials, const QString& ip,
               const TimeOptions& options);
int runSetDhcpServer(const GlobalOptions& global, const Credentials& credentials, const QString& ip, bool enable);
int runSetLanguage(const GlobalOptions& global, const Credentials& credentials, const QString& ip, int index);
int runIpConfig(const GlobalOptions& global, const Credentials& credentials, const QString& ip);
// Automatic addressing when `address` is empty, else the static settings.
int runSetIp(const GlobalOptions& global, const Credentials& credentials, const QString& ip,
             const std::optional<Console::StaticAddress>& address);

// The commands above on the command line of zuredor-cli.
class ConsoleCommands final {
public:
    explicit ConsoleCommands(CLI::App& cli);

    // One of these commands was given.
    bool chosen() const;
    int run(const GlobalOptions& global, const Credentials& credentials);

private:
    CLI::App* m_status;
    CLI::App* m_setIdentity;
    CLI::App* m_setAdminPassword;
    CLI::App* m_setTime;
    CLI::App* m_setDhcpServer;
    CLI::App* m_setLanguage;
    CLI::App* m_ipConfig;
    CLI::App* m_setIp;

    std::string m_ip;
    std::string m_first;
    std::string m_second;
    std::string m_onOff;
    int m_index = 0;
    std::string m_mode;
    std::vector<std::string> m_addresses;
    std::optional<std::string> m_date;
    std::optional<std::string> m_time;
    std::optional<std::string> m_sntp;
    std::optional<std::string> m_server;
    std::optional<std::string> m_manualServer;
    std::optional<int> m_zone;
};

} // namespace Cli
