// The desktop program and the simulator on their command lines: a bad address
// or port is refused with its name and value before any window opens, and
// --version answers.

#include "support/cli_run.h"

#include <QRegularExpression>
#include <QSet>

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

TEST(Programs, VersionNamesTheProgramItsVersionAndTheBuild) {
    // Without a display: the desktop program must answer before it needs one.
    QProcessEnvironment bare = TestSupport::cleanEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        bare.remove(QString::fromLatin1(name));
    const QRegularExpression line(
        QStringLiteral("^(zuredor|zuredor-cli|zuredor-sim) 1\\.1( \\(git [A-Za-z0-9._+-]+\\))?\n$"));
    const struct {
        QString path;
        QString name;
    } cases[] = {
        {QStringLiteral(ZUREDOR_APP_PATH), QStringLiteral("zuredor")},
        {QStringLiteral(ZUREDOR_CLI_PATH), QStringLiteral("zuredor-cli")},
        {QStringLiteral(ZUREDOR_SIM_PATH), QStringLiteral("zuredor-sim")},
    };
    QSet<QString> builds;
    for (const auto& c : cases) {
        for (const QString& word : {QStringLiteral("--version"), QStringLiteral("-v")}) {
            if (word == QStringLiteral("-v") && c.name != QStringLiteral("zuredor"))
                continue;
            const CliRun run = runProgram(c.path, {word}, bare);
            ASSERT_TRUE(run.finished) << c.name.toStdString();
            EXPECT_EQ(run.exitCode, 0) << c.name.toStdString() << ": " << run.err.toStdString();
            const QRegularExpressionMatch match = line.match(QString::fromUtf8(run.out));
            EXPECT_TRUE(match.hasMatch()) << run.out.toStdString();
            EXPECT_EQ(match.captured(1), c.name);
            builds.insert(match.captured(2));
        }
    }
    EXPECT_EQ(builds.size(), 1) << "the three programs come from one build";
}

TEST(DesktopProgram, AnswersHelpWithoutADisplayAndTakesHelpAsAValueOnlyWhereOneIsDue) {
    QProcessEnvironment bare = TestSupport::cleanEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        bare.remove(QString::fromLatin1(name));
    const struct {
        const char* name;
        QStringList arguments;
        int status;
        QByteArray out; // printed on standard output
        QByteArray err; // printed on standard error
    } cases[] = {
        {"help", {QStringLiteral("--help")}, 0, "--discovery-port <port>", ""},
        {"short help", {QStringLiteral("-h")}, 0, "--device-port <port>", ""},
        {"an unknown option", {QStringLiteral("--help"), QStringLiteral("--frobnicate")}, 64, "", "frobnicate"},
        // "--help" is the value of --broadcast here, which then refuses it: no window, no help.
        {"help as a value", {QStringLiteral("--broadcast"), QStringLiteral("--help")}, 64, "", "--broadcast"},
    };
    for (const auto& c : cases) {
        const CliRun run = runProgram(QStringLiteral(ZUREDOR_APP_PATH), c.arguments, bare);
        ASSERT_TRUE(run.finished) << c.name;
        EXPECT_EQ(run.exitCode, c.status) << c.name << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(c.out)) << c.name << ": " << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(c.err)) << c.name << ": " << run.err.toStdString();
    }
}

} // namespace
