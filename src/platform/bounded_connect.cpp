#include "platform/bounded_connect.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace Platform {

namespace {

// One attempt, shared by the caller and the thread making it, so a caller that
// stopped waiting leaves nothing dangling behind.
struct Attempt {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    unsigned long result = 0;
};

} // namespace

unsigned long ConnectWithin(std::function<unsigned long()> connect, std::function<void()> undo,
                            std::chrono::milliseconds timeout, unsigned long timedOut) {
    auto attempt = std::make_shared<Attempt>();
    // The platform's connect call has no time-out of its own and an unreachable
    // host can hold it for a long while.
    std::thread([attempt, connect = std::move(connect), undo = std::move(undo)] {
        const unsigned long result = connect();
        bool late = false;
        {
            const std::lock_guard lock(attempt->mutex);
            attempt->done = true;
            attempt->result = result;
            late = attempt->abandoned;
        }
        attempt->finished.notify_all();
        if (late && result == 0)
            undo();
    }).detach();

    std::unique_lock lock(attempt->mutex);
    if (attempt->finished.wait_for(lock, timeout, [&attempt] { return attempt->done; }))
        return attempt->result;
    // Still under the lock: the thread sees this before it can record an answer.
    attempt->abandoned = true;
    return timedOut;
}

} // namespace Platform
