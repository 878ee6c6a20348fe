#pragma once

#include "sim/web/unit_state.h"
#include "sim/web/unit_web_server.h"

#include <QHostAddress>

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace Sim {

// The web side's command-line options, as CLI11 fills them.
struct WebOptions {
    int devicePort = 80;
    std::string user = "admin";
    std::string password = "admin";
    std::string requestLog;
    int rebootMs = 15000;
    int diskScanStepMs = 10000;
    qint64 maxFirmwareBytes = ServerSettings{}.maxFirmwareBytes;
    int firmwareWriteMs = 0;

    bool keepAlive = false;
    int answerDelayMs = 0;
    bool silent = false;
    int dropConnections = 0;
    int dropEvery = 0;
    int refuseFtpChanges = 0;
    bool diskFixDisabled = false;
    qint64 stallUploadAfter = -1;
    std::vector<int> faultUnits; // unit numbers the faults apply to; empty: all
};

// Registers --device-port (also ZUREDOR_DEVICE_PORT), --user, --password,
// --request-log, --reboot-ms, --disk-scan-step-ms, --max-firmware-bytes and the
// faults --web-keep-alive, --web-delay, --web-silent, --web-drop, --web-drop-every,
// --web-refuse-ftp, --web-stall-upload-after, --disk-fix-disabled and --web-fault-units.
void addWebOptions(CLI::App& app, WebOptions& options);

// The server settings of one unit: faults only when it is among the fault units.
ServerSettings serverSettings(const WebOptions& options, int unitNumber);

// The unit's first state, with the user name and password and the disk's
// behaviour of the options.
UnitState initialUnitState(const WebOptions& options, int unitNumber, const QHostAddress& address);

} // namespace Sim
