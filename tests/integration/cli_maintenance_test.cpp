// zuredor-cli firmware, reboot and factory-reset against zuredor-sim: the
// requests on the wire, the window's words for each verdict, the exit
// statuses, and the unit back with its new version.

#include "support/cli_run.h"
#include "support/logged_unit.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using TestSupport::CliRun;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

class CliMaintenance : public TestSupport::LoggedUnitTest {
protected:
    // A quick restart and a small limit on images, so a large one is refused.
    QStringList simOptions() const override {
        return {s("--reboot-ms"), s("400"), s("--max-firmware-bytes"), s("1000000")};
    }
    CliRun cli(QStringList arguments) {
        return TestSupport::runCli(arguments +
                                   QStringList{s("--device-port"), QString::number(port), s("-p"), s("admin")});
    }
    QString image(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(s(name));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    // The request lines the unit received, posts and CGI requests only.
    QList<QByteArray> changes() const {
        QList<QByteArray> lines;
        for (const QByteArray& line : requests().split('\n')) {
            if (line.startsWith("POST ") || line.startsWith("GET /man.cgi"))
                lines << line.trimmed();
        }
        return lines;
    }
};

const QByteArray kPost = "POST /man.cgi HTTP/1.0";
const QByteArray kReboot = "GET /man.cgi?redirect=reboot.htm&failure=fail.htm&type=reboot HTTP/1.0";
const QByteArray kDefaults = "GET /man.cgi?redirect=reboot.htm&failure=fail.htm&type=default_setting HTTP/1.0";

TEST_F(CliMaintenance, AnImageGoesUpTheUnitRebootsIntoItAndComesBack) {
    const QString path = image("fw.bin", "ZUREDOR-FIRMWARE 3.1.4\n" + QByteArray(200000, 'x'));
    const CliRun run = cli({s("firmware"), s("127.0.0.2"), path, s("--yes"), s("--wait-back")});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Upload Firmware Successful.\nThe unit answered again after "))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith("\nOK\n"));
    EXPECT_EQ(changes(), (QList<QByteArray>{kPost, kReboot}));
    EXPECT_TRUE(run.err.isEmpty()) << "no progress bar without a terminal: " << run.err.toStdString();

    const CliRun status = cli({s("get"), s("127.0.0.2"), s("firm_ver")});
    EXPECT_EQ(status.out, QByteArray("3.1.4\n"));
}

TEST_F(CliMaintenance, EachVerdictHasTheWindowsWordsAndItsStatus) {
    const struct {
        const char* name;
        QStringList arguments; // after "firmware 127.0.0.2"
        QByteArray image;      // empty: no such file
        int exitCode;
        QByteArray words;
        QList<QByteArray> sent;
    } cases[] = {
        {"kept running", {s("--yes"), s("--no-reboot")}, "x", 0, "Upload Firmware Successful.\nOK\n", {kPost}},
        {"too large", {s("--yes")}, QByteArray(3000000, 'x'), 1, "Kernel Size is too large.\n", {kPost}},
        {"no terminal and no --yes", {}, "x", 1, "This will flash the firmware. Are you sure? continue?\n", {}},
        {"a file that is not there", {s("--yes")}, {}, 1, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype before = changes().size();
        const QString path = c.image.isEmpty() ? dir.filePath(s("missing.bin")) : image("case.bin", c.image);
        const CliRun run = cli(QStringList{s("firmware"), s("127.0.0.2"), path} + c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out.toStdString();
        if (!c.words.isEmpty()) {
            EXPECT_EQ(run.out, c.words);
        } else {
            EXPECT_TRUE(run.out.contains("missing.bin")) << run.out.toStdString();
        }
        EXPECT_EQ(changes().mid(before), c.sent);
    }

    // Nobody there: the same words, and the status of an unreachable unit.
    const CliRun nobody =
        TestSupport::runCli({s("firmware"), s("127.0.0.2"), image("fw.bin", "x"), s("--yes"), s("--device-port"),
                             QString::number(TestSupport::freeTcpPort()), s("-p"), s("admin"), s("--json")});
    EXPECT_EQ(nobody.exitCode, 3);
    const QJsonObject failure = QJsonDocument::fromJson(nobody.out).object();
    EXPECT_EQ(failure.value(s("result")).toString(), s("unreachable"));
    EXPECT_EQ(failure.value(s("error")).toString(), s("Upload fail!"));
}

TEST_F(CliMaintenance, RebootAndFactoryDefaultsSendTheirRequestsInOrder) {
    const struct {
        QStringList arguments;
        int exitCode;
        QList<QByteArray> sent;
    } cases[] = {
        {{s("reboot"), s("127.0.0.2")}, 1, {}},
        {{s("factory-reset"), s("127.0.0.2")}, 1, {}},
        {{s("reboot"), s("127.0.0.2"), s("--yes"), s("--wait-back")}, 0, {kReboot}},
        {{s("factory-reset"), s("127.0.0.2"), s("--yes"), s("--wait-back")}, 0, {kDefaults, kReboot}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const qsizetype before = changes().size();
        const CliRun run = cli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out.toStdString() << run.err.toStdString();
        EXPECT_EQ(changes().mid(before), c.sent);
        if (c.exitCode == 0) {
            EXPECT_TRUE(run.out.contains("The unit answered again after ")) << run.out.toStdString();
        }
    }
}

// Every command whose window asks first behaves alike without a terminal: the
// question, how to confirm, status 1, nothing sent; with --json both in the object.
TEST_F(CliMaintenance, EveryQuestionWithoutATerminalSaysHowToConfirmAndSendsNothing) {
    const QByteArray hint = "nothing was sent: there is no terminal to ask on; add --yes to confirm";
    const QList<QStringList> asking{
        {s("firmware"), s("127.0.0.2"), image("fw.bin", "x")},
        {s("reboot"), s("127.0.0.2")},
        {s("factory-reset"), s("127.0.0.2")},
        {s("disk"), s("format"), s("127.0.0.2")},
        {s("disk"), s("clear"), s("127.0.0.2")},
        {s("disk"), s("scan"), s("127.0.0.2")},
        {s("smb"), s("delete"), s("127.0.0.2"), s("Photos")},
        {s("ftp"), s("delete-account"), s("127.0.0.2"), s("bob")},
    };
    for (const QStringList& arguments : asking) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliRun text = cli(arguments);
        EXPECT_EQ(text.exitCode, 1);
        EXPECT_FALSE(text.out.isEmpty());
        EXPECT_EQ(text.err, "zuredor-cli: " + hint + '\n');
        const CliRun json = cli(arguments + QStringList{s("--json")});
        EXPECT_EQ(json.exitCode, 1);
        const QJsonObject failure = QJsonDocument::fromJson(json.out).object();
        EXPECT_EQ(failure.value(s("result")).toString(), s("refused")) << json.out.toStdString();
        EXPECT_EQ(failure.value(s("error")).toString().toUtf8() + '\n', text.out);
        EXPECT_EQ(failure.value(s("hint")).toString().toUtf8(), hint);
    }
    EXPECT_FALSE(requests().contains(".cgi")) << requests().toStdString();
    EXPECT_FALSE(requests().contains("POST ")) << requests().toStdString();
}

} // namespace
