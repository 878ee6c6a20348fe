#pragma once

#include <QtGlobal>

#include <functional>

namespace TestSupport {

// A port no one is bound to right now, so tests can run in parallel.
quint16 freeUdpPort();
quint16 freeTcpPort();

// Runs the event loop until the condition holds or the deadline passes.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

} // namespace TestSupport
