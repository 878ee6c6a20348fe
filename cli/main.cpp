#include "cli_options.h"
#include "console_commands.h"
#include "device_commands.h"
#include "mount_command.h"
#include "scan_command.h"

#include <QCoreApplication>

#include <CLI/CLI.hpp>

#include <cmath>
#include <optional>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuredor-cli"));

    Cli::GlobalOptions global;
    std::string broadcast = global.network.broadcast.toStdString();
    int discoveryPort = global.network.discoveryPort;
    int devicePort = global.network.devicePort;

    CLI::App cli{"Finds and manages Zur Edor units from a terminal."};
    cli.name("zuredor-cli");
    cli.require_subcommand(1);
    // Global options are taken before or after the command's name.
    cli.fallthrough();
    cli.add_option("--broadcast", broadcast, "Address the discovery query goes to")
        ->envname("ZUREDOR_BROADCAST")
        ->check(CLI::ValidIPV4);
    cli.add_option("--discovery-port", discoveryPort, "UDP port of discovery")
        ->envname("ZUREDOR_DISCOVERY_PORT")
        ->check(CLI::Range(1, 65535));
    cli.add_option("--device-port", devicePort, "TCP port of the units' web server")
        ->envname("ZUREDOR_DEVICE_PORT")
        ->check(CLI::Range(1, 65535));
    cli.add_flag("--json", global.json, "Print JSON on standard output; words go to standard error");
    std::string user = "admin";
    std::optional<std::string> password;
    cli.add_option("-u,--user", user, "User name for the unit's web interface (default admin)");
    cli.add_option("-p,--password", password,
                   "Password for the unit's web interface. Other users of this machine can read it in the "
                   "process list: prefer ZUREDOR_PASSWORD, or leave both out to be asked for it without echo "
                   "when standard input is a terminal")
        ->envname("ZUREDOR_PASSWORD");

    double waitSeconds = 3.0;
    CLI::App* scan = cli.add_subcommand("scan", "Ask the units on the network to name themselves and list them");
    scan->add_option("--wait", waitSeconds, "Seconds to collect replies, fractions allowed (default 3)")
        ->check(CLI::Range(0.0, 86400.0));
    scan->footer("Global options (zuredor-cli --help) may also follow the command.");

    std::string ip;
    CLI::App* login =
        cli.add_subcommand("login", "Check the user name and password with a unit, as the device login does");
    login->add_option("IP", ip, "The unit's address")->required();
    CLI::App* page = cli.add_subcommand("page", "Print the unit's utility page from \"<HTML>\" on");
    page->add_option("IP", ip, "The unit's address")->required();
    std::vector<std::string> names;
    CLI::App* get = cli.add_subcommand("get", "Print page values, one line per name, empty where the page has none");
    get->add_option("IP", ip, "The unit's address")->required();
    get->add_option("NAME", names, "Page variable names, such as host_name")->required();
    const Cli::MountCommand mount(cli);
    Cli::ConsoleCommands console(cli);
    for (CLI::App* command : {login, page, get})
        command->footer("Global options (zuredor-cli --help) may also follow the command.");

    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = cli.exit(e);
        return status == 0 ? Cli::kExitDone : Cli::kExitUsage;
    }

    global.network.broadcast = QString::fromStdString(broadcast);
    global.network.discoveryPort = static_cast<quint16>(discoveryPort);
    global.network.devicePort = static_cast<quint16>(devicePort);

    if (mount.parsed())
        return mount.run(global);
    if (console.chosen())
        return console.run(
            global, {QString::fromStdString(user), password ? QString::fromStdString(*password) : Cli::askPassword()});
    if (login->parsed() || page->parsed() || get->parsed()) {
        Cli::Credentials credentials;
        credentials.user = QString::fromStdString(user);
        credentials.password = password ? QString::fromStdString(*password) : Cli::askPassword();
        const QString address = QString::fromStdString(ip);
        if (login->parsed())
            return Cli::runLogin(global, credentials, address);
        if (page->parsed())
            return Cli::runPage(global, credentials, address);
        QStringList keys;
        for (const auto& name : names)
            keys << QString::fromStdString(name);
        return Cli::runGet(global, credentials, address, keys);
    }
    if (scan->parsed()) {
        Cli::ScanOptions options;
        options.wait = std::chrono::milliseconds(std::llround(waitSeconds * 1000.0));
        return Cli::runScan(global, options);
    }
    return Cli::kExitUsage;
}
