#pragma once

#include "base/network_settings.h"

#include <QtGlobal>

namespace Web {

// Everything a device request may wait for or read. Milliseconds throughout, so
// tests can use small values; nothing here is read from globals.
struct Settings {
    quint16 devicePort = 80;
    int connectTimeoutMs = 1500;
    // Silence allowed before and between the pieces of an answer: a slow unit
    // may take over four seconds to start its page.
    int readTimeoutMs = 4500;
    int exchangeTimeoutMs = 15000;
    qsizetype readCap = qsizetype{8} * 1024 * 1024;
    int probeTimeoutMs = 1000;
    // How long the repeated page reads of FetchPage and the login wait for a
    // unit that gives no answer, so a switched-off unit is reported within
    // seconds, not after 8 connect time-outs. Each answer starts it afresh.
    int retryBudgetMs = 4500;
    int pauseMs = 20; // the pause before each read of the utility page
    int maxRedirects = 10;
    // Work a unit does before it answers (writing a firmware image into its
    // flash, formatting its disk): the silence allowed after the request.
    int workTimeoutMs = kDefaultWorkTimeoutMs;
    static constexpr int kDefaultWorkTimeoutMs = 5 * 60 * 1000;
};

// The defaults with the device port of the program's network settings, and the
// work bound from ZUREDOR_UNIT_WORK_SECONDS where that holds a positive number.
Settings settingsFor(const Base::NetworkSettings& network);

} // namespace Web
