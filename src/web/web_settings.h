#pragma once

#include "app/network_settings.h"

#include <QtGlobal>

namespace Web {

// Everything a device request may wait for or read. Milliseconds throughout, so
// tests can use small values; nothing here is read from globals.
struct Settings {
    quint16 devicePort = 80;
    int connectTimeoutMs = 1500;
    int readTimeoutMs = 3000; // silence allowed between two pieces of an answer
    int exchangeTimeoutMs = 15000;
    qsizetype readCap = 8 * 1024 * 1024;
    int probeTimeoutMs = 1000;
    // The repeated page reads of FetchPage and the login share this bound, so a
    // switched-off unit is reported within seconds, not after 8 connect time-outs.
    int retryBudgetMs = 4000;
    int pauseMs = 20; // the pause before each read of the utility page
    int maxRedirects = 10;
};

// The defaults with the device port of the program's network settings.
Settings settingsFor(const App::NetworkSettings& network);

} // namespace Web
