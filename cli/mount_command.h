#pragma once

#include "cli_options.h"

#include "platform/network_drives.h"

#include <QString>

namespace Cli {

struct MountArguments {
    QString ip;
    QString folder; // as the unit lists it: "0" is the public folder
    QString letter;
    QString sharePassword;
    bool remember = false; // kept for `drives reconnect`
};

// Exit 0 when connected, 1 when refused; the words go where PrintingHost puts them.
int runMount(const GlobalOptions& global, Platform::NetworkDrives& drives, const MountArguments& arguments);

} // namespace Cli
