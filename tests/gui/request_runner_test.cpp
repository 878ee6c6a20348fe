#include "ui/request_runner.h"

#include "support/test_ports.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

#include <gtest/gtest.h>

// The window-system queue is where real clicks wait; QTest and posted events
// bypass it, so they would be delivered whatever the loop's flags.
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

TEST(RunRequest, ClicksAndKeysWaitUntilTheRequestHasReturned) {
    QPushButton button(QStringLiteral("Scan"));
    button.show();
    button.activateWindow();
    button.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    QWindow* window = button.windowHandle();
    ASSERT_NE(window, nullptr);
    QStringList order;
    QObject::connect(&button, &QPushButton::clicked, [&] { order << QStringLiteral("click"); });

    bool sent = false;
    QTimer::singleShot(0, [&] {
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
        sent = true;
    });
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    // The request ends only after the input is queued and the loop has turned many times since.
    std::atomic<bool> queued{false};
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (sent && ticks > 10)
            queued = true;
    });
    Ui::runRequest([&] {
        while (!queued)
            QThread::msleep(5);
    });
    order << QStringLiteral("request returned");
    ASSERT_TRUE(sent);
    ASSERT_TRUE(TestSupport::waitUntil([&] { return order.size() == 3; }, 2000)) << order.join(u',').toStdString();
    EXPECT_EQ(order,
              QStringList({QStringLiteral("request returned"), QStringLiteral("click"), QStringLiteral("click")}))
        << "the mouse click and the space key each press the button once, after the request";
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
