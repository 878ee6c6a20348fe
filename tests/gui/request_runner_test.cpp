#include "ui/request_runner.h"

#include <QApplication>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

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
    auto* gone = new QObject;
    QTimer::singleShot(10, gone, [&] {
        Ui::whenIdle(gone, [&] { ran = true; });
        delete gone;
    });
    Ui::runRequest([] { QThread::msleep(100); });
    QCoreApplication::processEvents();
    QTest::qWait(50);
    EXPECT_FALSE(ran);
}

} // namespace
