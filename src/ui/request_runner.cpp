#include "ui/request_runner.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

#include <utility>
#include <vector>

namespace Ui {

namespace {

int g_running = 0;

// The cursor turns only for a request the user may notice.
constexpr int kWaitCursorAfterMs = 200;

// Swallows the user's input to every window while a request runs.
class InputGuard final : public QObject {
public:
    InputGuard() {
        m_cursorTimer.setSingleShot(true);
        m_cursorTimer.setInterval(kWaitCursorAfterMs);
        QObject::connect(&m_cursorTimer, &QTimer::timeout, [this] {
            if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
                return;
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
            m_cursorSet = true;
        });
    }
    void start() {
        QCoreApplication::instance()->installEventFilter(this);
        m_cursorTimer.start();
    }
    void stop() {
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::instance()->removeEventFilter(this);
        m_cursorTimer.stop();
        if (std::exchange(m_cursorSet, false))
            QGuiApplication::restoreOverrideCursor();
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
        }
    }

private:
    QTimer m_cursorTimer;
    bool m_cursorSet = false;
};

InputGuard* inputGuard() {
    if (QCoreApplication::instance() == nullptr)
        return nullptr;
    static auto* guard = new InputGuard; // lives as long as the application
    return guard;
}

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
    if (g_running++ == 0) {
        if (InputGuard* guard = inputGuard())
            guard->start();
    }
}

void requestEnded() {
    if (--g_running > 0)
        return;
    if (InputGuard* guard = inputGuard())
        guard->stop();
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
