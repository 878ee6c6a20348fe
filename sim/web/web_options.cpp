#include "sim/web/web_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>

namespace Sim {

void addWebOptions(CLI::App& app, WebOptions& options) {
    app.add_option("--device-port", options.devicePort, "TCP port of every unit's web server (default 80)")
        ->envname("ZUREDOR_DEVICE_PORT")
        ->check(CLI::Range(1, 65535));
    app.add_option("--user", options.user, "Web user name of the units (default admin)");
    app.add_option("--password", options.password, "Web password of the units (default admin)");
    app.add_option("--request-log", options.requestLog, "Append every request the units receive to this file");
    app.add_option("--reboot-ms", options.rebootMs, "Milliseconds a unit stays off the network when it reboots")
        ->check(CLI::Range(0, 3600000));
    app.add_option("--disk-scan-step-ms", options.diskScanStepMs,
                   "A running disk scan adds three lines to its result every this many milliseconds (default 10000)")
        ->check(CLI::Range(1, 3600000));
    app.add_option("--firmware-write-ms", options.firmwareWriteMs,
                   "Milliseconds a unit writes a taken image into its flash before it answers (default 0)")
        ->check(CLI::Range(0, 3600000));
    app.add_option("--max-firmware-bytes", options.maxFirmwareBytes,
                   "Largest firmware image a unit takes; a larger one resets the connection (default 64 MiB)")
        ->check(CLI::PositiveNumber);

    const std::string faults = "Web faults";
    app.add_flag("--web-keep-alive", options.keepAlive, "Keep connections open after each answer")->group(faults);
    app.add_option("--web-delay", options.answerDelayMs, "Wait this many milliseconds before each answer")
        ->check(CLI::Range(0, 3600000))
        ->group(faults);
    app.add_flag("--web-silent", options.silent, "Accept connections and never answer")->group(faults);
    app.add_option("--web-drop", options.dropConnections, "Close the first N connections unanswered")
        ->check(CLI::NonNegativeNumber)
        ->group(faults);
    app.add_option("--web-drop-every", options.dropEvery,
                   "Close every Nth connection unanswered, counting from the first: the Nth, the 2Nth... (default 0: "
                   "none)")
        ->check(CLI::NonNegativeNumber)
        ->group(faults);
    app.add_option("--web-refuse-ftp", options.refuseFtpChanges,
                   "Send the first N changes for page ftp.htm to the failure page")
        ->check(CLI::NonNegativeNumber)
        ->group(faults);
    app.add_flag("--disk-fix-disabled", options.diskFixDisabled,
                 "Never let the disk scan result be cleared (disk_fix_enable stays DISABLE)")
        ->group(faults);
    app.add_option("--web-stall-upload-after", options.stallUploadAfter,
                   "Stop reading a firmware upload after N bytes of its body; never answer it")
        ->check(CLI::NonNegativeNumber)
        ->group(faults);
    app.add_option("--web-fault-units", options.faultUnits,
                   "Numbers of the units the web faults apply to, comma-separated (default: all)")
        ->delimiter(',')
        ->check(CLI::PositiveNumber)
        ->group(faults);
}

namespace {

bool isFaultUnit(const WebOptions& options, int unitNumber) {
    return options.faultUnits.empty() ||
           std::find(options.faultUnits.begin(), options.faultUnits.end(), unitNumber) != options.faultUnits.end();
}

} // namespace

ServerSettings serverSettings(const WebOptions& options, int unitNumber) {
    ServerSettings settings;
    settings.requestLogPath = QString::fromStdString(options.requestLog);
    settings.rebootMs = options.rebootMs;
    settings.maxFirmwareBytes = options.maxFirmwareBytes;
    settings.firmwareWriteMs = options.firmwareWriteMs;
    if (isFaultUnit(options, unitNumber)) {
        settings.faults.keepAlive = options.keepAlive;
        settings.faults.answerDelayMs = options.answerDelayMs;
        settings.faults.silent = options.silent;
        settings.faults.dropConnections = options.dropConnections;
        settings.faults.dropEvery = options.dropEvery;
        settings.faults.refuseFtpChanges = options.refuseFtpChanges;
        settings.faults.stallUploadAfter = options.stallUploadAfter;
    }
    return settings;
}

UnitState initialUnitState(const WebOptions& options, int unitNumber, const QHostAddress& address) {
    UnitState state = defaultUnitState(unitNumber, address, QString::fromStdString(options.password));
    state.adminUser = QString::fromStdString(options.user);
    state.disk.scanStepMs = options.diskScanStepMs;
    state.disk.clearLocked = options.diskFixDisabled && isFaultUnit(options, unitNumber);
    return state;
}

} // namespace Sim
