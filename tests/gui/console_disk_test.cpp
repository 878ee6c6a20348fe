// The console's Disk Utility page, offscreen: its fields from the unit's page,
// its buttons and questions, the requests on the wire (zuredor-sim), and the
// scan result refreshed every 30 ticks of Timer2, counted on a test clock or
// with a short interval, never stacked on a request that is still running.

#include "console_fixture.h"

#include "console/disk_tab.h"
#include "console/page_control.h"
#include "console/page_tabs.h"
#include "stub_console.h"
#include "support/scripted_server.h"
#include "ui/request_runner.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {

using namespace ConsoleTest;
using TestSupport::waitUntil;

QByteArray page(const QByteArray& variables) {
    return "<HTML>\r\n" + variables + "</HTML>\r\n";
}

QStringList memoLines(const QPlainTextEdit* memo) {
    QStringList lines;
    if (memo->toPlainText().isEmpty())
        return lines;
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

// A console of the page's own: every page read and every change, with a unit that may take its time.
class DiskConsole final : public StubConsole {
public:
    QList<QByteArray> pages{page({})}; // one per FetchPage, the last repeats
    int reads = 0;
    int readMs = 0; // each read takes this long, off the window's thread as the console's do
    int depth = 0;
    int deepest = 0;
    QStringList sent; // "SendCgi url" or "SendRepeated url"
    QStringList boxes;
    QList<bool> answers; // for the questions, in order; OK once they run out
    QStringList questions;
    std::function<void()> duringRead;

    Console::UnitAddress unit() const override { return {s("127.0.0.9"), 80}; }
    QByteArray FetchPage() override {
        deepest = std::max(deepest, ++depth);
        if (duringRead)
            duringRead();
        if (readMs > 0)
            Ui::runRequest([this] { QThread::msleep(static_cast<unsigned long>(readMs)); });
        --depth;
        return pages.value(std::min<qsizetype>(reads++, pages.size() - 1));
    }
    Web::SendCgiResult SendCgi(const Console::CgiChange& change) override { return send(s("SendCgi "), change); }
    Web::SendCgiResult SendRepeated(const Console::CgiChange& change) override {
        return send(s("SendRepeated "), change);
    }
    Web::SendCgiResult SendWithRetry(const Console::CgiChange& change, int) override {
        return send(s("SendWithRetry "), change);
    }
    void showMessage(const Base::Refusal& box) override { boxes << Base::refusalText(box); }
    bool confirm(const Base::Refusal& question) override {
        questions << Base::refusalText(question) + s(" | ") + question.captionKey;
        return answers.isEmpty() ? true : answers.takeFirst();
    }

private:
    Web::SendCgiResult send(const QString& how, const Console::CgiChange& change) {
        // Every disk request names the disk page, so the console reads the page in view again.
        EXPECT_EQ(change.page, s("sto.htm")) << change.url.toStdString();
        sent << how + change.url;
        return Web::SendCgiResult::Done;
    }
};

// Each test starts the program-wide tick count from nothing, as "Stop Refresh" leaves it.
void resetTicks(Console::DiskTab& tab) {
    tab.DiskRefBtnClick();
    ASSERT_EQ(Console::DiskTab::tickCount(), 0);
}

void tick(Console::DiskTab& tab, int times) {
    for (int i = 0; i < times; ++i)
        tab.RefreshTimerTick();
}

TEST(DiskTab, ShowFillsTheFieldTheButtonAndTheMemo) {
    QByteArray tenThousand;
    for (int i = 0; i < 10000; ++i)
        tenThousand += "Block " + QByteArray::number(i) + " ok\n";
    const struct {
        const char* name;
        QByteArray page;
        const char* sleep;
        bool canClear;
        QStringList lines;
    } cases[] = {
        {"the unit's forms",
         page("disk_idle_value=\"15\";disk_idle_stu=\"checked\";\r\ndisk_fix_enable=\"ENABLE\";\r\n"
              "disk_scan=\"a\nb\nc\";\r\n"),
         "15",
         true,
         {s("a"), s("b"), s("c")}},
        {"no quote and semicolon in the value; DISABLE; a trailing LF",
         page("disk_idle_value=\"15\";\r\ndisk_fix_enable=\"DISABLE\";\r\ndisk_scan=\"a\nb\nc\n\";\r\n"),
         "0",
         false,
         {s("a"), s("b"), s("c")}},
        {"an empty line kept; CR ends its line unseen",
         page("disk_idle_value=\"5\";x\";\r\ndisk_fix_enable=\"disable\";\r\ndisk_scan=\"a\r\n\nb\r\n\";\r\n"),
         "5",
         true,
         {s("a"), s(""), s("b")}},
        {"a CR or paragraph separator inside a line starts no memo line",
         page("disk_scan=\"a\rb\xe2\x80\xa9"
              "c\nd\";\r\n"),
         "0",
         true,
         {s("a\ufffdb\ufffdc"), s("d")}},
        // An unreachable unit: the page is empty.
        {"nothing", QByteArray(), "0", true, {}},
        // Laid out whole, one such line held the window for many seconds.
        {"a very long line is cut, and says so",
         page("disk_scan=\"a\n" + QByteArray(600000, 'x') + "\nb\";\r\n"),
         "0",
         true,
         {s("a"), QString(4096, u'x') + s(" \u2026 [line cut: 600000 characters, the first 4096 shown]"), s("b")}},
        {"a cut never splits a character",
         page("disk_scan=\"" + QByteArray(4095, 'x') + "\xf0\x9f\x98\x80" + QByteArray(10, 'y') + "\";\r\n"),
         "0",
         true,
         {QString(4095, u'x') + s(" \u2026 [line cut: 4107 characters, the first 4095 shown]")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiskConsole console;
        console.pages = {c.page};
        Console::DiskTab tab(console);
        tab.diskDelMsgBtn()->setEnabled(true);
        bool offWhileRead = false;
        console.duringRead = [&] { offWhileRead = !tab.diskDelMsgBtn()->isEnabled(); };
        tab.showPage();
        EXPECT_TRUE(offWhileRead) << "the button is off until the unit's word is read";
        EXPECT_EQ(console.reads, 1);
        EXPECT_EQ(tab.diskSleepTimeEdit()->text(), s(c.sleep));
        EXPECT_EQ(tab.diskDelMsgBtn()->isEnabled(), c.canClear);
        EXPECT_EQ(memoLines(tab.diskScanMO()), c.lines);
        EXPECT_TRUE(console.sent.isEmpty());
    }

    DiskConsole console;
    console.pages = {page("disk_scan=\"" + tenThousand + "\";\r\n")};
    Console::DiskTab tab(console);
    tab.showPage();
    EXPECT_EQ(tab.diskScanMO()->blockCount(), 10000);
    EXPECT_EQ(tab.diskScanMO()->document()->lastBlock().text(), s("Block 9999 ok"));
}

TEST(DiskTab, ButtonsAskTheirQuestionAndSendOnlyOnOk) {
    const QString base = s("http://127.0.0.9/nas.cgi?redirect=");
    const struct {
        void (Console::DiskTab::*click)();
        const char* question;
        const char* sent; // once, on OK
        bool timerRuns;   // after OK
    } cases[] = {
        {&Console::DiskTab::DiskFormatBtnClick,
         "This will format the hard disk and erase All data on this disk!\nAre you sure? | Disk Tools",
         "sto_ok.htm&failure=fail.htm&type=IDE_init", false},
        {&Console::DiskTab::DiskScanBtnClick, "This operation will take some time to complete! Continue? | Scan Disk ",
         "sto.htm&failure=fail.htm&type=ide_scandisk_start", true},
        {&Console::DiskTab::DiskDelMsgBtnClick, "Are you sure to clear scan result? | Scan Disk ",
         "sto.htm&failure=fail.htm&type=ide_fixdisk_start", false},
    };
    for (const auto& c : cases) {
        for (const bool ok : {true, false}) {
            SCOPED_TRACE(std::string(c.sent) + (ok ? ", OK" : ", Cancel"));
            DiskConsole console;
            console.answers = {ok};
            Console::DiskTab tab(console);
            (tab.*c.click)();
            EXPECT_EQ(console.questions, QStringList{s(c.question)});
            EXPECT_EQ(console.sent, ok ? QStringList{s("SendCgi ") + base + s(c.sent)} : QStringList{});
            EXPECT_EQ(tab.refreshTimer()->isActive(), ok && c.timerRuns);
            EXPECT_TRUE(console.boxes.isEmpty());
        }
    }

    // The sleep time: its check, then the request repeated while refused.
    const struct {
        const char* typed;
        const char* box; // nullptr: sent
    } sleeps[] = {
        {"0", nullptr},
        {"5", nullptr},
        {"60", nullptr},
        {"05", nullptr},
        {"4", "Invalid Sleep Time"},
        {"61", "Invalid Sleep Time"},
        {"ab", "'ab' is not a valid integer value."},
        {"", "'' is not a valid integer value."},
    };
    for (const auto& c : sleeps) {
        SCOPED_TRACE(c.typed);
        DiskConsole console;
        Console::DiskTab tab(console);
        tab.diskSleepTimeEdit()->setText(s(c.typed));
        QTest::mouseClick(tab.diskSleepBtn(), Qt::LeftButton);
        if (c.box) {
            EXPECT_EQ(console.boxes, QStringList{s(c.box)});
            EXPECT_TRUE(console.sent.isEmpty());
        } else {
            EXPECT_TRUE(console.boxes.isEmpty());
            EXPECT_EQ(console.sent, QStringList{s("SendRepeated ") + base +
                                                s("sto.htm&failure=fail.htm&type=ide_set&idle=") + s(c.typed)});
        }
        EXPECT_TRUE(console.questions.isEmpty());
    }
}

TEST(DiskTab, EveryThirtiethTickReadsTheResultAgain) {
    DiskConsole console;
    console.pages = {page("disk_scan=\"one\";\r\n"), page("disk_scan=\"one\ntwo\";\r\n")};
    Console::DiskTab tab(console);
    resetTicks(tab);
    QTest::mouseClick(tab.diskScanBtn(), Qt::LeftButton);
    ASSERT_TRUE(tab.refreshTimer()->isActive());

    tick(tab, 29);
    EXPECT_EQ(console.reads, 0);
    EXPECT_EQ(Console::DiskTab::tickCount(), 29);
    tick(tab, 1);
    EXPECT_EQ(console.reads, 1);
    EXPECT_EQ(Console::DiskTab::tickCount(), 0);
    EXPECT_EQ(memoLines(tab.diskScanMO()), QStringList{s("one")});
    EXPECT_TRUE(tab.refreshTimer()->isActive()) << "started again after the refresh";
    tick(tab, 30);
    EXPECT_EQ(console.reads, 2);
    EXPECT_EQ(memoLines(tab.diskScanMO()), (QStringList{s("one"), s("two")}));

    // "Stop Refresh" stops the timer and the count.
    tick(tab, 12);
    QTest::mouseClick(tab.diskRefBtn(), Qt::LeftButton);
    EXPECT_FALSE(tab.refreshTimer()->isActive());
    EXPECT_EQ(Console::DiskTab::tickCount(), 0);
    EXPECT_TRUE(console.sent.size() == 1) << "no request besides the start";
}

TEST(DiskTab, TheTickCountIsTheProgramsNotResetByStartOrClose) {
    DiskConsole console;
    console.pages = {page("disk_scan=\"x\";\r\n")};
    Console::DiskTab first(console);
    Console::DiskTab second(console);
    resetTicks(first);

    tick(first, 20);
    first.DiskScanBtnClick();
    EXPECT_EQ(Console::DiskTab::tickCount(), 20) << "Start counts on";
    first.consoleClosed();
    EXPECT_FALSE(first.refreshTimer()->isActive()) << "a closed console refreshes nothing";
    EXPECT_EQ(Console::DiskTab::tickCount(), 20) << "closing the console counts on";
    tick(second, 9);
    EXPECT_EQ(console.reads, 0);
    tick(second, 1);
    EXPECT_EQ(console.reads, 1) << "the 30th tick of the program, whichever page counted the others";
    EXPECT_EQ(memoLines(second.diskScanMO()), QStringList{s("x")});
    EXPECT_TRUE(memoLines(first.diskScanMO()).isEmpty());
}

TEST(DiskTab, ARefreshReadsAgainWhileThePageIsEmptyEightReadsAtMost) {
    const struct {
        int empty; // empty reads before the page
        int reads;
        QStringList lines;
    } cases[] = {
        {0, 1, {s("ok")}}, {3, 4, {s("ok")}}, {7, 8, {s("ok")}}, {8, 8, {}}, {20, 8, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.empty);
        DiskConsole console;
        console.pages = QList<QByteArray>(c.empty, QByteArray()) << page("disk_scan=\"ok\";\r\n");
        Console::DiskTab tab(console);
        tab.RefreshScanResult();
        EXPECT_EQ(console.reads, c.reads);
        EXPECT_EQ(memoLines(tab.diskScanMO()), c.lines);
        EXPECT_TRUE(tab.refreshTimer()->isActive());
        tab.DiskRefBtnClick();
    }
}

// The 30th tick that comes while a request runs waits for it: the window's
// requests never nest, and a heap of ticks makes one refresh, not many.
TEST(DiskTab, ATickDuringARequestWaitsForItAndStacksNothing) {
    DiskConsole console;
    console.pages = {page("disk_scan=\"first\";\r\n"), page("disk_scan=\"second\";\r\n")};
    console.readMs = 150;
    Console::DiskTab tab(console);
    resetTicks(tab);
    tab.DiskScanBtnClick();
    tab.refreshTimer()->setInterval(1);

    tab.showPage(); // a slow read, during which Timer2 ticks on
    EXPECT_EQ(console.reads, 1) << "no refresh inside the running read";
    EXPECT_EQ(memoLines(tab.diskScanMO()), QStringList{s("first")});
    EXPECT_EQ(console.deepest, 1);
    ASSERT_TRUE(waitUntil([&] { return console.reads >= 2; }, 3000)) << "the refresh came once the read was done";
    EXPECT_EQ(console.reads, 2) << "the ticks of the slow read gave one refresh";
    EXPECT_EQ(memoLines(tab.diskScanMO()), QStringList{s("second")});
    EXPECT_EQ(console.deepest, 1);

    // A refresh waiting when "Stop Refresh" comes does not run.
    tab.DiskRefBtnClick();
    const int before = console.reads;
    Ui::runRequest([&] {
        QMetaObject::invokeMethod(
            &tab, [&] { tick(tab, 30); }, Qt::QueuedConnection);
        QThread::msleep(50);
    });
    tab.DiskRefBtnClick();
    QTest::qWait(50);
    EXPECT_EQ(console.reads, before);
    EXPECT_FALSE(tab.refreshTimer()->isActive());
}

class DiskPage : public ConsoleFixture {
protected:
    void startLogged(QStringList extra = {}) {
        ASSERT_TRUE(logDir.isValid());
        startSim(QStringList{s("--request-log"), logPath()} + extra);
    }
    QString logPath() const { return logDir.filePath(s("requests.log")); }
    QList<QByteArray> logged(const char* start) const {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> targets;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith(start))
                targets << line.mid(4, line.lastIndexOf(" HTTP/") - 4);
        }
        return targets;
    }
    QList<QByteArray> cgiRequests() const { return logged("GET /nas.cgi"); }
    int pageReads() const { return int(logged("GET /utility_use.htm").size()); }

    void openDiskTab() { openPage(Console::kDiskPage); }
    Console::DiskTab& disk() { return *console().diskTab(); }
    QStringList memo() { return memoLines(disk().diskScanMO()); }

    QTemporaryDir logDir;
};

TEST_F(DiskPage, EachRequestGoesOutAsTheUnitsOwnAndThePageIsReadAgain) {
    startLogged();
    logIn();
    openDiskTab();
    EXPECT_EQ(edit("DiskSleepTimeEdit")->text(), s("15"));
    EXPECT_TRUE(disk().diskDelMsgBtn()->isEnabled());
    EXPECT_EQ(memo().first(), s("Scan started 2024/03/02 03:00:01"));
    resetTicks(disk());

    const QByteArray base = "/nas.cgi?redirect=sto.htm&failure=fail.htm&type=";
    const struct {
        const char* what;
        const char* typed; // into the sleep field first, when set
        const char* button;
        QList<bool> answers;
        QByteArray request; // empty: nothing is sent
    } steps[] = {
        {"sleep 05", "05", "DiskSleepBtn", {}, base + "ide_set&idle=05"},
        {"sleep 4", "4", "DiskSleepBtn", {}, {}},
        {"clear, Cancel", nullptr, "DiskDelMsgBtn", {false}, {}},
        {"clear", nullptr, "DiskDelMsgBtn", {true}, base + "ide_fixdisk_start"},
        {"start, Cancel", nullptr, "DiskScanBtn", {false}, {}},
        {"start", nullptr, "DiskScanBtn", {true}, base + "ide_scandisk_start"},
        {"format, Cancel", nullptr, "DiskFormatBtn", {false}, {}},
        {"format", nullptr, "DiskFormatBtn", {true}, "/nas.cgi?redirect=sto_ok.htm&failure=fail.htm&type=IDE_init"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        recorder->answers = step.answers;
        if (step.typed)
            type("DiskSleepTimeEdit", s(step.typed));
        const int sentBefore = int(cgiRequests().size());
        const int readsBefore = pageReads();
        click(step.button);
        const QList<QByteArray> sent = cgiRequests();
        if (step.request.isEmpty()) {
            EXPECT_EQ(sent.size(), sentBefore);
            EXPECT_EQ(pageReads(), readsBefore);
            continue;
        }
        ASSERT_EQ(sent.size(), sentBefore + 1);
        EXPECT_EQ(sent.last(), step.request);
        EXPECT_EQ(pageReads(), readsBefore + 1) << "the Disk Utility page was read again";
    }
    // What the last read showed: the sleep time kept, the scan gone with the format.
    EXPECT_EQ(edit("DiskSleepTimeEdit")->text(), s("5"));
    EXPECT_TRUE(memo().isEmpty());
    EXPECT_FALSE(disk().diskDelMsgBtn()->isEnabled()) << "nothing to clear";
    EXPECT_TRUE(disk().refreshTimer()->isActive()) << "running since the confirmed Start";
    QStringList messages;
    for (const auto& box : recorder->boxes) {
        if (!box.confirmation)
            messages << box.text;
    }
    EXPECT_EQ(messages, QStringList{s("Invalid Sleep Time")}) << "only the refused sleep time said anything";
    EXPECT_EQ(recorder->boxes.size(), 7) << "six questions besides";

    // Closing the console stops the refresh but not the count.
    disk().refreshTimer()->stop();
    disk().RefreshTimerTick();
    disk().refreshTimer()->start();
    console().close();
    EXPECT_FALSE(disk().refreshTimer()->isActive());
    EXPECT_EQ(Console::DiskTab::tickCount(), 1);
}

// On a shortened interval: the memo follows the unit's scan as it grows, until "Stop Refresh".
TEST_F(DiskPage, TheMemoFollowsAScanUntilStopRefresh) {
    startLogged({s("--disk-scan-step-ms"), s("100")});
    logIn();
    openDiskTab();
    resetTicks(disk());
    disk().refreshTimer()->setInterval(2);
    recorder->answers = {true};
    click("DiskScanBtn");
    ASSERT_TRUE(disk().refreshTimer()->isActive());
    const qsizetype atStart = memo().size();
    EXPECT_GT(atStart, 0) << "the page read after the start shows its first lines";
    qsizetype largest = atStart;
    bool grew = false;
    ASSERT_TRUE(waitUntil(
        [&] {
            grew = grew || memo().size() > largest;
            largest = std::max(largest, memo().size());
            return !memo().isEmpty() && memo().last().startsWith(s("Scan finished"));
        },
        15000));
    EXPECT_TRUE(grew);
    EXPECT_EQ(memo().first().left(13), s("Scan started "));

    click("DiskRefBtn");
    EXPECT_FALSE(disk().refreshTimer()->isActive());
    const int reads = pageReads();
    QTest::qWait(200);
    EXPECT_EQ(pageReads(), reads) << "no refresh after Stop Refresh";
    EXPECT_TRUE(recorder->boxes.size() == 1 && recorder->boxes[0].confirmation);
}

// A slow unit: the refresh that falls due during a slow page read runs after it, not inside it.
TEST_F(DiskPage, ASlowUnitsReadIsNotInterruptedByARefresh) {
    std::atomic<int> served{0};
    TestSupport::ScriptedServer unit([&](const QByteArray& request) {
        const QByteArray path = TestSupport::requestPath(request);
        if (path.startsWith("/nas.cgi"))
            return TestSupport::Reply{"HTTP/1.0 302 Found\r\nLocation: sto.htm\r\nContent-Length: 0\r\n\r\n"};
        if (path != "/utility_use.htm")
            return TestSupport::Reply{TestSupport::withLength("HTTP/1.0 200 OK", "<HTML>done</HTML>")};
        const int n = ++served;
        return TestSupport::Reply{
            TestSupport::withLength("HTTP/1.0 200 OK", page("disk_scan=\"read " + QByteArray::number(n) + "\";\r\n")),
            false, false, 0, 200};
    });
    startWindows(unit.port());
    Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    console().pageControl()->setCurrentIndex(Console::kDiskPage);
    console().show();
    ASSERT_TRUE(waitUntil([&] { return !memo().isEmpty(); }, 5000));
    resetTicks(disk());
    disk().refreshTimer()->setInterval(1);
    recorder->answers = {true};
    click("DiskScanBtn");
    ASSERT_TRUE(disk().refreshTimer()->isActive());

    const int before = served;
    disk().showPage(); // 200 ms at the unit, while Timer2 ticks every millisecond
    EXPECT_EQ(served, before + 1) << "the show's read alone: no refresh read inside it";
    EXPECT_EQ(memo(), QStringList{s("read %1").arg(before + 1)});
    QTest::qWait(100);
    EXPECT_EQ(served, before + 2) << "then one refresh, however many ticks came meanwhile";
    ASSERT_TRUE(waitUntil([&] { return memo() == QStringList{s("read %1").arg(before + 2)}; }, 3000));
    click("DiskRefBtn");
    EXPECT_TRUE(recorder->boxes.size() == 1 && recorder->boxes[0].confirmation) << boxTexts().join(u';').toStdString();
}

} // namespace
