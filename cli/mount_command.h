#pragma once

#include "cli_options.h"

#include "platform/network_drives.h"

#include <QString>

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace Cli {

struct MountArguments {
    QString ip;
    QString folder; // as the unit lists it: "0" is the public folder
    QString letter;
    QString sharePassword;
};

// `mount IP FOLDER LETTER [--share-password P]`: the mount dialog's Set, with its words.
class MountCommand final {
public:
    explicit MountCommand(CLI::App& app);
    bool parsed() const;
    int run(const GlobalOptions& global) const;

private:
    CLI::App* m_command = nullptr;
    std::string m_ip;
    std::string m_folder;
    std::string m_letter;
    std::optional<std::string> m_sharePassword;
};

// Exit 0 when connected, 1 when refused; the words go where PrintingHost puts them.
int runMount(const GlobalOptions& global, Platform::NetworkDrives& drives, const MountArguments& arguments);

} // namespace Cli
