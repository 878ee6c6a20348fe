#pragma once

#include <QEventLoop>
#include <QObject>
#include <QThread>

#include <optional>
#include <type_traits>
#include <utility>

namespace App {

// Runs one device request on a worker thread and waits for it in a local event
// loop that holds back user input. The caller's code stays sequential, as with
// a blocking call, but the window repaints, timers tick and discovery replies
// are listed meanwhile; clicks and keys are delivered once the request is done.
template <class Work> auto runRequest(Work&& work) -> std::invoke_result_t<Work&> {
    using Result = std::invoke_result_t<Work&>;
    QEventLoop loop;
    if constexpr (std::is_void_v<Result>) {
        QThread* thread = QThread::create([&work] { work(); });
        QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        thread->start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        thread->wait();
        delete thread;
    } else {
        std::optional<Result> result;
        QThread* thread = QThread::create([&work, &result] { result.emplace(work()); });
        QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        thread->start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        thread->wait();
        delete thread;
        return std::move(*result);
    }
}

} // namespace App
