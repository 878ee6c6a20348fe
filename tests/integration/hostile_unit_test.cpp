// The clients and zuredor-cli against a unit that tries to mislead them:
// redirects elsewhere, cookies with control bytes, interim answers, dropped,
// reset, garbled, endless and slow answers, and text meant for the terminal.

#include "web/device_get.h"
#include "web/http_client.h"
#include "web/web_settings.h"

#include "support/cli_run.h"
#include "support/scripted_server.h"
#include "support/test_ports.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

using TestSupport::Reply;
using TestSupport::requestPath;
using TestSupport::ScriptedServer;
using TestSupport::withLength;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

Web::Settings fastSettings(quint16 port) {
    Web::Settings settings;
    settings.devicePort = port;
    settings.readTimeoutMs = 1000;
    settings.exchangeTimeoutMs = 3000;
    settings.pauseMs = 0;
    return settings;
}

Reply redirectTo(const QByteArray& location, const QByteArray& extra = "") {
    return Reply{"HTTP/1.0 302 Found\r\n" + extra + "Location: " + location + "\r\nContent-Length: 0\r\n\r\n"};
}

const Reply kOkPage{withLength("HTTP/1.0 200 OK", "<HTML>ok")};

// ---- where the credentials go

struct RedirectCase {
    const char* name;
    QByteArray location; // %A: the unit's port, %B: another server's
    bool followed;
};

void PrintTo(const RedirectCase& c, std::ostream* os) {
    *os << c.name;
}

class RedirectTargets : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(RedirectTargets, OnlyTheUnitsOwnAreFollowed) {
    const auto& c = GetParam();
    ScriptedServer other({kOkPage});
    // The first answer names ports known only once the servers listen.
    auto ownPort = std::make_shared<quint16>(0);
    ScriptedServer server([&, ownPort](const QByteArray& request) {
        if (requestPath(request) != "/nas.cgi?redirect=ok.htm")
            return kOkPage;
        QByteArray location = c.location;
        location.replace("%A", QByteArray::number(*ownPort)).replace("%B", QByteArray::number(other.port()));
        return redirectTo(location);
    });
    *ownPort = server.port();
    Web::HttpClient client(fastSettings(server.port()));
    client.setCredentials(s("admin"), s("secret"));
    const Web::Error error = client.Get(server.url("/nas.cgi?redirect=ok.htm"));
    EXPECT_FALSE(error) << error.detail.toStdString();
    EXPECT_EQ(other.requests().size(), 0) << "the password went to another server";
    EXPECT_EQ(server.requests().size(), c.followed ? 2 : 1);
    EXPECT_EQ(client.lastStatus(), c.followed ? 200 : 302);
    EXPECT_EQ(client.offUnitLocation().isEmpty(), c.followed);
}

INSTANTIATE_TEST_SUITE_P(Locations, RedirectTargets,
                         ::testing::Values(RedirectCase{"page name", "ok.htm", true},
                                           RedirectCase{"path", "/ok.htm", true},
                                           RedirectCase{"the unit itself", "http://127.0.0.1:%A/ok.htm", true},
                                           RedirectCase{"another port", "http://127.0.0.1:%B/steal.htm", false},
                                           RedirectCase{"port 80 of the same address", "http://127.0.0.1/x.htm", false},
                                           RedirectCase{"another address", "http://127.0.0.9:%A/steal.htm", false}),
                         [](const ::testing::TestParamInfo<RedirectCase>& p) {
                             return "case" + std::to_string(p.index);
                         });

QByteArray cookieLine(const QByteArray& request) {
    for (const QByteArray& line : request.split('\n')) {
        if (line.startsWith("Cookie:"))
            return line.trimmed();
    }
    return {};
}

TEST(Cookies, StayWithTheirUnit) {
    ScriptedServer a(QList<Reply>{Reply{withLength("HTTP/1.0 200 OK", "<HTML>a", "Set-Cookie: sid=a; path=/\r\n")}});
    ScriptedServer b({kOkPage});
    Web::HttpClient client;
    ASSERT_FALSE(client.Get(a.url("/one")));
    ASSERT_FALSE(client.Get(b.url("/two")));
    ASSERT_FALSE(client.Get(a.url("/three")));
    ASSERT_EQ(b.requests().size(), 1);
    EXPECT_EQ(cookieLine(b.requests()[0]), QByteArray()) << "one unit's cookie went to another";
    ASSERT_EQ(a.requests().size(), 2);
    EXPECT_EQ(cookieLine(a.requests()[1]), QByteArray("Cookie: sid=a"));
}

TEST(Cookies, WithControlBytesAreNeverSentBack) {
    const struct {
        QByteArray setCookie;
        QByteArray sentBack;
    } cases[] = {
        {"sid=7; path=/", "Cookie: sid=7"},
        {"sid=7\rX-Injected: 1", ""},
        {QByteArray("sid=7\0x", 7), ""},
        {"sid=\x1b[2J", ""},
        {"sid=a\x7f", ""},
    };
    for (const auto& c : cases) {
        ScriptedServer unit(QList<Reply>{
            Reply{"HTTP/1.0 200 OK\r\nSet-Cookie: " + c.setCookie + "\r\nContent-Length: 6\r\n\r\n<HTML>"}});
        Web::HttpClient client;
        client.Get(unit.url("/one"));
        client.Get(unit.url("/two"));
        ASSERT_EQ(unit.requests().size(), 2);
        EXPECT_EQ(cookieLine(unit.requests()[1]), c.sentBack) << c.setCookie.toPercentEncoding().toStdString();
    }
}

// ---- interim answers

TEST(InterimAnswers, AreSkippedByBothClients) {
    const QByteArray page = "<HTML>\r\nhost_name=\"NAS1\";\r\n";
    const struct {
        const char* name;
        QByteArray before;
        int status;
    } cases[] = {
        {"100 Continue", "HTTP/1.1 100 Continue\r\n\r\n", 200},
        {"two, one with fields", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </x>\r\n\r\n", 200},
    };
    for (const auto& c : cases) {
        ScriptedServer unit({Reply{c.before + withLength("HTTP/1.1 200 OK", page)}});
        const Web::DeviceResponse response =
            Web::DeviceGet(s("127.0.0.1"), s("admin"), s("pw"), s("/utility_use.htm"), fastSettings(unit.port()));
        EXPECT_EQ(response.status, c.status) << c.name;
        EXPECT_EQ(response.page, page) << c.name;
        EXPECT_FALSE(response.header.contains("100")) << c.name;
    }

    ScriptedServer unit(QList<Reply>{Reply{"HTTP/1.1 100 Continue\r\n\r\n" + redirectTo("ok.htm").bytes}, kOkPage});
    Web::HttpClient client(fastSettings(unit.port()));
    EXPECT_FALSE(client.Get(unit.url("/nas.cgi")));
    EXPECT_EQ(client.followedLocations(), QStringList{s("ok.htm")});
    EXPECT_EQ(client.lastStatus(), 200);
}

TEST(InterimAnswers, WithoutEndAreBounded) {
    ScriptedServer unit({Reply{.bytes = "HTTP/1.1 100 Continue\r\n\r\n", .endless = true}});
    const Web::Settings settings = fastSettings(unit.port());
    QElapsedTimer clock;
    clock.start();
    const Web::DeviceResponse response =
        Web::DeviceGet(s("127.0.0.1"), s("admin"), s("pw"), s("/utility_use.htm"), settings);
    EXPECT_EQ(response.status, 0);
    EXPECT_EQ(response.error.kind, Web::ErrorKind::Malformed);
    // A count ends them within milliseconds; without one they run until the whole exchange's deadline.
    EXPECT_LT(clock.elapsed(), settings.exchangeTimeoutMs);
}

// ---- zuredor-cli: what came of a change

const QByteArray kPage = "<HTML>\r\nhost_name=\"NAS9\";\r\ngroup_name=\"WG\";\r\nip=\"127.0.0.1\";\r\n</HTML>\r\n";

// A unit that serves its page and answers every CGI request with `cgi`.
ScriptedServer::Answerer unitAnswering(Reply cgi, Reply page = Reply{withLength("HTTP/1.0 200 OK", kPage)}) {
    return [cgi, page](const QByteArray& request) {
        const QByteArray path = requestPath(request);
        if (path.contains(".cgi"))
            return cgi;
        if (path.startsWith("/utility_use.htm"))
            return page;
        return Reply{withLength("HTTP/1.0 200 OK", "<HTML>" + path)};
    };
}

TestSupport::CliRun cli(const ScriptedServer& unit, QStringList arguments) {
    return TestSupport::runCli(arguments +
                               QStringList{s("--device-port"), QString::number(unit.port()), s("-p"), s("admin")});
}

struct ChangeCase {
    const char* name;
    Reply cgi;
    int exitCode;
    QByteArray out;
};

void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class CliChangeAnswers : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(CliChangeAnswers, OkOnlyForTheUnitsRedirect) {
    const auto& c = GetParam();
    ScriptedServer unit(unitAnswering(c.cgi));
    const TestSupport::CliRun run = cli(unit, {s("set-identity"), s("127.0.0.1"), s("NAS"), s("GRP")});
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_EQ(run.out, c.out);

    const TestSupport::CliRun json = cli(unit, {s("set-identity"), s("127.0.0.1"), s("NAS"), s("GRP"), s("--json")});
    EXPECT_EQ(json.exitCode, c.exitCode);
    if (c.exitCode != 0) {
        EXPECT_TRUE(json.out.contains("\"error\": \"" + c.out.trimmed() + "\"")) << json.out.toStdString();
        EXPECT_EQ(json.err, c.out);
    }
}

const QByteArray kNoAnswer = "The unit did not answer the change\n";
const QByteArray kNotConfirmed = "The unit's answer did not confirm the change\n";

INSTANTIATE_TEST_SUITE_P(
    Answers, CliChangeAnswers,
    ::testing::Values(
        ChangeCase{"the unit's redirect", redirectTo("id.htm"), 0, "OK\n"},
        ChangeCase{"its failure page", redirectTo("fail.htm"), 1, "The unit did not accept the setting\n"},
        ChangeCase{"dropped", Reply{""}, 3, kNoAnswer},
        ChangeCase{"reset", Reply{.bytes = "", .reset = true}, 3, kNoAnswer},
        ChangeCase{"garbage", Reply{"\x16\x03\x01 not http\r\n"}, 1, kNotConfirmed},
        ChangeCase{"a page but no redirect", kOkPage, 1, kNotConfirmed},
        ChangeCase{"endless", Reply{.bytes = QByteArray(64 * 1024, 'x'), .endless = true}, 1, kNotConfirmed},
        ChangeCase{"a redirect with an endless body",
                   Reply{.bytes = "HTTP/1.0 302 Found\r\nLocation: id.htm\r\nContent-Length: 99999999999\r\n\r\n"}, 1,
                   kNotConfirmed},
        ChangeCase{"a redirect loop", redirectTo("/nas.cgi"), 1, kNotConfirmed},
        ChangeCase{"a redirect elsewhere", redirectTo("http://127.0.0.9/id.htm"), 1, kNotConfirmed}),
    [](const ::testing::TestParamInfo<ChangeCase>& p) { return "case" + std::to_string(p.index); });

TEST(CliChanges, EveryChangeWithoutAnAnswerFails) {
    ScriptedServer unit(unitAnswering(Reply{""}));
    const QList<QStringList> commands = {
        {s("set-dhcp-server"), s("127.0.0.1"), s("on")},
        {s("set-admin-password"), s("127.0.0.1"), s("n3w"), s("n3w")},
        {s("set-language"), s("127.0.0.1"), s("0")},
        {s("set-time"), s("127.0.0.1"), s("--date"), s("2026/1/2"), s("--time"), s("3:4:5"), s("--server"),
         s("pool.ntp.org"), s("--zone"), s("1")},
    };
    for (const QStringList& command : commands) {
        const TestSupport::CliRun run = cli(unit, command);
        EXPECT_EQ(run.exitCode, 3) << command.join(u' ').toStdString() << ": " << run.out.toStdString();
        EXPECT_TRUE(run.out.startsWith(kNoAnswer)) << run.out.toStdString();
        EXPECT_FALSE(run.out.contains("OK")) << run.out.toStdString();
    }
    // The address change needs no answer: the unit may leave its old address at once.
    const TestSupport::CliRun run = cli(unit, {s("set-ip"), s("127.0.0.1"), s("static"), s("127.0.0.1"), s("255.0.0.0"),
                                               s("127.0.0.254"), s("127.0.0.53"), s("127.0.0.54")});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
}

// ---- zuredor-cli: slow units, refused passwords

// The CLI's retry budget, which is also its read bound: the wait a silent unit is given.
const int kBudgetMs = Web::Settings().retryBudgetMs;

TEST(CliSlowUnits, AreHeardAndSilentOnesGivenUp) {
    const QByteArray denied = withLength("HTTP/1.0 401 Unauthorized", "<HTML>denied");
    const Reply page{withLength("HTTP/1.0 200 OK", kPage)};
    const struct {
        const char* name;
        ScriptedServer::Answerer unit; // nullptr: nothing listens
        int exitCode;
        QByteArray out;
        int minMs;
        int maxMs; // below a further wait, or one without end
    } cases[] = {
        {"wrong password, each answer after 0.7 s",
         [&](const QByteArray&) { return Reply{.bytes = denied, .delayMs = 700}; }, 2,
         "Login fail, Please check your username and password\n", 5600, 5600 + kBudgetMs},
        {"each answer after 4.2 s of silence",
         [&](const QByteArray&) { return Reply{.bytes = page.bytes, .delayMs = 4200}; }, 0, "OK\n", 4200,
         2 * 4200}, // a second read waits as long again
        {"one refusal, then silence",
         [&, calls = std::make_shared<int>(0)](const QByteArray&) {
             return ++*calls == 1 ? Reply{denied} : Reply{.bytes = "", .silent = true};
         },
         2, "Login fail, Please check your username and password\n", 4500, 3 * kBudgetMs},
        {"silent", [](const QByteArray&) { return Reply{.bytes = "", .silent = true}; }, 3, "Connection fail\n", 4000,
         3 * kBudgetMs},
        // Refusals come at once; one taken for silence waits out the budget.
        {"nothing listens", nullptr, 3, "Connection fail\n", 0, kBudgetMs},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ScriptedServer> unit;
        if (c.unit)
            unit = std::make_unique<ScriptedServer>(c.unit);
        const quint16 port = unit ? unit->port() : TestSupport::freeTcpPort();
        QElapsedTimer clock;
        clock.start();
        const TestSupport::CliRun run = TestSupport::runCli(
            {s("login"), s("127.0.0.1"), s("-p"), s("pw"), s("--device-port"), QString::number(port)});
        const qint64 elapsed = clock.elapsed();
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
        EXPECT_EQ(run.out, c.out) << c.name;
        EXPECT_GE(elapsed, c.minMs) << c.name;
        EXPECT_LE(elapsed, c.maxMs) << c.name;
    }
}

TEST(CliRefusedPassword, EveryReaderSaysTheLoginsWords) {
    ScriptedServer unit(
        [](const QByteArray&) { return Reply{withLength("HTTP/1.0 401 Unauthorized", "<HTML>denied")}; });
    for (const char* command : {"status", "get", "page", "ip-config"}) {
        QStringList arguments{s(command), s("127.0.0.1")};
        if (QByteArray(command) == "get")
            arguments << s("host_name");
        const TestSupport::CliRun run = cli(unit, arguments);
        EXPECT_EQ(run.exitCode, 2) << command;
        EXPECT_EQ(run.out, QByteArray("Login fail, Please check your username and password\n")) << command;
    }
}

TEST(CliSilentUnit, IpConfigSaysSoOnceWithinTheLoginsBound) {
    ScriptedServer unit([](const QByteArray&) { return Reply{.bytes = "", .silent = true}; });
    QElapsedTimer clock;
    clock.start();
    const TestSupport::CliRun run = cli(unit, {s("ip-config"), s("127.0.0.1")});
    EXPECT_LT(clock.elapsed(), 2 * kBudgetMs) << "the page is not waited for again after the login gave up";
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, QByteArray("Connection Fail\n"));
}

// ---- zuredor-cli: the terminal is the user's

TEST(CliTerminal, UnitTextCannotControlIt) {
    // Clear the screen, set the title, a second line, a C1 CSI, bidi overrides.
    const QByteArray hostile = "A\x1b[2J\x1b]0;pwned\x07"
                               "B\rC\nD\xc2\x9b"
                               "E\xe2\x80\xae"
                               "F\xe2\x81\xa6"
                               "G\tH\xc3\xa9";
    const QByteArray shown = "A\\x1b[2J\\x1b]0;pwned\\x07B\\x0dC\\x0aD\\x9bE\\u202eF\\u2066G\tH\xc3\xa9";
    const QByteArray page = "<HTML>\r\nhost_name=\"" + hostile + "\";\r\ngroup_name=\"WG\";\r\n</HTML>\r\n";
    ScriptedServer unit(unitAnswering(Reply{}, Reply{withLength("HTTP/1.0 200 OK", page)}));

    TestSupport::CliRun run = cli(unit, {s("get"), s("127.0.0.1"), s("host_name"), s("group_name")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, shown + "\nWG\n") << "one line per name";

    run = cli(unit, {s("status"), s("127.0.0.1")});
    EXPECT_TRUE(run.out.startsWith("Host Name: " + shown + "\nGroup Name: WG\n")) << run.out.toStdString();

    run = cli(unit, {s("page"), s("127.0.0.1")});
    EXPECT_EQ(run.out, page) << "the page stays the unit's bytes";

    run = cli(unit, {s("get"), s("127.0.0.1"), s("host_name"), s("--json")});
    EXPECT_TRUE(run.out.contains(R"("host_name": "A\u001b[2J\u001b]0;pwned\u0007B\rC\nD)")) << run.out.toStdString();
}

TEST(CliHelp, SaysThatThePasswordOptionIsVisible) {
    const TestSupport::CliRun run = TestSupport::runCli({s("--help")});
    EXPECT_EQ(run.exitCode, 0);
    const QByteArray help = run.out.simplified();
    EXPECT_TRUE(help.contains("Other users of this machine can read it")) << help.toStdString();
    EXPECT_TRUE(help.contains("ZUREDOR_PASSWORD")) << help.toStdString();
}

} // namespace

namespace {

TEST(CliPasswordPrompt, CtrlCLeavesEchoOn) {
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Neither -p nor ZUREDOR_PASSWORD: the password is asked for on the terminal.
        char* const argv[] = {const_cast<char*>("zuredor-cli"), const_cast<char*>("login"),
                              const_cast<char*>("127.0.0.1"), nullptr};
        char* const envp[] = {const_cast<char*>("PATH=/usr/bin:/bin"), nullptr};
        ::execve(ZUREDOR_CLI_PATH, argv, envp);
        ::_exit(127);
    }
    QByteArray seen;
    QElapsedTimer clock;
    clock.start();
    while (!seen.contains("Password: ") && clock.elapsed() < 10000) {
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, 100) > 0) {
            char buffer[256];
            const ssize_t n = ::read(terminal, buffer, sizeof buffer);
            if (n <= 0)
                break;
            seen.append(buffer, n);
        }
    }
    ASSERT_TRUE(seen.contains("Password: ")) << seen.toStdString();
    // The prompt is written just before echo goes off.
    termios during{};
    while (::tcgetattr(terminal, &during) == 0 && (during.c_lflag & ECHO) && clock.elapsed() < 10000)
        QThread::msleep(5);
    ASSERT_FALSE(during.c_lflag & ECHO) << "the prompt turns echo off";

    ASSERT_EQ(::write(terminal, "\x03", 1), 1);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0 && clock.elapsed() < 20000)
        QThread::msleep(10);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
    termios after{};
    ASSERT_EQ(::tcgetattr(terminal, &after), 0);
    EXPECT_TRUE(after.c_lflag & ECHO) << "Ctrl-C left the terminal without echo";
    ::kill(pid, SIGKILL); // only if it is still there
    ::waitpid(pid, &status, WNOHANG);
    ::close(terminal);
}

} // namespace
