// zuredor-cli smb against zuredor-sim: the SMB Server page's requests on the
// wire, the dialogs' checks before anything is sent, and the unit's lists read
// back afterwards.

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
