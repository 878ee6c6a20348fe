// zuredor-cli login, page and get against zuredor-sim, with the unit's faults.

#include "support/cli_run.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using TestSupport::CliRun;
using TestSupport::runCli;
using TestSupport::SimProcess;

struct Unit {
    std::unique_ptr<SimProcess> sim;
    QString logPath;
    quint16 port = 0;
};

// One simulated unit at 127.0.0.2 with the given web faults, logging every request it gets.
Unit startUnit(const QTemporaryDir& dir, QStringList faults = {}) {
    Unit unit;
    unit.port = TestSupport::freeTcpPort();
    unit.logPath = dir.filePath(QStringLiteral("requests.log"));
    unit.sim = std::make_unique<SimProcess>(
        QStringList{QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--discovery-port"),
                    QString::number(TestSupport::freeUdpPort()), QStringLiteral("--device-port"),
                    QString::number(unit.port), QStringLiteral("--request-log"), unit.logPath} +
        faults);
    EXPECT_TRUE(unit.sim->start()) << unit.sim->output().toStdString();
    return unit;
}

int pageRequests(const Unit& unit) {
    QFile log(unit.logPath);
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<int>(log.readAll().count("GET /utility_use.htm "));
}

// The CLI's retry budget and read bound. A case that needs no wait takes a few hundred ms;
// one that waits for a time-out it should not, or for a refusal as if for silence, takes this long.
constexpr qint64 kBoundMs = 4500;

struct LoginCase {
    const char* name;
    QStringList faults;
    QString address;
    QString password;
    int exitCode;
    QByteArray words;
    int pageRequests; // -1: not counted
    qint64 withinMs;  // below the wait a fault would make
};

class CliLogin : public ::testing::TestWithParam<LoginCase> {};

TEST_P(CliLogin, SaysWhatTheWindowWouldSay) {
    const LoginCase& c = GetParam();
    QTemporaryDir dir;
    const Unit unit = startUnit(dir, c.faults);
    QElapsedTimer clock;
    clock.start();
    const CliRun run = runCli({QStringLiteral("login"), c.address, QStringLiteral("-p"), c.password,
                               QStringLiteral("--device-port"), QString::number(unit.port)});
    const qint64 elapsed = clock.elapsed();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
    EXPECT_EQ(run.out, c.words + '\n') << c.name;
    EXPECT_LT(elapsed, c.withinMs) << c.name;
    if (c.pageRequests >= 0) {
        EXPECT_EQ(pageRequests(unit), c.pageRequests) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Units, CliLogin,
    ::testing::Values(
        LoginCase{"good password", {}, QStringLiteral("127.0.0.2"), QStringLiteral("admin"), 0, "OK", 1, kBoundMs},
        LoginCase{"wrong password: eight checks, quickly",
                  {},
                  QStringLiteral("127.0.0.2"),
                  QStringLiteral("wrong"),
                  2,
                  "Login fail, Please check your username and password",
                  8,
                  kBoundMs},
        LoginCase{"empty password is sent as empty",
                  {},
                  QStringLiteral("127.0.0.2"),
                  QString(),
                  2,
                  "Login fail, Please check your username and password",
                  8,
                  kBoundMs},
        LoginCase{"refused connection",
                  {},
                  QStringLiteral("127.0.0.9"),
                  QStringLiteral("admin"),
                  3,
                  "Connection fail",
                  -1,
                  kBoundMs},
        LoginCase{"unit that accepts and never answers",
                  {QStringLiteral("--web-silent")},
                  QStringLiteral("127.0.0.2"),
                  QStringLiteral("admin"),
                  3,
                  "Connection fail",
                  -1,
                  3 * kBoundMs}, // it never answers
        LoginCase{"keep-alive unit does not hang the read",
                  {QStringLiteral("--web-keep-alive")},
                  QStringLiteral("127.0.0.2"),
                  QStringLiteral("admin"),
                  0,
                  "OK",
                  1,
                  kBoundMs},
        LoginCase{"unit dropping its first connections is checked again",
                  {QStringLiteral("--web-drop"), QStringLiteral("3")},
                  QStringLiteral("127.0.0.2"),
                  QStringLiteral("admin"),
                  0,
                  "OK",
                  -1,
                  kBoundMs}),
    [](const ::testing::TestParamInfo<LoginCase>& p) { return "case" + std::to_string(p.index); });

TEST(CliPage, GetPrintsOneLinePerNameAndPagePrintsFromTheTag) {
    QTemporaryDir dir;
    const Unit unit = startUnit(dir);
    const QString port = QString::number(unit.port);

    const CliRun get = runCli({QStringLiteral("-p"), QStringLiteral("admin"), QStringLiteral("get"),
                               QStringLiteral("127.0.0.2"), QStringLiteral("host_name"), QStringLiteral("no_such"),
                               QStringLiteral("group_name"), QStringLiteral("--device-port"), port});
    ASSERT_TRUE(get.finished);
    EXPECT_EQ(get.exitCode, 0);
    EXPECT_EQ(get.out, QByteArray("ZurEdor-1\n\nGroup-1\n"));

    const CliRun page = runCli({QStringLiteral("page"), QStringLiteral("127.0.0.2"), QStringLiteral("--device-port"),
                                port, QStringLiteral("-p"), QStringLiteral("admin")});
    ASSERT_TRUE(page.finished);
    EXPECT_EQ(page.exitCode, 0);
    EXPECT_TRUE(page.out.startsWith("<HTML>")) << page.out.left(80).toStdString();
    EXPECT_TRUE(page.out.contains("host_name=\"ZurEdor-1\";\r\n"));

    auto environment = TestSupport::cleanEnvironment();
    environment.insert(QStringLiteral("ZUREDOR_PASSWORD"), QStringLiteral("wrong"));
    const CliRun refused = runCli(
        {QStringLiteral("page"), QStringLiteral("127.0.0.2"), QStringLiteral("--device-port"), port}, environment);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.out, QByteArray("Login fail, Please check your username and password\n"));

    const CliRun json = runCli({QStringLiteral("get"), QStringLiteral("127.0.0.2"), QStringLiteral("host_name"),
                                QStringLiteral("--json"), QStringLiteral("-p"), QStringLiteral("admin"),
                                QStringLiteral("--device-port"), port});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_TRUE(json.out.contains("\"host_name\": \"ZurEdor-1\"")) << json.out.toStdString();
}

} // namespace
