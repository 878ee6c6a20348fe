#pragma once

#include "cli_options.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Cli {

// Who the requests are made as: -u/--user and -p/--password (or ZUREDOR_PASSWORD).
struct Credentials {
    QString user = QStringLiteral("admin");
    QString password;
};

// One argument of a command: a positional (a name in capitals, such as "IP")
// or an option ("--date"). The dispatcher checks what it can before the run.
struct Argument {
    // Name: an item of the unit's lists, as bytes; never empty.
    enum class Kind { Text, Texts, Integer, Decimal, Flag, Unit, Name };

    Argument(std::string argumentName, std::string argumentHelp, Kind argumentKind = Kind::Text,
             bool isRequired = false)
        : name(std::move(argumentName)), help(std::move(argumentHelp)), kind(argumentKind), required(isRequired) {}
    Argument& oneOf(std::vector<std::string> values) {
        choices = std::move(values);
        return *this;
    }
    // Values the help and the completion offer; the command itself judges what is given.
    Argument& offering(std::vector<std::string> values) {
        offered = std::move(values);
        return *this;
    }
    Argument& between(double low, double high) {
        range = std::pair(low, high);
        return *this;
    }
    Argument& notWith(std::string option) {
        excludes = std::move(option);
        return *this;
    }

    std::string name;
    std::string help;
    Kind kind;
    bool required;
    std::vector<std::string> choices;               // the only values allowed, when given
    std::vector<std::string> offered;               // values suggested, not enforced
    std::optional<std::pair<double, double>> range; // for numbers
    std::string excludes;                           // another option that may not come with this one
};

// The unit a command talks to: a dotted IPv4 address, or a unit's host name that
// the dispatcher finds by a scan before the run (cli/unit_name.h); never a name
// to look up in DNS.
Argument unitAddress();

// What a command found on its command line, by argument name; only what was given.
class Arguments {
public:
    bool has(const std::string& name) const { return m_values.count(name) > 0; }
    QString text(const std::string& name) const;
    // The argument's bytes as the command line gave them, whatever their encoding.
    QByteArray bytes(const std::string& name) const;
    QStringList texts(const std::string& name) const;
    std::optional<QString> optionalText(const std::string& name) const;
    int integer(const std::string& name) const;
    std::optional<int> optionalInteger(const std::string& name) const;
    double decimal(const std::string& name, double fallback) const;

    void set(const std::string& name, std::vector<std::string> values) { m_values[name] = std::move(values); }

private:
    std::map<std::string, std::vector<std::string>> m_values;
};

struct Invocation {
    const GlobalOptions& global;
    const Credentials& credentials; // asked for only when the command needs them
    const Arguments& arguments;
};

// A row of the command table. The dispatcher reads the rows to build the
// command line, its help and its checks, prepares what a row needs, and runs it.
struct Command {
    // NeedsCredentialsWithUnit: only when the unit argument is given.
    enum Needs : unsigned { NothingMore = 0, NeedsCredentials = 1, NeedsCredentialsWithUnit = 2 };

    const char* name;
    const char* help;
    std::vector<Argument> arguments;
    unsigned needs;
    int (*run)(const Invocation&);
};

// The commands of each group, in the order help lists them.
std::span<const Command> scanCommands();
std::span<const Command> deviceCommands();
std::span<const Command> consoleCommands();
std::span<const Command> mountCommands();
// The Maintenance page: `firmware`, `reboot`, `factory-reset`.
std::span<const Command> maintenanceCommands();
// `doctor`: why units are not found or a share will not mount.
std::span<const Command> doctorCommands();
// The SMB Server page: `smb list`, `smb publish`...
std::span<const Command> smbCommands();
// The FTP Server page and its accounts: `ftp show`, `ftp add-account`...
std::span<const Command> ftpCommands();
// The Disk Utility page: `disk show`, `disk scan`...
std::span<const Command> diskCommands();

// Remembered drives: `drives reconnect`, `drives forget`; `drives` alone lists them.
std::span<const Command> drivesCommands();
const Command& drivesListCommand();

// The commands of one console page, or of remembered drives, under a word of
// their own: `smb ...`, `ftp ...`, `drives ...`.
struct CommandGroup {
    const char* name;
    const char* help;
    std::span<const Command> (*commands)();
    // What the word alone runs; without it the word needs one of its commands.
    const Command& (*alone)() = nullptr;
};
std::span<const CommandGroup> pageGroups();

// Prints "zuredor-cli: words" on standard error, and with --json the failure
// object (result "usage") on standard output; the exit status for a wrong argument.
int usageError(const QString& words, bool json);

} // namespace Cli
