// The desktop program and the simulator on their command lines: a bad address
// or port is refused with its name and value before any window opens, and
// --version answers.

#include "support/cli_run.h"

#include <gtest/gtest.h>

namespace {

using TestSupport::CliRun;

// A program that opened its window would still be running when this gives up.
CliRun runProgram(const QString& path, const QStringList& arguments, const QProcessEnvironment& environment) {
    return TestSupport::runProgram(path, arguments, {}, environment, 10000);
}

QProcessEnvironment offscreen() {
    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

struct BadValue {
    const char* name;
    QStringList arguments;
    const char* variable; // set to `value` when not null
    QString value;
    QByteArray named; // the option or variable the message names
};

TEST(DesktopProgram, RefusesABadAddressOrPortByName) {
    const BadValue cases[] = {
        {"discovery port 0", {}, "ZUREDOR_DISCOVERY_PORT", QStringLiteral("0"), "ZUREDOR_DISCOVERY_PORT"},
        {"discovery port past the top",
         {},
         "ZUREDOR_DISCOVERY_PORT",
         QStringLiteral("65536"),
         "ZUREDOR_DISCOVERY_PORT"},
        {"device port in words", {}, "ZUREDOR_DEVICE_PORT", QStringLiteral("http"), "ZUREDOR_DEVICE_PORT"},
        {"device port with a sign", {}, "ZUREDOR_DEVICE_PORT", QStringLiteral("-80"), "ZUREDOR_DEVICE_PORT"},
        {"broadcast as a name", {}, "ZUREDOR_BROADCAST", QStringLiteral("localhost"), "ZUREDOR_BROADCAST"},
        {"broadcast in IPv6", {}, "ZUREDOR_BROADCAST", QStringLiteral("::1"), "ZUREDOR_BROADCAST"},
        {"broadcast short form", {}, "ZUREDOR_BROADCAST", QStringLiteral("127.1"), "ZUREDOR_BROADCAST"},
        {"option port 0", {QStringLiteral("--discovery-port=0")}, nullptr, QStringLiteral("0"), "--discovery-port"},
        {"option port too high",
         {QStringLiteral("--device-port"), QStringLiteral("99999")},
         nullptr,
         QStringLiteral("99999"),
         "--device-port"},
        {"option broadcast out of range",
         {QStringLiteral("--broadcast"), QStringLiteral("127.255.255.256")},
         nullptr,
         QStringLiteral("127.255.255.256"),
         "--broadcast"},
        {"option wins over a good variable",
         {QStringLiteral("--device-port=8o8o")},
         "ZUREDOR_DEVICE_PORT",
         QStringLiteral("8080"),
         "--device-port"},
    };
    for (const BadValue& c : cases) {
        QProcessEnvironment environment = offscreen();
        if (c.variable != nullptr)
            environment.insert(QString::fromLatin1(c.variable), c.value);
        const CliRun run = runProgram(QStringLiteral(ZUREDOR_APP_PATH), c.arguments, environment);
        ASSERT_TRUE(run.finished) << c.name << ": still running, so its window opened";
        EXPECT_EQ(run.exitCode, 64) << c.name;
        EXPECT_TRUE(run.err.contains(c.named)) << c.name << ": " << run.err.toStdString();
        const QByteArray shown = c.arguments.isEmpty() || c.variable == nullptr ? c.value.toUtf8() : "8o8o";
        EXPECT_TRUE(run.err.contains('"' + shown + '"')) << c.name << ": " << run.err.toStdString();
    }
}

TEST(DesktopProgram, QuotesAStrayValueWithoutItsControlCharacters) {
    QProcessEnvironment environment = offscreen();
    environment.insert(QStringLiteral("ZUREDOR_BROADCAST"), QStringLiteral("\x1b]0;owned\x07") + QString(500, u'x'));
    const CliRun run = runProgram(QStringLiteral(ZUREDOR_APP_PATH), {}, environment);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_FALSE(run.err.contains('\x1b'));
    EXPECT_FALSE(run.err.contains('\x07'));
    EXPECT_TRUE(run.err.contains("\\x1b]0;owned\\x07")) << run.err.toStdString();
    EXPECT_LT(run.err.size(), 300) << "the value is cut short";
}

TEST(Programs, VersionNamesTheProgramAndItsVersion) {
    const struct {
        QString path;
        QByteArray expected;
    } cases[] = {
        {QStringLiteral(ZUREDOR_APP_PATH), "zuredor 1.1\n"},
        {QStringLiteral(ZUREDOR_SIM_PATH), "zuredor-sim 1.1\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = runProgram(c.path, {QStringLiteral("--version")}, offscreen());
        ASSERT_TRUE(run.finished) << c.expected.toStdString();
        EXPECT_EQ(run.exitCode, 0) << c.expected.toStdString();
        EXPECT_EQ(run.out, c.expected);
    }
}

} // namespace
