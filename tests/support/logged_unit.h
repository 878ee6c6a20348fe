#pragma once

#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace TestSupport {

// One simulated unit on 127.0.0.2, on a web port of the test's own, that logs
// every request it receives, for tests that check the bytes on the wire.
class LoggedUnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = freeTcpPort();
        logPath = dir.filePath(QStringLiteral("requests.log"));
        sim = std::make_unique<SimProcess>(
            QStringList{QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--discovery-port"),
                        QString::number(freeUdpPort()), QStringLiteral("--device-port"), QString::number(port),
                        QStringLiteral("--request-log"), logPath} +
            simOptions());
        ASSERT_TRUE(sim->start()) << sim->output().toStdString();
    }
    // Further options of the unit, for a fixture that needs them.
    virtual QStringList simOptions() const { return {}; }

    // Every request so far, byte for byte.
    QByteArray requests() const {
        QFile log(logPath);
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    quint16 port = 0;
    QString logPath;
    std::unique_ptr<SimProcess> sim;
};

} // namespace TestSupport
