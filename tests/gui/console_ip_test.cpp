// The console's IP Config page, offscreen, against zuredor-sim: both kinds of
// addressing, the move to a new address and the return to a fresh scan.

#include "console_fixture.h"

#include "base/localize.h"
#include "console/page_control.h"
#include "console/page_tabs.h"
#include "discovery/scan_window.h"
#include "support/fifo_probe.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using namespace ConsoleTest;

class IpConfigPage : public ConsoleFixture {
protected:
    void openIpTab() { openPage(Console::kIpConfigPage); }
    QRadioButton* radio(const char* name) { return control<QRadioButton>(name); }
    bool editsEnabled() {
        int enabled = 0;
        for (const char* name : {"IPAddressEdit", "SubMaskEdit", "GatewayEdit", "PrimaryDnsEdit", "SecondDnsEdit"})
            enabled += edit(name)->isEnabled() ? 1 : 0;
        EXPECT_TRUE(enabled == 0 || enabled == 5) << "the five edits go together";
        return enabled == 5;
    }
};

TEST_F(IpConfigPage, ShowsTheStaticSettingsAndTheEditsFollowTheRadios) {
    startSim();
    logIn();
    openIpTab();
    EXPECT_TRUE(radio("StaticIPRB")->isChecked());
    EXPECT_TRUE(editsEnabled());
    EXPECT_EQ(edit("IPAddressEdit")->text(), s("127.0.0.2"));
    EXPECT_EQ(edit("SubMaskEdit")->text(), s("255.0.0.0"));
    EXPECT_EQ(edit("GatewayEdit")->text(), s("127.0.0.1"));
    EXPECT_EQ(edit("PrimaryDnsEdit")->text(), s("127.0.0.1"));
    EXPECT_TRUE(edit("SecondDnsEdit")->text().isEmpty());
    click("AutoIPRB");
    EXPECT_FALSE(editsEnabled());
    EXPECT_EQ(edit("IPAddressEdit")->text(), s("127.0.0.2")) << "filled in both modes";
    click("StaticIPRB");
    EXPECT_TRUE(editsEnabled());
    EXPECT_TRUE(recorder->boxes.isEmpty());
}

TEST_F(IpConfigPage, StaticChangeMovesTheConsoleToTheNewAddress) {
    startSim();
    logIn();
    openIpTab();
    type("IPAddressEdit", s("127.0.0.77"));
    type("SecondDnsEdit", s("127.0.0.1"));
    click("IPinforBtn");
    ASSERT_EQ(recorder->boxes.size(), 1);
    EXPECT_EQ(recorder->boxes[0].text, s("IP has been change, reconnect it success"));
    EXPECT_EQ(recorder->boxes[0].caption, s("IP Infomation"));
    EXPECT_EQ(recorder->boxes[0].icon, Base::Icon::Question);
    EXPECT_EQ(Ui::CurrentDevice().ip, s("127.0.0.77"));
    EXPECT_EQ(console().windowTitle(), s("Management 127.0.0.77"));
    EXPECT_TRUE(control("IPinforBtn")->isEnabled());

    // The next read goes to the new address, where the unit now answers.
    recorder->boxes.clear();
    edit("IPAddressEdit")->clear();
    openIpTab();
    QTest::mouseClick(console().pageControl()->consoleTabBar(), Qt::LeftButton, {},
                      console().pageControl()->consoleTabBar()->tabRect(Console::kStatusPage).center());
    QTest::mouseClick(console().pageControl()->consoleTabBar(), Qt::LeftButton, {},
                      console().pageControl()->consoleTabBar()->tabRect(Console::kIpConfigPage).center());
    EXPECT_EQ(edit("IPAddressEdit")->text(), s("127.0.0.77"));
    EXPECT_EQ(edit("SecondDnsEdit")->text(), s("127.0.0.1"));
    EXPECT_TRUE(recorder->boxes.isEmpty()) << boxTexts().join(s("; ")).toStdString();
}

TEST_F(IpConfigPage, AutomaticChangeReturnsToAFreshScanThatFindsTheUnitAtItsLease) {
    startSim();
    logIn();
    openIpTab();
    click("AutoIPRB");
    click("IPinforBtn");
    ASSERT_GE(recorder->boxes.size(), 1);
    EXPECT_EQ(recorder->boxes[0].text, s("Automatic IP, re-scan it"));
    EXPECT_EQ(recorder->boxes[0].caption, s("IP Infomation"));
    EXPECT_FALSE(console().isVisible());
    EXPECT_TRUE(windows->scanWindow().isVisible());
    QTableWidget* list = windows->scanWindow().listView();
    ASSERT_TRUE(TestSupport::waitUntil(
        [&] { return list->rowCount() > 0 && list->item(0, 0)->text().startsWith(s("127.200.0.")); }, 8000))
        << "rows: " << list->rowCount();
    EXPECT_EQ(list->rowCount(), 1) << "the old address no longer answers";
}

TEST_F(IpConfigPage, TheButtonIsHeldWhileTheRequestIsOnItsWay) {
    startSim({s("--web-delay"), s("200")});
    logIn();
    openIpTab();
    bool seenDisabled = false;
    bool seenEnabled = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { (control("IPinforBtn")->isEnabled() ? seenEnabled : seenDisabled) = true; });
    probe.start(20);
    click("IPinforBtn"); // the same settings again: the unit stays where it is
    probe.stop();
    EXPECT_TRUE(seenDisabled);
    EXPECT_FALSE(seenEnabled);
    EXPECT_TRUE(control("IPinforBtn")->isEnabled());
}

TEST_F(IpConfigPage, AnAddressTheUnitRefusesLeavesTheConsoleWhereItWas) {
    startSim();
    logIn();
    openIpTab();
    type("IPAddressEdit", s("999.1.1.1"));
    click("IPinforBtn");
    EXPECT_EQ(boxTexts(), QStringList{s("The unit did not accept the IP settings")});
    EXPECT_EQ(Ui::CurrentDevice().ip, s("127.0.0.2"));
    EXPECT_EQ(console().windowTitle(), s("Management 127.0.0.2"));
    EXPECT_EQ(edit("IPAddressEdit")->text(), s("127.0.0.2")) << "the page was read again";
}

TEST_F(IpConfigPage, AnEmptyAddressIsReadAgainAFewTimesOnly) {
    FixedPageServer unit("<HTML>\r\nip_type=\"FIXED IP\";\r\nip=\"\";\r\nsubmask=\"255.0.0.0\";\r\n");
    startWindows(unit.port());
    Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    console().pageControl()->setCurrentIndex(Console::kIpConfigPage);
    console().show();
    // The reads run inside the show handler's own event loops: when this loop sees three, the handler has
    // returned, and a fourth read would already have been counted.
    ASSERT_TRUE(TestSupport::waitUntil([&] { return unit.requests >= 3; }));
    EXPECT_EQ(unit.requests, 3);
    EXPECT_TRUE(edit("IPAddressEdit")->text().isEmpty());
    EXPECT_EQ(edit("SubMaskEdit")->text(), s("255.0.0.0"));

    // A unit that does not answer at all: each read says so, and the reads end.
    recorder->boxes.clear();
    Ui::CurrentDevice().ip = s("127.0.0.9");
    console().showPage(Console::kIpConfigPage);
    EXPECT_EQ(boxTexts(), QStringList(3, s("Connection Fail")));
    EXPECT_TRUE(radio("StaticIPRB")->isChecked());
    EXPECT_TRUE(edit("SubMaskEdit")->text().isEmpty());
}

TEST_F(IpConfigPage, MarkupInValuesAndCaptionsShowsAsTextAndLoadsNothing) {
    TestSupport::FifoProbe fifo;
    ASSERT_TRUE(fifo.valid());
    const QString img = fifo.markup();
    // The captions come from the language file, the values from the unit; both are only text.
    const QList<std::pair<const char*, QString>> captions{
        {"IPOption", img},
        {"Label23", s("<b>IP</b>")},
        {"Label24", s("<font size=7>Mask</font>")},
        {"Label25", s("<a href=\"http://127.0.0.1/\">Gateway</a>")},
        {"Label26", img + s(" DNS")},
        {"Label27", s("<h1>DNS 2</h1>")},
    };
    const char* const keys[] = {"IP Option", "IP Address", "Subnet Mask", "Gateway", "Primary DNS", "Secondary DNS"};
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile file(s("language"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < captions.size(); ++i)
        file.write(QByteArray(keys[i]) + "=" + captions[i].second.toUtf8() + "\r\n");
    file.close();
    Base::reloadLanguageFile();
    FixedPageServer unit("<HTML>\r\nip_type=\"FIXED IP\";\r\nip=\"<b>1</b>\";\r\nsubmask=\"<i>2</i>\";\r\n"
                         "gateway=\"<u>3</u>\";\r\npdns=\"<s>4</s>\";\r\nsdns=\"" +
                         img.toUtf8() + "\";\r\n</HTML>\r\n");
    startWindows(unit.port());
    ASSERT_TRUE(QDir::setCurrent(before));
    Base::reloadLanguageFile();
    Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    console().pageControl()->setCurrentIndex(Console::kIpConfigPage);
    console().show();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !edit("SecondDnsEdit")->text().isEmpty(); }));
    console().grab();

    for (const auto& [name, caption] : captions) {
        EXPECT_EQ(control<QLabel>(name)->textFormat(), Qt::PlainText) << name;
        EXPECT_EQ(control<QLabel>(name)->text(), caption) << name;
    }
    EXPECT_EQ(edit("IPAddressEdit")->text(), s("<b>1</b>"));
    EXPECT_EQ(edit("SubMaskEdit")->text(), s("<i>2</i>"));
    EXPECT_EQ(edit("GatewayEdit")->text(), s("<u>3</u>"));
    EXPECT_EQ(edit("PrimaryDnsEdit")->text(), s("<s>4</s>"));
    EXPECT_EQ(edit("SecondDnsEdit")->text(), img);
    EXPECT_FALSE(fifo.opened()) << "the page made the console open " << fifo.path().toStdString();
    EXPECT_TRUE(recorder->boxes.isEmpty()) << boxTexts().join(s("; ")).toStdString();
}

} // namespace
