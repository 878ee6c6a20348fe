// zuredor-cli disk against zuredor-sim: the Disk Utility page's requests on the
// wire, the window's checks and questions before anything is sent, and a scan
// followed as its result grows.

#include "support/cli_run.h"
#include "support/logged_unit.h"
#include "support/scripted_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <atomic>
#include <csignal>

#include <gtest/gtest.h>

namespace {

using TestSupport::CliRun;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const QByteArray kRequest = "GET /nas.cgi?redirect=";

class CliDisk : public TestSupport::LoggedUnitTest {
protected:
    // A scan that is over within a few milliseconds, unless a test wants to watch it.
    QStringList simOptions() const override { return {s("--disk-scan-step-ms"), QString::number(stepMs)}; }

    QStringList withUnit(QStringList arguments) const {
        return QStringList{s("disk")} + arguments +
               QStringList{s("--device-port"), QString::number(port), s("-p"), s("admin")};
    }
    CliRun disk(const QStringList& arguments) { return TestSupport::runCli(withUnit(arguments)); }

    // The CGI requests the unit received, request lines only.
    QList<QByteArray> changes() {
        QList<QByteArray> lines;
        for (const QByteArray& line : requests().split('\n')) {
            if (line.startsWith("GET /nas.cgi"))
                lines << line.trimmed();
        }
        return lines;
    }
    QJsonObject shown() { return QJsonDocument::fromJson(disk({s("show"), s("127.0.0.2"), s("--json")}).out).object(); }

    int stepMs = 1;
};

TEST_F(CliDisk, EachChangeSendsThePagesRequestAndShowFollowsIt) {
    const struct {
        QStringList arguments;
        QByteArray request; // after kRequest, up to " HTTP/1.0"
        const char* sleepAfter;
        int linesAfter; // -1: some
    } steps[] = {
        {{s("sleep"), s("127.0.0.2"), s("05")}, "sto.htm&failure=fail.htm&type=ide_set&idle=05", "5", -1},
        {{s("sleep"), s("127.0.0.2"), s("0")}, "sto.htm&failure=fail.htm&type=ide_set&idle=0", "0", -1},
        {{s("sleep"), s("127.0.0.2"), s("60")}, "sto.htm&failure=fail.htm&type=ide_set&idle=60", "60", -1},
        {{s("clear"), s("127.0.0.2"), s("--yes")}, "sto.htm&failure=fail.htm&type=ide_fixdisk_start", "60", 0},
        {{s("scan"), s("127.0.0.2"), s("--yes")}, "sto.htm&failure=fail.htm&type=ide_scandisk_start", "60", -1},
        {{s("format"), s("127.0.0.2"), s("--yes")}, "sto_ok.htm&failure=fail.htm&type=IDE_init", "60", 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.arguments.join(u' ').toStdString());
        const int before = changes().size();
        const CliRun run = disk(step.arguments);
        EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
        EXPECT_EQ(run.out, QByteArray("OK\n"));
        const QList<QByteArray> sent = changes();
        ASSERT_EQ(sent.size(), before + 1);
        EXPECT_EQ(sent.last(), kRequest + step.request + " HTTP/1.0");

        const QJsonObject now = shown();
        EXPECT_EQ(now.value(s("sleep_minutes")).toString(), s(step.sleepAfter));
        const qsizetype lines = now.value(s("scan_result")).toArray().size();
        if (step.linesAfter < 0)
            EXPECT_GT(lines, 3);
        else
            EXPECT_EQ(lines, step.linesAfter);
        EXPECT_EQ(now.value(s("can_clear")).toBool(), lines > 0) << "the unit lets a whole result be cleared";
    }
    // The format took the folders and shares with it.
    const QJsonObject lists =
        QJsonDocument::fromJson(TestSupport::runCli({s("smb"), s("list"), s("127.0.0.2"), s("--json"),
                                                     s("--device-port"), QString::number(port), s("-p"), s("admin")})
                                    .out)
            .object();
    EXPECT_TRUE(lists.value(s("folders")).toArray().isEmpty());
    EXPECT_EQ(lists.value(s("shares")).toArray(), QJsonArray{s("0")});
}

TEST_F(CliDisk, RefusalsAndUnansweredQuestionsSendNothing) {
    const struct {
        QStringList arguments;
        QByteArray out;
    } cases[] = {
        {{s("sleep"), s("127.0.0.2"), s("ab")}, "'ab' is not a valid integer value.\n"},
        {{s("sleep"), s("127.0.0.2"), s("")}, "'' is not a valid integer value.\n"},
        {{s("sleep"), s("127.0.0.2"), s("4")}, "Invalid Sleep Time\n"},
        {{s("sleep"), s("127.0.0.2"), s("61")}, "Invalid Sleep Time\n"},
        {{s("sleep"), s("127.0.0.2"), s("-5")}, "Invalid Sleep Time\n"},
        // The window's field takes two characters.
        {{s("sleep"), s("127.0.0.2"), s("005")}, "Value is too long: Sleep Time (2)\n"},
        // Without a terminal and without --yes: the question's words, and no.
        {{s("format"), s("127.0.0.2")},
         "This will format the hard disk and erase All data on this disk!\nAre you sure?\n"},
        {{s("scan"), s("127.0.0.2"), s("--follow")}, "This operation will take some time to complete! Continue?\n"},
        {{s("clear"), s("127.0.0.2")}, "Are you sure to clear scan result?\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = disk(c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.arguments.join(u' ').toStdString();
        EXPECT_EQ(run.out, c.out) << c.arguments.join(u' ').toStdString();
    }
    EXPECT_TRUE(changes().isEmpty()) << changes().value(0).toStdString();

    // With --json the words go to standard error and standard output holds one object.
    const CliRun json = disk({s("format"), s("127.0.0.2"), s("--json")});
    EXPECT_EQ(json.exitCode, 1);
    const QJsonObject failure = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(failure.value(s("result")).toString(), s("refused"));
    EXPECT_TRUE(failure.value(s("error")).toString().startsWith(s("This will format the hard disk")));
    EXPECT_TRUE(changes().isEmpty());
}

TEST_F(CliDisk, ShowPrintsTheFieldTheButtonAndTheLines) {
    const CliRun text = disk({s("show"), s("127.0.0.2")});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.startsWith("Sleep Time (min): 15\nScan result can be cleared: yes\nScan result:\n  Scan "
                                    "started 2024/03/02 03:00:01\n"))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.endsWith("  Scan finished: no errors found\n")) << text.out.toStdString();
    const QJsonObject json = shown();
    EXPECT_EQ(json.value(s("ip")).toString(), s("127.0.0.2"));
    EXPECT_EQ(json.value(s("sleep_minutes")).toString(), s("15"));
    EXPECT_TRUE(json.value(s("can_clear")).toBool());
    EXPECT_EQ(json.value(s("scan_result")).toArray().size(), text.out.count("\n  "));
}

class CliDiskLocked : public CliDisk {
protected:
    QStringList simOptions() const override { return CliDisk::simOptions() + QStringList{s("--disk-fix-disabled")}; }
};

TEST_F(CliDiskLocked, ClearIsRefusedWhileTheUnitSaysDisable) {
    EXPECT_FALSE(shown().value(s("can_clear")).toBool());
    const CliRun run = disk({s("clear"), s("127.0.0.2"), s("--yes")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QByteArray("The unit does not let its scan result be cleared now\n"));
    const CliRun json = disk({s("clear"), s("127.0.0.2"), s("--yes"), s("--json")});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(QJsonDocument::fromJson(json.out).object().value(s("result")).toString(), s("refused"));
    EXPECT_TRUE(changes().isEmpty()) << changes().value(0).toStdString();
    EXPECT_FALSE(shown().value(s("scan_result")).toArray().isEmpty());
}

class CliDiskFollow : public CliDisk {
protected:
    void SetUp() override {
        stepMs = 150;
        CliDisk::SetUp();
    }
};

// The scan's result is printed as it grows, each line once and in order, until Ctrl-C, which ends it with status 0.
TEST_F(CliDiskFollow, PrintsNewLinesOnlyUntilInterrupted) {
    QProcess follow;
    follow.setProcessEnvironment(TestSupport::cleanEnvironment());
    follow.start(s(ZUREDOR_CLI_PATH),
                 withUnit({s("scan"), s("127.0.0.2"), s("--yes"), s("--follow"), s("--interval"), s("0.1")}));
    ASSERT_TRUE(follow.waitForStarted(5000));
    QByteArray out;
    ASSERT_TRUE(TestSupport::waitUntil(
        [&] {
            out += follow.readAllStandardOutput();
            return out.contains("Scan finished");
        },
        15000))
        << out.toStdString();
    ::kill(static_cast<pid_t>(follow.processId()), SIGINT);
    ASSERT_TRUE(follow.waitForFinished(5000));
    out += follow.readAllStandardOutput();
    EXPECT_EQ(follow.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(follow.exitCode(), 0);

    QByteArray expected = "OK\n";
    for (const QJsonValue& line : shown().value(s("scan_result")).toArray())
        expected += line.toString().toUtf8() + '\n';
    EXPECT_EQ(out, expected);
    // It grew while followed: read again and again, not once at the end.
    EXPECT_GE(requests().count("GET /utility_use.htm"), 5);
    EXPECT_EQ(changes().size(), 1);
}

// What --follow says besides the lines, on standard error: a bound reached, a result
// rewritten, a page over the read cap; each once, not at every read. A dead unit is
// "Connection Fail", as in the window.
TEST(CliDiskFollowWords, SayWhereTheResultStops) {
    const auto scanPage = [](const QByteArray& scan) {
        return TestSupport::Reply{TestSupport::withLength(
            "HTTP/1.0 200 OK", "<HTML>\r\ndisk_fix_enable=\"DISABLE\";\r\ndisk_scan=\"" + scan + "\";\r\n")};
    };
    QByteArray many;
    for (int i = 0; i < 16 * 1024 + 5; ++i)
        many += QByteArray::number(i) + '\n';
    const TestSupport::Reply overCap{"HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(9 * 1024 * 1024) +
                                     "\r\n\r\n<HTML>\r\n"};
    const QByteArray bound = "The scan result has reached the 16384 lines (or 1 MiB of text) that are kept: lines "
                             "after them are not shown\n";
    const QByteArray rewritten = "The unit rewrote its scan result; it follows again in full\n";
    const QByteArray large = "The unit's page is larger than 8 MiB, the most that is read: the unit answers, but its "
                             "scan result cannot be shown\n";
    const struct {
        const char* name;
        QList<TestSupport::Reply> pages; // one per read, the last repeats
        QByteArray out;                  // exact, or its start when `outStarts`
        QByteArray err;
        bool outStarts = false;
        bool json = false;
    } cases[] = {
        {"the bound reached",
         {scanPage("0\n1\n"), scanPage(many)},
         "OK\n" + many.first(many.indexOf("16384\n")),
         bound},
        {"grown, then rewritten",
         {scanPage("a\nb\n"), scanPage("a\nb\nc\n"), scanPage("x\ny\n"), scanPage("x\ny\nz")},
         "OK\na\nb\nc\nx\ny\nz\n",
         rewritten},
        {"rewritten, in JSON",
         {scanPage("a\nb\n"), scanPage("x\n")},
         "{\n    \"ip\": \"127.0.0.1\",\n    \"result\": \"done\"\n}\n"
         "{\"ip\":\"127.0.0.1\",\"scan_result\":[\"a\",\"b\"]}\n{\"ip\":\"127.0.0.1\",\"rewritten\":true,"
         "\"scan_result\":[\"x\"]}\n",
         "OK\n" + rewritten,
         false,
         true},
        // Eight reads, each over the cap, make a turn without a page; two such turns say it once.
        {"a page over the read cap",
         QList<TestSupport::Reply>{scanPage("a\n")} + QList<TestSupport::Reply>(16, overCap) +
             QList<TestSupport::Reply>{scanPage("a\nb\n")},
         "OK\na\nb\n", large},
        {"a dead unit", {TestSupport::Reply{.bytes = {}, .reset = true}}, "OK\nConnection Fail\n", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> reads{0};
        const QList<TestSupport::Reply> pages = c.pages;
        TestSupport::ScriptedServer unit([&reads, pages](const QByteArray& request) {
            const QByteArray path = TestSupport::requestPath(request);
            if (path.contains(".cgi"))
                return TestSupport::Reply{"HTTP/1.0 302 Found\r\nLocation: sto.htm\r\nContent-Length: 0\r\n\r\n"};
            if (!path.startsWith("/utility_use.htm"))
                return TestSupport::Reply{TestSupport::withLength("HTTP/1.0 200 OK", "<HTML>")};
            return pages.value(std::min<qsizetype>(reads++, pages.size() - 1));
        });
        QStringList arguments{s("disk"),  s("scan"),          s("127.0.0.1"),
                              s("--yes"), s("--follow"),      s("--interval"),
                              s("0.05"),  s("--device-port"), QString::number(unit.port()),
                              s("-p"),    s("admin")};
        if (c.json)
            arguments << s("--json");
        QProcess follow;
        follow.setProcessEnvironment(TestSupport::cleanEnvironment());
        follow.start(s(ZUREDOR_CLI_PATH), arguments);
        ASSERT_TRUE(follow.waitForStarted(5000));
        // Every page read, and the last one a few times over.
        EXPECT_TRUE(TestSupport::waitUntil([&] { return reads >= pages.size() + 4; }, 30000)) << reads;
        ::kill(static_cast<pid_t>(follow.processId()), SIGINT);
        ASSERT_TRUE(follow.waitForFinished(10000));
        EXPECT_EQ(follow.exitCode(), 0);
        const QByteArray out = follow.readAllStandardOutput();
        if (c.outStarts)
            EXPECT_TRUE(out.startsWith(c.out)) << out.left(200).toStdString();
        else
            EXPECT_EQ(out, c.out);
        EXPECT_EQ(follow.readAllStandardError(), c.err);
    }
}

// What a unit sends is data: escaped on a terminal, exact in JSON.
TEST(CliDiskUnitText, IsEscapedOnATerminalAndExactInJson) {
    const QByteArray page = "<HTML>\r\ndisk_idle_value=\"\x1b]\";x\";\r\ndisk_fix_enable=\"DISABLE\";\r\n"
                            "disk_scan=\"ok\x1b[2J\r\n\xe2\x80\xae"
                            "evil\n\";\r\n";
    TestSupport::ScriptedServer unit(QList<TestSupport::Reply>{{TestSupport::withLength("HTTP/1.0 200 OK", page)}});
    const QStringList base{s("disk"), s("show"), s("127.0.0.1"), s("--device-port"), QString::number(unit.port()),
                           s("-p"),   s("admin")};
    const CliRun text = TestSupport::runCli(base);
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.out, QByteArray("Sleep Time (min): \\x1b]\nScan result can be cleared: no\nScan result:\n"
                                   "  ok\\x1b[2J\\x0d\n  \\u202eevil\n"));
    const CliRun json = TestSupport::runCli(base + QStringList{s("--json")});
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(object.value(s("sleep_minutes")).toString(), s("\x1b]"));
    EXPECT_EQ(object.value(s("scan_result")).toArray(), (QJsonArray{s("ok\x1b[2J\r"), s("\u202e"
                                                                                        "evil")}));
}

} // namespace
