#include "app/request_runner.h"

#include <QApplication>
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

    const int value = App::runRequest([] {
        QThread::msleep(300);
        return 42;
    });
    EXPECT_EQ(value, 42);
    EXPECT_GE(ticks, 5) << "the event loop kept running";
}

} // namespace
