#pragma once

namespace Sim {

// SIGINT and SIGTERM end the application's event loop, so the simulator
// closes its sockets and exits with status 0. Call once, after the application exists.
bool quitOnStopSignals();

} // namespace Sim
