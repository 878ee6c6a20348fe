// The simulated unit's disk: a surface scan whose result grows with the unit's
// clock, clearing and formatting, the sleep time in the page's form, and the
// disk folder a format empties. The clock is the test's, so no test waits.

#include "sim/web/cgi_actions.h"
#include "sim/web/utility_page.h"
#include "smb_server.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Sim;

namespace {

const QHostAddress kAddress(QStringLiteral("127.0.0.2"));
const QDateTime kStart(QDate(2025, 5, 6), QTime(7, 0, 0), Qt::UTC);

QByteArray pageValue(const UnitState& state, const QDateTime& now, const QByteArray& name) {
    const QByteArray page = utilityPage(state, now);
    const QByteArray key = "\r\n" + name + "=\"";
    const qsizetype at = page.indexOf(key);
    if (at < 0)
        return {};
    const qsizetype start = at + key.size();
    return page.mid(start, page.indexOf("\";\r\n", start) - start);
}

// Sends the disk page's request of `type` at `now`; true when the unit took it.
bool send(UnitState& state, const QDateTime& now, const QByteArray& type, const QByteArray& more = {}) {
    const CgiCall call{"nas.cgi", CgiParams::parse("redirect=sto.htm&failure=fail.htm&type=" + type + more), now};
    return runCgiAction(state, call).accepted;
}

UnitState unit(int number = 1) {
    UnitState state = defaultUnitState(number, kAddress);
    state.disk.scanStepMs = 1000;
    return state;
}

TEST(SimDisk, AScanResultGrowsAFewLinesAStepUntilItIsWhole) {
    UnitState state = unit();
    ASSERT_TRUE(send(state, kStart, "ide_scandisk_start"));
    const QStringList whole = state.disk.scanLines;
    ASSERT_GT(whole.size(), 4 * kScanLinesPerStep) << "long enough to be seen growing";
    EXPECT_TRUE(whole.first().startsWith(QStringLiteral("Scan started 2025/05/06 0"))) << "on the unit's own clock";
    EXPECT_TRUE(whole.last().startsWith(QStringLiteral("Scan finished")));

    const qsizetype steps = (whole.size() + kScanLinesPerStep - 1) / kScanLinesPerStep;
    const struct {
        qint64 ms;
        qsizetype lines;
    } moments[] = {
        {-5000, kScanLinesPerStep}, // a clock that went back shows the start
        {0, kScanLinesPerStep},
        {999, kScanLinesPerStep},
        {1000, 2 * kScanLinesPerStep},
        {2500, 3 * kScanLinesPerStep},
        {(steps - 1) * 1000 - 1, (steps - 1) * kScanLinesPerStep},
        {(steps - 1) * 1000, whole.size()},
        {100 * 1000, whole.size()},
    };
    for (const auto& moment : moments) {
        SCOPED_TRACE(moment.ms);
        const QDateTime now = kStart.addMSecs(moment.ms);
        const QByteArray scan = pageValue(state, now, "disk_scan");
        EXPECT_EQ(scan, whole.first(moment.lines).join(u'\n').toUtf8()) << "LF between lines, none after the last";
        const bool running = moment.lines < whole.size();
        EXPECT_EQ(scanRunning(state.disk, now), running);
        EXPECT_EQ(pageValue(state, now, "disk_fix_enable"), running ? "DISABLE" : "ENABLE");
    }
}

TEST(SimDisk, ClearingAndAnotherStartWaitForTheScanToEnd) {
    UnitState state = unit();
    ASSERT_TRUE(send(state, kStart, "ide_scandisk_start"));
    const QDateTime during = kStart.addMSecs(1500);
    const QDateTime after = kStart.addSecs(3600);
    EXPECT_FALSE(send(state, during, "ide_scandisk_start"));
    EXPECT_FALSE(send(state, during, "ide_fixdisk_start"));
    EXPECT_FALSE(pageValue(state, during, "disk_scan").isEmpty()) << "a refused clear leaves the result";

    EXPECT_TRUE(send(state, after, "ide_fixdisk_start"));
    EXPECT_EQ(pageValue(state, after, "disk_scan"), "");
    EXPECT_EQ(pageValue(state, after, "disk_fix_enable"), "DISABLE") << "nothing left to clear";
    // A new scan after the old one ended starts from its first lines again.
    EXPECT_TRUE(send(state, after, "ide_scandisk_start"));
    EXPECT_EQ(pageValue(state, after, "disk_scan").count('\n'), kScanLinesPerStep - 1);

    // A result locked by option is never cleared, though the scan is over.
    UnitState locked = unit();
    locked.disk.clearLocked = true;
    EXPECT_EQ(pageValue(locked, after, "disk_fix_enable"), "DISABLE");
    EXPECT_FALSE(send(locked, after, "ide_fixdisk_start"));
    EXPECT_FALSE(pageValue(locked, after, "disk_scan").isEmpty());
}

TEST(SimDisk, AWornDiskReportsTheSectorsItRelocated) {
    UnitState worn = unit(3);
    ASSERT_TRUE(send(worn, kStart, "ide_scandisk_start"));
    EXPECT_EQ(worn.disk.scanLines.filter(QStringLiteral("sector relocated")).size(), 2);
    EXPECT_EQ(worn.disk.scanLines.last(), QStringLiteral("Scan finished: 2 bad sectors relocated"));
    UnitState sound = unit(1);
    ASSERT_TRUE(send(sound, kStart, "ide_scandisk_start"));
    EXPECT_EQ(sound.disk.scanLines.last(), QStringLiteral("Scan finished: no errors found"));
}

TEST(SimDisk, FormatEmptiesFoldersSharesAndTheScan) {
    UnitState state = unit();
    ASSERT_FALSE(state.folders.isEmpty());
    ASSERT_TRUE(send(state, kStart, "ide_scandisk_start"));
    const CgiCall format{"nas.cgi", CgiParams::parse("redirect=sto_ok.htm&failure=fail.htm&type=IDE_init"),
                         kStart.addMSecs(500)};
    ASSERT_TRUE(runCgiAction(state, format).accepted);
    const QDateTime now = kStart.addSecs(10);
    EXPECT_EQ(pageValue(state, now, "share_list"), "");
    EXPECT_EQ(pageValue(state, now, "allow_share"), "<option value=\"0\">PUBLIC</option>") << "the public folder stays";
    EXPECT_EQ(pageValue(state, now, "ftps_home_def"), "");
    EXPECT_EQ(pageValue(state, now, "disk_scan"), "");
    EXPECT_FALSE(scanRunning(state.disk, now)) << "the scan ended with the format";
    EXPECT_EQ(state.disk.formats, 1);
    for (const FtpAccount& account : state.ftp.accounts)
        EXPECT_TRUE(account.folders.isEmpty()) << account.name.toStdString();

    // A factory reset brings the folders back but not the files of a formatted disk, and keeps the disk's behaviour.
    state.disk.clearLocked = true;
    ASSERT_TRUE(runCgiAction(state, {"man.cgi", CgiParams::parse("type=default_setting"), now}).accepted);
    EXPECT_EQ(state.disk.formats, 1);
    EXPECT_EQ(state.disk.scanStepMs, 1000);
    EXPECT_TRUE(state.disk.clearLocked);
}

TEST(SimDisk, SleepTimeIsKeptAndShownInThePagesForm) {
    const struct {
        const char* idle;
        bool taken;
        const char* shown; // disk_idle_value afterwards
    } cases[] = {
        {"05", true, "5\";disk_idle_stu=\"checked"},   {"0", true, "0\";disk_idle_stu=\""},
        {"60", true, "60\";disk_idle_stu=\"checked"},  {"4", false, "15\";disk_idle_stu=\"checked"},
        {"61", false, "15\";disk_idle_stu=\"checked"}, {"ab", false, "15\";disk_idle_stu=\"checked"},
        {"", false, "15\";disk_idle_stu=\"checked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.idle);
        UnitState state = unit();
        EXPECT_EQ(send(state, kStart, "ide_set", QByteArray("&idle=") + c.idle), c.taken);
        EXPECT_EQ(pageValue(state, kStart, "disk_idle_value"), QByteArray(c.shown));
    }
}

TEST(SimDisk, AFormattedDiskFolderKeepsOnlyAnEmptyPublicFolder) {
    QTemporaryDir root;
    QTemporaryDir outside;
    ASSERT_TRUE(root.isValid() && outside.isValid());
    const SmbLayout layout{root.path()};
    const auto write = [](const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write("data\n");
    };
    for (const char* folder : {"/PUBLIC/deep/er", "/Music", "/.hidden"})
        ASSERT_TRUE(QDir().mkpath(layout.diskPath() + QLatin1String(folder)));
    write(layout.diskPath() + QStringLiteral("/PUBLIC/deep/er/a.txt"));
    write(layout.diskPath() + QStringLiteral("/Music/song.mp3"));
    write(layout.diskPath() + QStringLiteral("/loose.txt"));
    write(outside.filePath(QStringLiteral("keep.txt")));
    ASSERT_TRUE(QFile::link(outside.path(), layout.diskPath() + QStringLiteral("/link")));

    ASSERT_TRUE(emptyDisk(layout));
    EXPECT_EQ(QDir(layout.diskPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("PUBLIC")});
    EXPECT_TRUE(QDir(layout.folderPath(kPublicFolder)).isEmpty());
    EXPECT_TRUE(QFile::exists(outside.filePath(QStringLiteral("keep.txt")))) << "a link is not followed out";

    // A unit whose disk folder is not there yet gets its public folder.
    const SmbLayout fresh{root.filePath(QStringLiteral("new"))};
    EXPECT_TRUE(emptyDisk(fresh));
    EXPECT_TRUE(QDir(fresh.folderPath(kPublicFolder)).exists());
}

} // namespace
