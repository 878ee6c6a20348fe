// zuredor-cli ftp against zuredor-sim: the FTP Server and Modify FTP pages'
// requests on the wire and in their order, the checks before anything is
// sent, the repetition while the unit refuses, and the pages read back.

#include "support/cli_run.h"
#include "support/logged_unit.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

using TestSupport::CliRun;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// The CGI request lines of a request log, in order.
QList<QByteArray> cgiLines(const QByteArray& log) {
    QList<QByteArray> lines;
    for (const QByteArray& line : log.split('\n')) {
        if (line.startsWith("GET /nas.cgi"))
            lines << line.trimmed();
    }
    return lines;
}

QByteArray request(const char* redirect, const QByteArray& rest) {
    return "GET /nas.cgi?redirect=" + QByteArray(redirect) + "&failure=fail.htm&type=" + rest + " HTTP/1.0";
}

QByteArray onFtp(const QByteArray& rest) {
    return request("ftp.htm", rest);
}

QByteArray onAccount(const QByteArray& rest) {
    return request("ftp_mod.htm", rest);
}

QByteArray selecting(const char* value) {
    return onAccount("ftps_userid_set&ftps_user_id=" + QByteArray(value));
}

class CliFtp : public TestSupport::LoggedUnitTest {
protected:
    CliRun ftp(const QStringList& arguments, const QByteArray& input = {}) {
        return TestSupport::runCliWithInput(
            QStringList{s("ftp")} + arguments +
                QStringList{s("--device-port"), QString::number(port), s("-p"), s("admin")},
            input);
    }
    QList<QByteArray> changes() { return cgiLines(requests()); }

    QJsonObject show() { return QJsonDocument::fromJson(ftp({s("show"), s("127.0.0.2"), s("--json")}).out).object(); }
    QJsonObject account(const char* user) {
        return QJsonDocument::fromJson(ftp({s("account"), s("127.0.0.2"), s(user), s("--json")}).out).object();
    }
    // One column of USER's row in the account list; "(none)" without such a row.
    QString column(const char* user, const char* name) {
        for (const QJsonValue row : show().value(s("accounts")).toArray()) {
            if (row[s("user")].toString() == s(user))
                return row[s(name)].toString();
        }
        return s("(none)");
    }
    QString shares(const char* user) {
        QStringList names;
        for (const QJsonValue name : account(user).value(s("shares")).toArray())
            names << name.toString();
        return names.join(u',');
    }
};

TEST_F(CliFtp, EveryCommandSendsTheWindowsRequestsInOrderAndThePagesFollow) {
    const struct {
        QStringList arguments;
        QByteArray input;
        QList<QByteArray> requests;
        std::function<QString()> observe; // read after the command
        QString expected;
    } steps[] = {
        {{s("add-account"), s("127.0.0.2"), s(" carol-1 ")},
         {},
         {request("ftp_add.htm", "ftps_userid_set&ftps_user_id=255"),
          onFtp("ftps_user_add&Account=carol%2d1&ftp_att=R")},
         [&] { return column("carol-1", "access") + column("carol-1", "value"); },
         s("Read Only3")},
        // The third row: counted from 0.
        {{s("toggle-account"), s("127.0.0.2"), s("carol-1")},
         {},
         {onFtp("ftps_user_enabled&FTP_AC_LIST=2")},
         [&] { return column("carol-1", "state") + column("alice", "state"); },
         s("DisableEnable")},
        {{s("give"), s("127.0.0.2"), s("carol-1"), s("Music")},
         {},
         {selecting("3"), onAccount("ftps_add_share&account=carol%2d1&account_List=Music&op_add=Add")},
         [&] { return shares("carol-1"); },
         s("Music")},
        {{s("set-account"), s("127.0.0.2"), s("carol-1"), s("rw"), s("p w!")},
         {},
         {selecting("3"), onAccount("ftps_user_add&Account=carol%2d1&Account_passwd=p+w%21&ftp_att=W")},
         [&] { return column("carol-1", "password") + column("carol-1", "access"); },
         s("p w!Read/Write")},
        {{s("set-account"), s("127.0.0.2"), s("carol-1"), s("ro"), s("--keep-password")},
         {},
         {selecting("3"), onAccount("ftps_user_add&Account=carol%2d1&Account_passwd=p+w%21&ftp_att=R")},
         [&] { return column("carol-1", "password") + column("carol-1", "access"); },
         s("p w!Read Only")},
        // Twelve bytes, the most the window takes, given twice on standard input.
        {{s("set-account"), s("127.0.0.2"), s("carol-1"), s("rw")},
         "twelve_bytes\ntwelve_bytes\n",
         {selecting("3"), onAccount("ftps_user_add&Account=carol%2d1&Account_passwd=twelve%5fbytes&ftp_att=W")},
         [&] { return column("carol-1", "password"); },
         s("twelve_bytes")},
        {{s("take"), s("127.0.0.2"), s("carol-1"), s("Music")},
         {},
         {selecting("3"), onAccount("ftps_del_share&account=carol%2d1&account_List=Music&op_del=Delete")},
         [&] { return shares("carol-1") + shares("alice"); },
         s("Documents")},
        {{s("account"), s("127.0.0.2"), s("bob")}, {}, {selecting("2")}, [&] { return shares("bob"); }, QString()},
        {{s("set"), s("127.0.0.2"), s("disable"), s("02121")},
         {},
         {onFtp("ftps_state_apply&ftps_set=DISABLE&ftps_port=02121")},
         [&] {
             const QJsonObject page = show();
             return page[s("port")].toString() + (page[s("enabled")].toBool() ? s(" on") : s(" off"));
         },
         s("2121 off")},
        {{s("anonymous"), s("127.0.0.2"), s("enable"), s("rw"), s("Photos")},
         {},
         {onFtp("ftps_anonymous_apply&ftp_anon_stu=ENABLE&ftp_a_att=RW&home=Photos&anony_Apply=Apply")},
         [&] {
             const QJsonObject page = show();
             return page[s("home")].toString() + (page[s("anonymous")].toBool() ? s(" on") : s(" off")) +
                    (page[s("anonymous_read_only")].toBool() ? s(" ro") : s(" rw"));
         },
         s("Photos on rw")},
        // By the hidden value, not the row.
        {{s("delete-account"), s("127.0.0.2"), s("carol-1"), s("--yes")},
         {},
         {onFtp("ftps_user_del&FTP_AC_LIST=3")},
         [&] { return column("carol-1", "user") + column("bob", "user"); },
         s("(none)bob")},
    };
    for (const auto& step : steps) {
        const std::string name = step.arguments.join(u' ').toStdString();
        const qsizetype before = changes().size();
        const CliRun run = ftp(step.arguments, step.input);
        EXPECT_EQ(run.exitCode, 0) << name << ": " << run.out.toStdString() << run.err.toStdString();
        if (step.arguments[0] != s("account")) {
            EXPECT_EQ(run.out, QByteArray("OK\n")) << name;
        }
        EXPECT_EQ(changes().mid(before), step.requests) << name;
        EXPECT_EQ(step.observe(), step.expected) << name;
    }
}

TEST_F(CliFtp, RefusedChecksAndUnknownAccountsSendNothing) {
    const QByteArray unknown = "There is no FTP account named \"nobody\"\n";
    const struct {
        QStringList arguments;
        QByteArray input;
        QByteArray out;
    } cases[] = {
        {{s("set"), s("127.0.0.2"), s("enable"), s("20")}, {}, "Invalid port number\n"},
        {{s("set"), s("127.0.0.2"), s("enable"), s("1024")}, {}, "Invalid port number\n"},
        {{s("set"), s("127.0.0.2"), s("disable"), s("65501")}, {}, "Invalid port number\n"},
        {{s("set"), s("127.0.0.2"), s("enable"), s("ab")}, {}, "'ab' is not a valid integer value.\n"},
        {{s("give"), s("127.0.0.2"), s("alice"), s("ABCDEFGHIJKLM")}, {}, "Over Maximum 12 characters.\n"},
        {{s("set-account"), s("127.0.0.2"), s("alice"), s("rw"), s("0123456789abc")},
         {},
         "Over Maximum 12 characters.\n"},
        {{s("set-account"), s("127.0.0.2"), s("alice"), s("rw")}, "one\ntwo\n", "New password entries do not match!\n"},
        {{s("add-account"), s("127.0.0.2"), s("a.b")}, {}, "only English characters or numbers accepted.\n"},
        {{s("add-account"), s("127.0.0.2"), s("   ")}, {}, "Value is empty\n"},
        {{s("add-account"), s("127.0.0.2"), s("ABCDEFGHIJKLM")}, {}, "Over Maximum 12 characters.\n"},
        {{s("toggle-account"), s("127.0.0.2"), s("nobody")}, {}, unknown},
        {{s("delete-account"), s("127.0.0.2"), s("nobody"), s("--yes")}, {}, unknown},
        {{s("account"), s("127.0.0.2"), s("nobody")}, {}, unknown},
        {{s("give"), s("127.0.0.2"), s("nobody"), s("Music")}, {}, unknown},
        {{s("take"), s("127.0.0.2"), s("nobody"), s("Documents")}, {}, unknown},
        {{s("set-account"), s("127.0.0.2"), s("nobody"), s("ro"), s("pw")}, {}, unknown},
        // User names are matched byte for byte.
        {{s("toggle-account"), s("127.0.0.2"), s("Alice")}, {}, "There is no FTP account named \"Alice\"\n"},
        {{s("delete-account"), s("127.0.0.2"), s("alice")},
         {},
         "Selected account will be delete.Are you sure?\nalice\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = ftp(c.arguments, c.input);
        EXPECT_EQ(run.exitCode, 1) << c.arguments.join(u' ').toStdString();
        EXPECT_EQ(run.out, c.out) << c.arguments.join(u' ').toStdString();
    }
    EXPECT_TRUE(changes().isEmpty()) << changes().value(0).toStdString();
    EXPECT_EQ(column("alice", "state"), s("Enable"));
}

TEST_F(CliFtp, ShowAndAccountPrintThePagesForPeopleAndForScripts) {
    const CliRun text = ftp({s("show"), s("127.0.0.2")});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.startsWith("FTP Status: Enable\nPort: 21\nAllow anonymous: Disable\nAnonymous access: Read "
                                    "only\nHome Directory: Documents\nFolder List:\n  Documents\n  Music\n"))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("Account List:\n  User Name  Password  Access      En/Disable\n"
                                  "  alice      wonder1   Read Only   Enable\n"
                                  "  bob        builder   Read/Write  Enable\n"))
        << text.out.toStdString();

    const QJsonObject page = show();
    EXPECT_EQ(page[s("ip")].toString(), s("127.0.0.2"));
    EXPECT_TRUE(page[s("enabled")].isBool() && page[s("anonymous")].isBool() &&
                page[s("anonymous_read_only")].isBool());
    EXPECT_EQ(page[s("port")], QJsonValue(s("21")));
    EXPECT_EQ(page[s("folders")].toArray().size(), 4);
    const QJsonObject bob = page[s("accounts")].toArray().at(1).toObject();
    EXPECT_EQ(bob, (QJsonObject{{s("user"), s("bob")},
                                {s("password"), s("builder")},
                                {s("access"), s("Read/Write")},
                                {s("state"), s("Enable")},
                                {s("value"), s("2")}}));

    const CliRun alice = ftp({s("account"), s("127.0.0.2"), s("alice")});
    EXPECT_EQ(alice.exitCode, 0);
    EXPECT_TRUE(alice.out.startsWith("Account: alice\nPassword: wonder1\nAccess: Read only\nFolder List:\n"))
        << alice.out.toStdString();
    EXPECT_TRUE(alice.out.endsWith("  Backup\nSharing List:\n  Documents\n")) << alice.out.toStdString();
    EXPECT_EQ(account("alice"),
              (QJsonObject{{s("ip"), s("127.0.0.2")},
                           {s("account"), s("alice")},
                           {s("password"), s("wonder1")},
                           {s("read_only"), true},
                           {s("folders"), QJsonArray{s("Documents"), s("Music"), s("Photos"), s("Backup")}},
                           {s("shares"), QJsonArray{s("Documents")}}}));

    // A refusal with --json is one object; the words go to standard error.
    const CliRun refused = ftp({s("toggle-account"), s("127.0.0.2"), s("nobody"), s("--json")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(QJsonDocument::fromJson(refused.out).object(),
              (QJsonObject{{s("ip"), s("127.0.0.2")},
                           {s("result"), s("refused")},
                           {s("error"), s("There is no FTP account named \"nobody\"")}}));
    EXPECT_EQ(refused.err, QByteArray("There is no FTP account named \"nobody\"\n"));
}

TEST(CliFtpRefusingUnit, RepeatsWhereTheWindowRepeatsAndStopsAtTheFirstRefusal) {
    const QByteArray anonymous =
        onFtp("ftps_anonymous_apply&ftp_anon_stu=ENABLE&ftp_a_att=RO&home=Music&anony_Apply=Apply");
    const QByteArray create = request("ftp_add.htm", "ftps_userid_set&ftps_user_id=255");
    const QByteArray addDave = onFtp("ftps_user_add&Account=dave&ftp_att=R");
    const struct {
        const char* name;
        int refusals; // the unit's next ftp.htm changes it sends to the failure page
        QStringList arguments;
        int exitCode;
        QList<QByteArray> requests;
    } cases[] = {
        {"anonymous refused throughout",
         20,
         {s("anonymous"), s("enable"), s("ro"), s("Music")},
         1,
         QList<QByteArray>(15, anonymous)},
        {"anonymous taken at the fourth",
         3,
         {s("anonymous"), s("enable"), s("ro"), s("Music")},
         0,
         QList<QByteArray>(4, anonymous)},
        {"the account dialog's request repeated",
         2,
         {s("add-account"), s("dave")},
         0,
         QList<QByteArray>{create, addDave, addDave, addDave}},
        {"a name in use, refused throughout",
         0,
         {s("add-account"), s("alice")},
         1,
         QList<QByteArray>{create} + QList<QByteArray>(15, onFtp("ftps_user_add&Account=alice&ftp_att=R"))},
        {"the server switch is sent once",
         5,
         {s("set"), s("enable"), s("21")},
         1,
         {onFtp("ftps_state_apply&ftps_set=ENABLE&ftps_port=21")}},
        {"a refused folder change ends it",
         0,
         {s("give"), s("alice"), s("Documents")},
         1,
         {selecting("1"), onAccount("ftps_add_share&account=alice&account_List=Documents&op_add=Add")}},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const quint16 port = TestSupport::freeTcpPort();
        const QString logPath = dir.filePath(s("requests.log"));
        TestSupport::SimProcess sim({s("--units"), s("1"), s("--discovery-port"),
                                     QString::number(TestSupport::freeUdpPort()), s("--device-port"),
                                     QString::number(port), s("--request-log"), logPath, s("--web-refuse-ftp"),
                                     QString::number(c.refusals)});
        ASSERT_TRUE(sim.start()) << sim.output().toStdString();
        QStringList arguments = c.arguments;
        arguments.insert(1, s("127.0.0.2"));
        const CliRun run =
            TestSupport::runCli(QStringList{s("ftp")} + arguments +
                                QStringList{s("--device-port"), QString::number(port), s("-p"), s("admin")});
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.out.toStdString();
        EXPECT_EQ(run.out, c.exitCode == 0 ? QByteArray("OK\n") : QByteArray("The unit did not accept the setting\n"))
            << c.name;
        QFile log(logPath);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_EQ(cgiLines(log.readAll()), c.requests) << c.name;
    }
}

TEST(CliFtpHelp, TheGroupIsListedWithItsCommands) {
    const CliRun top = TestSupport::runCli({s("--help")});
    EXPECT_EQ(top.exitCode, 0);
    EXPECT_TRUE(top.out.contains("The FTP Server page")) << top.out.toStdString();
    const CliRun group = TestSupport::runCli({s("ftp"), s("--help")});
    EXPECT_EQ(group.exitCode, 0);
    for (const char* command : {"show", "set", "anonymous", "add-account", "toggle-account", "delete-account",
                                "account", "set-account", "give", "take"})
        EXPECT_TRUE(group.out.contains(command)) << command;
}

} // namespace
