#include "ui/request_runner.h"

#include "support/test_ports.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

#include <gtest/gtest.h>

// Input is queued as the window system queues it, the way real clicks come.
#include <qpa/qwindowsysteminterface.h>

namespace {

TEST(RunRequest, TimersTickWhileTheRequestRunsAndTheResultComesBack) {
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();

    const int value = Ui::runRequest([] {
        QThread::msleep(300);
        return 42;
    });
    EXPECT_EQ(value, 42);
    EXPECT_GE(ticks, 5) << "the event loop kept running";
}

// Replayed later, a click could act on what the read-back has changed since:
// input during a request is dropped, under the wait cursor, and the same click
// works once the request is done.
TEST(RunRequest, ClicksAndKeysDuringTheRequestAreDroppedUnderTheWaitCursor) {
    QPushButton button(QStringLiteral("Scan"));
    button.show();
    button.activateWindow();
    button.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    QWindow* window = button.windowHandle();
    ASSERT_NE(window, nullptr);
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    const auto clickAndPressSpace = [&] {
        const QPointF at(5, 5);
        const QPointF global = button.mapToGlobal(at);
        using Queue = QWindowSystemInterface;
        Queue::handleMouseEvent<Queue::AsynchronousDelivery>(window, at, global, Qt::LeftButton, Qt::LeftButton,
                                                             QEvent::MouseButtonPress);
        Queue::handleMouseEvent<Queue::AsynchronousDelivery>(window, at, global, Qt::NoButton, Qt::LeftButton,
                                                             QEvent::MouseButtonRelease);
        Queue::handleKeyEvent<Queue::AsynchronousDelivery>(window, QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier,
                                                           QStringLiteral(" "));
        Queue::handleKeyEvent<Queue::AsynchronousDelivery>(window, QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier,
                                                           QStringLiteral(" "));
    };

    QElapsedTimer since;
    std::atomic<bool> done{false};
    bool waitCursor = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        // Long enough for the cursor to turn and for the input to reach the windows.
        if (since.elapsed() > 400) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            waitCursor = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
            done = true;
        }
    });
    QTimer::singleShot(0, clickAndPressSpace);
    since.start();
    timer.start();
    Ui::runRequest([&] {
        while (!done)
            QThread::msleep(5);
    });
    timer.stop();
    EXPECT_TRUE(waitCursor);
    QTest::qWait(100);
    EXPECT_EQ(clicks, 0) << "nothing pressed the button during or after the request";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    clickAndPressSpace();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return clicks == 2; }, 2000)) << clicks;
}

} // namespace

namespace {

// A tick that comes while the unit is being asked starts its own request only
// once the first has ended, never inside it.
TEST(WhenIdle, RequestsStartedByTimersDoNotNest) {
    QStringList order;
    int depth = 0;
    int deepest = 0;
    const auto request = [&](const QString& name, int ms) {
        order << name + QStringLiteral(" begins");
        deepest = std::max(deepest, ++depth);
        Ui::runRequest([ms] { QThread::msleep(static_cast<unsigned long>(ms)); });
        --depth;
        order << name + QStringLiteral(" ends");
    };
    QObject context;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, &context, [&] {
        if (++ticks == 1)
            Ui::whenIdle(&context, [&] { request(QStringLiteral("tick"), 10); });
    });
    timer.start();
    request(QStringLiteral("first"), 300);
    EXPECT_GE(ticks, 1);
    EXPECT_EQ(order, QStringList({QStringLiteral("first begins"), QStringLiteral("first ends")}))
        << "the tick's request waits for the handler to return";
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), 4, 2000);
    EXPECT_EQ(order[2], QStringLiteral("tick begins"));
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(Ui::requestRunning());
}

TEST(WhenIdle, RunsAtOnceWhenIdleAndNotAtAllWhenItsContextIsGone) {
    bool ran = false;
    QObject context;
    Ui::whenIdle(&context, [&] { ran = true; });
    EXPECT_TRUE(ran);

    ran = false;
    bool markerRan = false;
    auto* gone = new QObject;
    QTimer::singleShot(10, gone, [&] {
        Ui::whenIdle(gone, [&] { ran = true; });
        delete gone;
        // Waiting handlers run in the order they came: once this one has run, the other had its turn.
        Ui::whenIdle(&context, [&] { markerRan = true; });
    });
    Ui::runRequest([] { QThread::msleep(100); });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return markerRan; }, 2000));
    EXPECT_FALSE(ran);
}

} // namespace
