// The Disk Utility page's rules: the values cut from the unit's page, the sleep
// time check and the page's requests, byte for byte.

#include "console/disk_rules.h"

#include <gtest/gtest.h>

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const Console::UnitAddress kUnit{s("127.0.0.2"), 80};

QByteArray page(const QByteArray& variables) {
    return "<HTML>\r\n" + variables + "</HTML>\r\n";
}

TEST(DiskPage, SleepFieldIsTheValueBeforeItsFirstQuoteSemicolon) {
    const struct {
        const char* name;
        QByteArray page;
        const char* field;
    } cases[] = {
        {"the unit's form", "disk_idle_value=\"15\";disk_idle_stu=\"checked\";\r\n", "15"},
        {"quote, semicolon, x", "disk_idle_value=\"15\";x\";\r\n", "15"},
        // Without its own `";` the value is not taken, not even whole.
        {"no quote and semicolon in the value", "disk_idle_value=\"15\";\r\n", "0"},
        {"nothing before the pair", "disk_idle_value=\"\";x\";\r\n", "0"},
        {"no such variable", "host_name=\"NAS\";\r\n", "0"},
        {"the first pair counts", "disk_idle_value=\"5\";6\";x\";\r\n", "5"},
        {"whole, past the two characters a person types", "disk_idle_value=\"150\";x\";\r\n", "150"},
        {"taken as it stands", "disk_idle_value=\" 7\";x\";\r\n", " 7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Console::readDiskPage(page(c.page)).sleepMinutes, s(c.field)) << c.name;
}

TEST(DiskPage, OnlyExactlyDisableKeepsTheResultFromBeingCleared) {
    const struct {
        QByteArray page;
        bool canClear;
    } cases[] = {
        {"disk_fix_enable=\"DISABLE\";\r\n", false}, {"disk_fix_enable=\"ENABLE\";\r\n", true},
        {"disk_fix_enable=\"disable\";\r\n", true},  {"disk_fix_enable=\"DISABLE \";\r\n", true},
        {"disk_fix_enable=\"\";\r\n", true},         {"host_name=\"NAS\";\r\n", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Console::readDiskPage(page(c.page)).canClear, c.canClear) << c.page.constData();
}

TEST(DiskPage, ScanResultIsSplitAtLineFeeds) {
    const struct {
        const char* name;
        QByteArray scan;
        QList<QByteArray> lines;
    } cases[] = {
        {"three lines", "a\nb\nc", {"a", "b", "c"}},
        {"a trailing LF adds no line", "a\nb\nc\n", {"a", "b", "c"}},
        {"an empty line between", "a\n\nb", {"a", "", "b"}},
        {"CR stays at the end of its line", "a\r\nb\r\n", {"a\r", "b\r"}},
        {"only an LF", "\n", {""}},
        {"two LFs", "\n\n", {"", ""}},
        {"empty", "", {}},
        {"one line without LF", "Scan started", {"Scan started"}},
        {"bytes as they came", "caf\xe9\n\xc3\xa9t\xc3\xa9", {"caf\xe9", "\xc3\xa9t\xc3\xa9"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Console::SplitScanResult(c.scan), c.lines) << c.name;
        EXPECT_EQ(Console::readDiskPage(page("disk_scan=\"" + c.scan + "\";\r\n")).scanResult, c.lines) << c.name;
    }
}

TEST(DiskPage, AHugeResultIsBoundedAndALongOneIsWhole) {
    bool cut = false;
    const QList<QByteArray> separators = Console::SplitScanResult(QByteArray(1000000, '\n'), &cut);
    EXPECT_EQ(separators.size(), 16 * 1024) << "a page of line feeds stays a bounded list";
    EXPECT_TRUE(cut);
    // Exactly at the bound nothing was left off, with or without a last LF.
    for (const QByteArray& atBound : {QByteArray(16 * 1024, '\n'), QByteArray(16 * 1024 - 1, '\n') + 'x'}) {
        EXPECT_EQ(Console::SplitScanResult(atBound, &cut).size(), 16 * 1024);
        EXPECT_FALSE(cut);
    }
    EXPECT_TRUE(Console::readDiskPage(page("disk_scan=\"" + QByteArray(16 * 1024, '\n') + "x\";\r\n")).scanCut);

    QByteArray tenThousand;
    for (int i = 0; i < 10000; ++i)
        tenThousand += "Block " + QByteArray::number(i) + ": ok\n";
    const QList<QByteArray> lines = Console::SplitScanResult(tenThousand, &cut);
    ASSERT_EQ(lines.size(), 10000);
    EXPECT_EQ(lines.last(), QByteArray("Block 9999: ok"));
    EXPECT_FALSE(cut);
}

QString urlOf(const Console::Checked& checked) {
    const Console::CgiChange* change = Console::changeOf(checked);
    return change ? change->url : QString();
}

TEST(DiskSleepTime, ZeroAndFiveToSixtyAreSentAsTyped) {
    const QString base = s("http://127.0.0.2/nas.cgi?redirect=sto.htm&failure=fail.htm&type=ide_set&idle=");
    const struct {
        const char* typed;
        const char* sent;        // nullptr: refused
        const char* refusalText; // the box's words when refused
    } cases[] = {
        {"0", "0", nullptr},
        {"5", "5", nullptr},
        {"60", "60", nullptr},
        {"05", "05", nullptr},
        {"00", "00", nullptr},
        {" 5", "%205", nullptr}, // the framework takes leading blanks; sent as typed, escaped
        {"+5", "%2B5", nullptr},
        {"4", nullptr, "Invalid Sleep Time"},
        {"1", nullptr, "Invalid Sleep Time"},
        {"61", nullptr, "Invalid Sleep Time"},
        {"99", nullptr, "Invalid Sleep Time"},
        {"-5", nullptr, "Invalid Sleep Time"},
        {"-0", "-0", nullptr},
        {"ab", nullptr, "'ab' is not a valid integer value."},
        {"", nullptr, "'' is not a valid integer value."},
        {"5 ", nullptr, "'5 ' is not a valid integer value."},
        {"5&", nullptr, "'5&' is not a valid integer value."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const Console::Checked checked = Console::sleepTimeChange(kUnit, s(c.typed));
        if (c.sent) {
            ASSERT_NE(Console::changeOf(checked), nullptr);
            EXPECT_EQ(urlOf(checked), base + s(c.sent));
            EXPECT_EQ(Console::changeOf(checked)->page, s("sto.htm"));
            continue;
        }
        const Base::Refusal* refusal = Console::refusalOf(checked);
        ASSERT_NE(refusal, nullptr);
        EXPECT_EQ(Base::refusalText(*refusal), s(c.refusalText));
        const bool conversion = QByteArray(c.refusalText).startsWith('\'');
        EXPECT_EQ(refusal->captionKey, conversion ? s("Error") : s("Disk Tools"));
        EXPECT_EQ(refusal->icon, conversion ? Base::Icon::Error : Base::Icon::Information);
    }
}

TEST(DiskRequests, AreTheUnitsOwnAndAllNameTheDiskPage) {
    const Console::UnitAddress onPort{s("127.0.0.2"), 8080};
    const struct {
        const char* name;
        Console::CgiChange change;
        const char* url;
    } cases[] = {
        {"format", Console::formatChange(kUnit),
         "http://127.0.0.2/nas.cgi?redirect=sto_ok.htm&failure=fail.htm&type=IDE_init"},
        {"start scan", Console::scanStartChange(kUnit),
         "http://127.0.0.2/nas.cgi?redirect=sto.htm&failure=fail.htm&type=ide_scandisk_start"},
        {"clear result", Console::scanClearChange(kUnit),
         "http://127.0.0.2/nas.cgi?redirect=sto.htm&failure=fail.htm&type=ide_fixdisk_start"},
        {"format on a port of its own", Console::formatChange(onPort),
         "http://127.0.0.2:8080/nas.cgi?redirect=sto_ok.htm&failure=fail.htm&type=IDE_init"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.change.url, s(c.url)) << c.name;
        // Formatting too: the page sto.htm, so the console reads the Disk Utility page again.
        EXPECT_EQ(c.change.page, s("sto.htm")) << c.name;
    }
}

TEST(DiskQuestions, HaveTheirWordsCaptionsAndIcon) {
    const struct {
        Base::Refusal box;
        const char* text;
        const char* caption;
    } cases[] = {
        {Console::formatQuestion(), "This will format the hard disk and erase All data on this disk!\nAre you sure?",
         "Disk Tools"},
        {Console::scanStartQuestion(), "This operation will take some time to complete! Continue?", "Scan Disk "},
        {Console::scanClearQuestion(), "Are you sure to clear scan result?", "Scan Disk "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Base::refusalText(c.box), s(c.text));
        EXPECT_EQ(c.box.captionKey, s(c.caption));
        EXPECT_EQ(c.box.icon, Base::Icon::Question);
    }
    // Each piece of the format question is translated by itself.
    const Base::Refusal format = Console::formatQuestion();
    ASSERT_EQ(format.moreParts.size(), 2);
    EXPECT_FALSE(format.moreParts[0].translate);
    EXPECT_TRUE(format.moreParts[1].translate);
}

} // namespace
