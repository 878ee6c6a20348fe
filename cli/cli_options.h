#pragma once

#include "base/network_settings.h"

namespace Cli {

// Exit statuses shared by every command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitCredentials = 2;
inline constexpr int kExitUnreachable = 3;
inline constexpr int kExitUsage = 64;

// Options every command accepts, before or after its name.
struct GlobalOptions {
    Base::NetworkSettings network;
    bool json = false;
};

} // namespace Cli
