#pragma once

#include <chrono>
#include <functional>

// Plain standard C++ only: the Windows implementation is compiled without Qt.
namespace Platform {

// Runs `connect` on a thread of its own and waits at most `timeout` for its
// answer (0 is a connection made). A connection that is made only after the
// caller stopped waiting is undone with `undo`, on that thread: the caller has
// reported a time-out, and that must stay true and leave the letter free.
// Gives connect's answer, or `timedOut` when it came too late.
unsigned long ConnectWithin(std::function<unsigned long()> connect, std::function<void()> undo,
                            std::chrono::milliseconds timeout, unsigned long timedOut);

} // namespace Platform
