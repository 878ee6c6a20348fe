#include "ui/request_runner.h"

#include <QPointer>

#include <utility>
#include <vector>

namespace Ui {

namespace {

int g_running = 0;

struct Waiting {
    QPointer<QObject> context;
    std::function<void()> handler;
};

std::vector<Waiting>& waiting() {
    static std::vector<Waiting> handlers;
    return handlers;
}

} // namespace

namespace detail {

void requestStarted() {
    ++g_running;
}

void requestEnded() {
    if (--g_running > 0)
        return;
    // Queued, so each runs after the handler that made the request has returned.
    for (Waiting& entry : std::exchange(waiting(), {})) {
        if (entry.context)
            QMetaObject::invokeMethod(
                entry.context,
                [context = entry.context, handler = std::move(entry.handler)] { whenIdle(context, handler); },
                Qt::QueuedConnection);
    }
}

} // namespace detail

bool requestRunning() {
    return g_running > 0;
}

void whenIdle(QObject* context, std::function<void()> handler) {
    if (!context)
        return;
    if (g_running > 0) {
        waiting().push_back({context, std::move(handler)});
        return;
    }
    handler();
}

} // namespace Ui
