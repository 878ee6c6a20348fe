// zuredor-cli smb against zuredor-sim: the SMB Server page's requests on the
// wire, the dialogs' checks before anything is sent, and the unit's lists read
// back afterwards.

#include "support/cli_run.h"
#include "support/logged_unit.h"
#include "support/scripted_server.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using TestSupport::CliRun;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

class CliSmb : public TestSupport::LoggedUnitTest {
protected:
    QStringList withUnit(QStringList arguments) const {
        return QStringList{s("smb")} + arguments +
               QStringList{s("--device-port"), QString::number(port), s("-p"), s("admin")};
    }
    CliRun smb(const QStringList& arguments, const QByteArray& input = {}) {
        return TestSupport::runCliWithInput(withUnit(arguments), input);
    }

    // The CGI requests the unit received, request lines only.
    QList<QByteArray> changes() {
        QList<QByteArray> lines;
        for (const QByteArray& line : requests().split('\n')) {
            if (line.startsWith("GET /nas.cgi"))
                lines << line.trimmed();
        }
        return lines;
    }

    QJsonObject lists() { return QJsonDocument::fromJson(smb({s("list"), s("127.0.0.2"), s("--json")}).out).object(); }
};

const QByteArray kRequest = "GET /nas.cgi?redirect=smb.htm&failure=fail.htm&type=";

TEST_F(CliSmb, EveryActionSendsThePagesRequestAndTheListsFollow) {
    const struct {
        QStringList arguments;
        QByteArray input;
        QByteArray request; // after kRequest, up to " HTTP/1.0"
    } steps[] = {
        {{s("create"), s("127.0.0.2"), s("  New-1 ")}, {}, "fm_mkdir_apply&folder=New%2d1&to_name="},
        {{s("publish"), s("127.0.0.2"), s("New-1")}, {}, "nas_apply&share_list=New%2d1&add=New"},
        {{s("password"), s("127.0.0.2"), s("New-1")},
         "p w\np w\n",
         "nas_mod&folder=New%2d1&password1=p+w&password2=p+w"},
        {{s("withdraw"), s("127.0.0.2"), s("New-1")}, {}, "nas_apply&allow_share=New%2d1&del=Remove"},
        {{s("rename"), s("127.0.0.2"), s("New-1"), s("Newer")}, {}, "fm_rename_apply&folder=Newer&to_name=New%2d1"},
        {{s("delete"), s("127.0.0.2"), s("Newer"), s("--yes")}, {}, "fm_rmdir_apply&folder=Newer&to_name="},
    };
    for (const auto& step : steps) {
        const int before = changes().size();
        const CliRun run = smb(step.arguments, step.input);
        EXPECT_EQ(run.exitCode, 0) << step.arguments.join(u' ').toStdString() << ": " << run.out.toStdString();
        EXPECT_EQ(run.out, QByteArray("OK\n"));
        const QList<QByteArray> sent = changes();
        ASSERT_EQ(sent.size(), before + 1) << step.arguments.join(u' ').toStdString();
        EXPECT_EQ(sent.last(), kRequest + step.request + " HTTP/1.0");

        const QJsonObject now = lists();
        const QString verb = step.arguments[0];
        const bool hasNew = now.value(s("folders")).toArray().contains(s("New-1"));
        const bool sharesNew = now.value(s("shares")).toArray().contains(s("New-1"));
        const QJsonArray folders = now.value(s("folders")).toArray();
        bool expected = true;
        if (verb == s("create") || verb == s("withdraw"))
            expected = hasNew && !sharesNew;
        else if (verb == s("publish") || verb == s("password"))
            expected = hasNew && sharesNew;
        else if (verb == s("rename"))
            expected = !hasNew && folders.contains(s("Newer"));
        else if (verb == s("delete"))
            expected = !folders.contains(s("Newer"));
        EXPECT_TRUE(expected) << verb.toStdString() << ": the lists do not follow";
    }
}

TEST_F(CliSmb, RefusalsAndUnansweredQuestionsSendNothing) {
    const struct {
        QStringList arguments;
        QByteArray input;
        QByteArray out;
    } cases[] = {
        {{s("create"), s("127.0.0.2"), s("a.b")}, {}, "Only English characters or numbers accepted.\n"},
        {{s("create"), s("127.0.0.2"), s("   ")}, {}, "Value is empty\n"},
        {{s("create"), s("127.0.0.2"), s("ABCDEFGHIJKLM")}, {}, "Over Maximum 12 characters.\n"},
        {{s("rename"), s("127.0.0.2"), s("Music"), s("x!")}, {}, "Only English characters or numbers accepted.\n"},
        {{s("publish"), s("127.0.0.2"), s("ABCDEFGHIJKLM")}, {}, "Over Maximum 12 characters.\n"},
        {{s("password"), s("127.0.0.2"), s("Music"), s("0123456789abc"), s("other")},
         {},
         "Over Maximum 12 characters.\n"},
        {{s("password"), s("127.0.0.2"), s("Music")}, "one\ntwo\n", "New password entries do not match!\n"},
        {{s("delete"), s("127.0.0.2"), s("Music")},
         {},
         "Folder selected and its contents will be deleted!\nAre you sure?\nMusic\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = smb(c.arguments, c.input);
        EXPECT_EQ(run.exitCode, 1) << c.arguments.join(u' ').toStdString();
        EXPECT_EQ(run.out, c.out) << c.arguments.join(u' ').toStdString();
    }
    EXPECT_TRUE(changes().isEmpty()) << changes().value(0).toStdString();
    EXPECT_TRUE(lists().value(s("folders")).toArray().contains(s("Music")));
}

TEST_F(CliSmb, ListShowsTheUnitsNamesForPeopleAndForScripts) {
    const CliRun text = smb({s("list"), s("127.0.0.2")});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.startsWith("Folder List:\n  Documents\n")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("Sharing List:\n  0\n")) << text.out.toStdString();
    const QJsonObject json = lists();
    EXPECT_EQ(json.value(s("ip")).toString(), s("127.0.0.2"));
    EXPECT_TRUE(json.value(s("folders")).isArray());
    EXPECT_TRUE(json.value(s("shares")).toArray().contains(s("0")));
}

} // namespace

namespace {

// Names are the unit's bytes: a name outside ASCII is shown whole and goes back exactly as it came.
TEST(CliSmbNames, ANonAsciiFolderIsPublishedAndWithdrawnByItsOwnBytes) {
    QTemporaryDir dir;
    const quint16 port = TestSupport::freeTcpPort();
    const QString logPath = dir.filePath(s("requests.log"));
    TestSupport::SimProcess sim({s("--units"), s("2"), s("--discovery-port"),
                                 QString::number(TestSupport::freeUdpPort()), s("--device-port"), QString::number(port),
                                 s("--request-log"), logPath});
    ASSERT_TRUE(sim.start()) << sim.output().toStdString();
    const auto smb = [&](QStringList arguments) {
        return TestSupport::runCli(QStringList{s("smb")} + arguments +
                                   QStringList{s("--device-port"), QString::number(port), s("-p"), s("admin")});
    };
    const CliRun list = smb({s("list"), s("127.0.0.3")});
    EXPECT_TRUE(list.out.contains("  M\xc3\xbasica\n")) << list.out.toStdString();
    for (const char* verb : {"publish", "withdraw"}) {
        const CliRun run = smb({s(verb), s("127.0.0.3"), s("Música")});
        EXPECT_EQ(run.exitCode, 0) << verb << ": " << run.out.toStdString();
    }
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray requests = log.readAll();
    EXPECT_TRUE(requests.contains("&share_list=M%c3%basica&add=New HTTP/1.0")) << requests.toStdString();
    EXPECT_TRUE(requests.contains("&allow_share=M%c3%basica&del=Remove HTTP/1.0"));
    const QJsonObject after = QJsonDocument::fromJson(smb({s("list"), s("127.0.0.3"), s("--json")}).out).object();
    EXPECT_FALSE(after.value(s("shares")).toArray().contains(s("Música")));
    EXPECT_TRUE(after.value(s("folders")).toArray().contains(s("Música")));
}

} // namespace

namespace {

// One account row as a unit lays it out: the user padded to 21, password and access followed by 11 pads.
QByteArray accountRow(const QByteArray& value, const QByteArray& user) {
    const QByteArray pad = "&nbsp;";
    return "<option value=\"" + value + "\">" + user + pad.repeated(std::max<qsizetype>(21 - user.size(), 0)) + "pw" +
           pad.repeated(11) + "Read Only" + pad.repeated(11) + "Enable" + pad + "</option>";
}

QByteArray options(const QList<QByteArray>& names) {
    QByteArray list;
    for (const QByteArray& name : names)
        list += "<option value=\"" + name + "\">" + name + "</option>";
    return list;
}

// Look-alike names in a unit's own code page: a folder "caf\xe9" beside "caf" U+FFFD (what
// U+FFFD's UTF-8 looks like when printed), a name with a backslash, two accounts named "dup",
// "jos\xe9" beside "jos" U+FFFD; the account list opens with an option that has no value.
// The Modify FTP page names bob, whatever is selected, as if a second client had chosen him.
TEST(CliNames, AreMatchedByTheirBytesAndShownSoThatLookAlikesDiffer) {
    const QByteArray folders = options({"caf\xe9", "caf\xef\xbf\xbd", "a\\b"});
    const QByteArray page = "<HTML>\r\nshare_list=\"" + folders + "\";\r\nallow_share=\"" + options({"0"}) +
                            "\";\r\nftps_dir_list=\"" + folders + "\";\r\nftp_ac_list=\"<option>-</option>" +
                            accountRow("7", "jos\xef\xbf\xbd") + accountRow("8", "jos\xe9") + accountRow("3", "dup") +
                            accountRow("4", "dup") + accountRow("5", "bob") + accountRow("6", "alice") +
                            "\";\r\nftps_account=\"bob\";\r\nftps_account_passwd=\"pw\";\r\n</HTML>\r\n";
    // Every change is confirmed by the redirect to the page it asked for.
    TestSupport::ScriptedServer unit([page](const QByteArray& request) {
        const QByteArray path = TestSupport::requestPath(request);
        if (!path.contains(".cgi"))
            return TestSupport::Reply{TestSupport::withLength("HTTP/1.0 200 OK", page)};
        const qsizetype at = path.indexOf("redirect=") + 9;
        return TestSupport::Reply{"HTTP/1.0 302 Found\r\nLocation: " + path.mid(at, path.indexOf('&', at) - at) +
                                  "\r\nContent-Length: 0\r\n\r\n"};
    });
    const auto raw = [](const QByteArray& bytes) { return TestSupport::rawArgument(bytes); };
    const auto smbDelete = [](const QByteArray& folder) {
        return "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rmdir_apply&folder=" + folder + "&to_name=";
    };
    const QByteArray onFtp = "/nas.cgi?redirect=ftp.htm&failure=fail.htm&type=";
    const QByteArray selectBob = "/nas.cgi?redirect=ftp_mod.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=5";
    const struct {
        const char* name;
        QStringList arguments;
        int exitCode;
        QByteArray out; // contained in standard output
        QList<QByteArray> changes;
    } cases[] = {
        {"list", {s("smb"), s("list")}, 0, "  caf\\xe9\n  caf\xef\xbf\xbd\n  a\\\\b\n", {}},
        {"list as JSON", {s("smb"), s("list"), s("--json")}, 0, "\"caf\\\\xe9\",\n", {}},
        {"the printed form", {s("smb"), s("delete"), s("caf\\xe9"), s("--yes")}, 0, "OK\n", {smbDelete("caf%e9")}},
        {"raw bytes", {s("smb"), s("delete"), raw("caf\xe9"), s("--yes")}, 0, "OK\n", {smbDelete("caf%e9")}},
        {"the look-alike",
         {s("smb"), s("delete"), s("caf\u00ef\u00bf\u00bd"), s("--yes")},
         1,
         "There is no folder named",
         {}},
        {"U+FFFD as typed",
         {s("smb"), s("delete"), s("caf\ufffd"), s("--yes")},
         0,
         "OK\n",
         {smbDelete("caf%ef%bf%bd")}},
        {"a backslash, printed",
         {s("smb"), s("rename"), s("a\\\\b"), s("New")},
         0,
         "OK\n",
         {"/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rename_apply&folder=New&to_name=a%5cb"}},
        {"not listed", {s("smb"), s("delete"), s("cafe"), s("--yes")}, 1, "There is no folder named \"cafe\"\n", {}},
        {"empty", {s("smb"), s("withdraw"), QString()}, 64, "", {}},
        {"not a share", {s("smb"), s("withdraw"), s("a\\\\b")}, 1, "There is no share named \"a\\\\b\"\n", {}},
        {"two accounts named alike",
         {s("ftp"), s("toggle-account"), s("dup")},
         1,
         "The unit lists more than one FTP account named \"dup\"\n",
         {}},
        {"an account by its raw bytes",
         {s("ftp"), s("delete-account"), raw("jos\xe9"), s("--yes")},
         0,
         "OK\n",
         {onFtp + "ftps_user_del&FTP_AC_LIST=8"}},
        {"its place counts the option without a value",
         {s("ftp"), s("toggle-account"), s("jos\\xe9")},
         0,
         "OK\n",
         {onFtp + "ftps_user_enabled&FTP_AC_LIST=2"}},
        {"anonymous home by bytes",
         {s("ftp"), s("anonymous"), s("enable"), s("ro"), raw("caf\xe9")},
         0,
         "OK\n",
         {onFtp + "ftps_anonymous_apply&ftp_anon_stu=ENABLE&ftp_a_att=RO&home=caf%E9&anony_Apply=Apply"}},
        {"another client's account selected",
         {s("ftp"), s("set-account"), s("alice"), s("ro"), s("pw")},
         1,
         "The unit's FTP page now shows account \"bob\", not \"alice\"; another client may be changing accounts. "
         "Nothing was changed.\n",
         {"/nas.cgi?redirect=ftp_mod.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=6"}},
        {"the account selected",
         {s("ftp"), s("give"), s("bob"), s("caf\\xe9")},
         0,
         "OK\n",
         {selectBob,
          "/nas.cgi?redirect=ftp_mod.htm&failure=fail.htm&type=ftps_add_share&account=bob&account_List=caf%e9&"
          "op_add=Add"}},
    };
    qsizetype seen = 0;
    for (const auto& c : cases) {
        QStringList arguments = c.arguments;
        arguments.insert(2, s("127.0.0.1"));
        const CliRun run = TestSupport::runCli(
            arguments + QStringList{s("--device-port"), QString::number(unit.port()), s("-p"), s("admin")});
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(c.out)) << c.name << ": " << run.out.toStdString();
        QList<QByteArray> changes;
        const QList<QByteArray> requests = unit.requests();
        for (const QByteArray& request : requests.mid(seen)) {
            if (TestSupport::requestPath(request).contains(".cgi"))
                changes.append(TestSupport::requestPath(request));
        }
        seen = requests.size();
        EXPECT_EQ(changes, c.changes) << c.name;
    }
}

} // namespace

namespace {

// A list cut at the bound is said on standard error; standard output keeps the list, or JSON alone.
TEST(CliLists, CutAtTheBoundIsSaid) {
    QList<QByteArray> names;
    QByteArray accounts;
    for (int i = 0; i <= 16 * 1024; ++i) {
        names << "f" + QByteArray::number(i);
        accounts += accountRow(QByteArray::number(i), "u" + QByteArray::number(i));
    }
    const QByteArray over = options(names);
    const QByteArray page = "<HTML>\r\nshare_list=\"" + over + "\";\r\nallow_share=\"" + options({"0"}) +
                            "\";\r\nftps_dir_list=\"" + options(names.first(16 * 1024)) + "\";\r\nftp_ac_list=\"" +
                            accounts + "\";\r\n</HTML>\r\n";
    TestSupport::ScriptedServer unit(QList<TestSupport::Reply>{{TestSupport::withLength("HTTP/1.0 200 OK", page)}});
    const struct {
        QStringList command;
        QByteArray err;
    } cases[] = {
        {{s("smb"), s("list")},
         "Folder List is cut: the unit's page holds more than the 16384 entries (or 1 MiB of text) that are kept\n"},
        // Its folders fill the bound exactly: nothing left off.
        {{s("ftp"), s("show")},
         "Account List is cut: the unit's page holds more than the 16384 entries (or 1 MiB of text) that are kept\n"},
    };
    for (const auto& c : cases) {
        for (const bool json : {false, true}) {
            const QStringList arguments = c.command + QStringList{s("127.0.0.1"), s("--device-port"),
                                                                  QString::number(unit.port()), s("-p"), s("admin")};
            const TestSupport::CliRun run =
                TestSupport::runCli(json ? arguments + QStringList{s("--json")} : arguments);
            SCOPED_TRACE(run.err.toStdString());
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_EQ(run.err, c.err);
            EXPECT_EQ(!QJsonDocument::fromJson(run.out).isNull(), json);
            EXPECT_TRUE(run.out.contains("f16383")) << "the list up to the bound";
            EXPECT_FALSE(run.out.contains("f16384"));
        }
    }
}

} // namespace
