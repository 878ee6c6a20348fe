#pragma once

#include <QEventLoop>
#include <QObject>
#include <QThread>

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace Ui {

namespace detail {
// Marks a request running for whenIdle; the last one to end lets the waiting handlers run.
void requestStarted();
void requestEnded();
} // namespace detail

// A request is running, here or further down the stack.
bool requestRunning();

// Runs `handler` now when no request is running; otherwise once the running
// one has ended and its handler has returned, unless `context` is gone by then.
// Timers and signals that start requests go through here, so requests never
// nest: a tick that comes while the unit is being asked waits its turn.
void whenIdle(QObject* context, std::function<void()> handler);

// Runs one device request on a worker thread and waits for it in a local event
// loop. The caller's code stays sequential, as with a blocking call, but the
// window repaints, timers tick and discovery replies are listed meanwhile.
// Clicks and keys that come during the request are dropped, and a request that
// lasts shows the wait cursor: replayed afterwards, a click could change what
// the user no longer sees (a row that the read-back has moved).
template <class Work> auto runRequest(Work&& work) -> std::invoke_result_t<Work&> {
    using Result = std::invoke_result_t<Work&>;
    struct Running {
        Running() { detail::requestStarted(); }
        ~Running() { detail::requestEnded(); }
    } running;
    QEventLoop loop;
    if constexpr (std::is_void_v<Result>) {
        QThread* thread = QThread::create([&work] { work(); });
        QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        thread->start();
        loop.exec();
        thread->wait();
        delete thread;
    } else {
        std::optional<Result> result;
        QThread* thread = QThread::create([&work, &result] { result.emplace(work()); });
        QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        thread->start();
        loop.exec();
        thread->wait();
        delete thread;
        return std::move(*result);
    }
}

} // namespace Ui
