#include "cli_options.h"
#include "command.h"
#include "device_commands.h"
#include "unit_name.h"

#include "base/build_info.h"

#include <QCoreApplication>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <list>
#include <optional>
#include <set>
#include <variant>

namespace {

const char* const kFooter = "Global options (zuredor-cli --help) may also follow the command.";

// A command on the command line: its row and where CLI11 puts what it reads.
struct Registered {
    const Cli::Command* row;
    CLI::App* app;
    std::map<std::string, std::vector<std::string>> values;
    std::map<std::string, CLI::Option*> options;
};

CLI::Option* addArgument(Registered& command, const Cli::Argument& argument) {
    std::vector<std::string>& storage = command.values[argument.name];
    CLI::Option* option = nullptr;
    if (argument.kind == Cli::Argument::Kind::Flag) {
        option = command.app->add_flag_callback(
            argument.name, [&storage] { storage = {"1"}; }, argument.help);
        return option;
    }
    option = command.app->add_option(argument.name, storage, argument.help);
    if (argument.kind != Cli::Argument::Kind::Texts)
        option->expected(1)->allow_extra_args(false);
    if (argument.required)
        option->required();
    if (argument.kind == Cli::Argument::Kind::Unit) {
        option->type_name("IP|NAME");
        option->check(CLI::Validator(
            [](std::string& value) {
                const auto refusal = Cli::unitArgumentRefusal(QString::fromStdString(value));
                return refusal ? refusal->toStdString() : std::string();
            },
            std::string()));
    }
    if (argument.kind == Cli::Argument::Kind::Name)
        option->check(CLI::Validator(
            [](std::string& value) {
                return value.empty() ? std::string("an empty name names nothing") : std::string();
            },
            std::string()));
    if (!argument.choices.empty())
        option->check(CLI::IsMember(argument.choices));
    // Written as CLI11 writes choices, so that the completion offers them too.
    if (!argument.offered.empty())
        option->type_name("TEXT:{" + CLI::detail::join(argument.offered, ",") + "}");
    const bool integer = argument.kind == Cli::Argument::Kind::Integer;
    if (integer || argument.kind == Cli::Argument::Kind::Decimal) {
        // The value is kept as text; the check is that it reads as the number asked for.
        option->type_name(integer ? "INT" : "FLOAT");
        option->check(CLI::Validator(
            [integer](std::string& value) {
                int whole = 0;
                double number = 0;
                const bool ok =
                    integer ? CLI::detail::lexical_cast(value, whole) : CLI::detail::lexical_cast(value, number);
                return ok ? std::string() : "Value " + value + " is not a number";
            },
            std::string()));
    }
    if (argument.range) {
        if (integer)
            option->check(
                CLI::Range(static_cast<int>(argument.range->first), static_cast<int>(argument.range->second)));
        else
            option->check(CLI::Range(argument.range->first, argument.range->second));
    }
    return option;
}

// Edit distance, for the command a mistyped word was meant to be.
std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

bool isTopLevel(const Registered& command) {
    return command.app->get_parent() != nullptr && command.app->get_parent()->get_parent() == nullptr;
}

bool takesValue(const std::string& globalOption) {
    static const std::set<std::string> withValue{"--broadcast", "--discovery-port", "--device-port", "-u", "--user",
                                                 "-p",          "--password"};
    return withValue.count(globalOption) > 0;
}

// Whether --json is on a command line that did not parse: its failure is then JSON too.
bool jsonAsked(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--")
            return false;
        if (word == "--json")
            return true;
        if (takesValue(word))
            ++i;
    }
    return false;
}

// The first word of the command line that names no command, skipping the values of global options.
std::optional<std::string> unknownCommand(int argc, char* argv[], const std::list<Registered>& commands) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.starts_with('-')) {
            if (takesValue(word))
                ++i;
            continue;
        }
        for (const Cli::CommandGroup& group : Cli::pageGroups()) {
            if (word == group.name)
                return std::nullopt;
        }
        for (const Registered& command : commands) {
            if (isTopLevel(command) && word == command.row->name)
                return std::nullopt;
        }
        return word;
    }
    return std::nullopt;
}

int mistyped(const std::string& word, const std::list<Registered>& commands, bool json) {
    std::string nearest;
    std::size_t best = 0;
    for (const Registered& command : commands) {
        if (!isTopLevel(command))
            continue;
        const std::size_t d = distance(word, command.row->name);
        if (nearest.empty() || d < best) {
            nearest = command.row->name;
            best = d;
        }
    }
    QString words = QStringLiteral("'%1' is not a command").arg(QString::fromStdString(word));
    if (best <= std::max<std::size_t>(2, word.size() / 3))
        words += QStringLiteral("; did you mean '%1'?").arg(QString::fromStdString(nearest));
    words += QStringLiteral(" (zuredor-cli --help lists the commands)");
    return Cli::usageError(words, json);
}

Cli::Arguments argumentsOf(const Registered& command) {
    Cli::Arguments arguments;
    for (const auto& [name, option] : command.options) {
        if (option->count() > 0)
            arguments.set(name, command.values.at(name));
    }
    return arguments;
}

// A unit named by its host name becomes its address; the exit status of a name that names no one unit.
int findNamedUnits(const Registered& command, const Cli::GlobalOptions& global, Cli::Arguments& arguments) {
    for (const Cli::Argument& argument : command.row->arguments) {
        if (argument.kind != Cli::Argument::Kind::Unit || !arguments.has(argument.name))
            continue;
        const QString given = arguments.text(argument.name);
        if (Base::isDottedIpv4(given))
            continue;
        const Cli::FoundUnit found = Cli::findUnitNamed(given, global);
        if (found.exitCode != Cli::kExitDone)
            return found.exitCode;
        arguments.set(argument.name, {found.ip.toStdString()});
    }
    return Cli::kExitDone;
}

// --broadcast and ZUREDOR_BROADCAST: dotted IPv4 addresses separated by commas.
CLI::Validator addressList() {
    return CLI::Validator(
        [](std::string& value) {
            const auto parsed = Base::parseAddressList(QString::fromStdString(value), QStringLiteral("address list"));
            const auto* refusal = std::get_if<QString>(&parsed);
            return refusal ? refusal->toStdString() : std::string();
        },
        "ADDR[,ADDR...]");
}

} // namespace

int main(int argc, char* argv[]) { // NOLINT(bugprone-exception-escape): only a bug or no memory; abort keeps its stack
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuredor-cli"));

    Cli::GlobalOptions global;
    std::optional<std::string> broadcast;
    int discoveryPort = global.network.discoveryPort;
    int devicePort = global.network.devicePort;

    CLI::App cli{"Finds and manages Zur Edor units from a terminal."};
    cli.name("zuredor-cli");
    cli.require_subcommand(1);
    // Global options are taken before or after the command's name.
    cli.fallthrough();
    cli.add_option("--broadcast", broadcast,
                   "Where the discovery query goes: dotted IPv4 addresses separated by commas, each a network's "
                   "broadcast address or a unit's own address (for units beyond a router or VPN). Default: "
                   "255.255.255.255 and the broadcast address of every network interface")
        ->envname("ZUREDOR_BROADCAST")
        ->check(addressList());
    cli.add_option("--discovery-port", discoveryPort, "UDP port of discovery")
        ->envname("ZUREDOR_DISCOVERY_PORT")
        ->check(CLI::Range(1, 65535));
    cli.add_option("--device-port", devicePort, "TCP port of the units' web server")
        ->envname("ZUREDOR_DEVICE_PORT")
        ->check(CLI::Range(1, 65535));
    cli.set_version_flag("--version", Base::versionLine(QStringLiteral("zuredor-cli")).toStdString());
    cli.add_flag("--json", global.json, "Print JSON on standard output; words go to standard error");
    std::string user = "admin";
    std::optional<std::string> password;
    cli.add_option("-u,--user", user, "User name for the unit's web interface (default admin)");
    cli.add_option("-p,--password", password,
                   "Password for the unit's web interface. Other users of this machine can read it in the "
                   "process list: prefer ZUREDOR_PASSWORD, or leave both out to be asked for it without echo "
                   "when standard input is a terminal")
        ->envname("ZUREDOR_PASSWORD");

    // The table makes the command line: one subcommand per row, with its own option values.
    std::list<Registered> commands;
    const auto add = [&commands](CLI::App* parent, std::span<const Cli::Command> rows) {
        for (const Cli::Command& row : rows) {
            Registered& command =
                commands.emplace_back(Registered{&row, parent->add_subcommand(row.name, row.help), {}, {}});
            command.app->footer(kFooter);
            for (const Cli::Argument& argument : row.arguments)
                command.options[argument.name] = addArgument(command, argument);
            for (const Cli::Argument& argument : row.arguments) {
                if (!argument.excludes.empty())
                    command.options.at(argument.name)->excludes(command.options.at(argument.excludes));
            }
        }
    };
    for (const auto group : {Cli::scanCommands(), Cli::deviceCommands(), Cli::mountCommands(), Cli::consoleCommands(),
                             Cli::maintenanceCommands(), Cli::doctorCommands()})
        add(&cli, group);
    for (const Cli::CommandGroup& group : Cli::pageGroups()) {
        CLI::App* page = cli.add_subcommand(group.name, group.help);
        page->require_subcommand(group.alone != nullptr ? 0 : 1, 1);
        page->fallthrough();
        if (group.alone != nullptr) {
            // The word alone is a command of its own, run when none of its commands follows.
            Registered& alone = commands.emplace_back(Registered{&group.alone(), page, {}, {}});
            for (const Cli::Argument& argument : alone.row->arguments)
                alone.options[argument.name] = addArgument(alone, argument);
        }
        add(page, group.commands());
    }

    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const bool json = global.json || jsonAsked(argc, argv);
        if (e.get_exit_code() != 0) {
            if (const auto word = unknownCommand(argc, argv, commands))
                return mistyped(*word, commands, json);
        }
        const int status = cli.exit(e);
        if (status == 0)
            return Cli::kExitDone;
        if (json)
            Cli::writeUsageFailure(QString::fromStdString(e.what()));
        return Cli::kExitUsage;
    }

    if (broadcast)
        global.network.broadcast =
            std::get<QStringList>(Base::parseAddressList(QString::fromStdString(*broadcast), QString()));
    global.network.discoveryPort = static_cast<quint16>(discoveryPort);
    global.network.devicePort = static_cast<quint16>(devicePort);

    for (const Registered& command : commands) {
        // A group's own row gives way to the command of the group that was given.
        if (!command.app->parsed() ||
            (command.row->name == command.app->get_name() && !command.app->get_subcommands().empty()))
            continue;
        // The unit is found before its password is asked for: a name that finds no one needs none.
        Cli::Arguments arguments = argumentsOf(command);
        if (const int status = findNamedUnits(command, global, arguments); status != Cli::kExitDone)
            return status;
        Cli::Credentials credentials;
        bool unitGiven = false;
        for (const Cli::Argument& argument : command.row->arguments)
            unitGiven = unitGiven || (argument.kind == Cli::Argument::Kind::Unit && arguments.has(argument.name));
        if ((command.row->needs & Cli::Command::NeedsCredentials) ||
            ((command.row->needs & Cli::Command::NeedsCredentialsWithUnit) && unitGiven)) {
            credentials.user = QString::fromStdString(user);
            credentials.password = password ? QString::fromStdString(*password) : Cli::askPassword();
        }
        return command.row->run({global, credentials, arguments});
    }
    return Cli::kExitUsage;
}
