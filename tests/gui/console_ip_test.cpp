// The console's IP Config page, offscreen, against zuredor-sim: both kinds of
// addressing, the move to a new address and the return to a fresh scan.

#include "console_fixture.h"

#include "console/page_control.h"
#include "console/page_tabs.h"
#include "discovery/scan_window.h"

#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

namespace {

using namespace ConsoleTest;

class IpConfigPage : public ConsoleFixture {
protected:
    void openIpTab() {
        Console::ConsoleTabBar* tabs = console().pageControl()->consoleTabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(Console::kIpConfigPage).center());
        ASSERT_EQ(console().pageControl()->currentIndex(), Console::kIpConfigPage);
    }
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
    EXPECT_EQ(recorder->boxes[0].icon, App::Icon::Question);
    EXPECT_EQ(App::CurrentDevice().ip, s("127.0.0.77"));
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
    EXPECT_TRUE(windows->form1().isVisible());
    QTableWidget* list = windows->form1().listView();
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
    EXPECT_EQ(App::CurrentDevice().ip, s("127.0.0.2"));
    EXPECT_EQ(console().windowTitle(), s("Management 127.0.0.2"));
    EXPECT_EQ(edit("IPAddressEdit")->text(), s("127.0.0.2")) << "the page was read again";
}

TEST_F(IpConfigPage, AnEmptyAddressIsReadAgainAFewTimesOnly) {
    FixedPageServer unit("<HTML>\r\nip_type=\"FIXED IP\";\r\nip=\"\";\r\nsubmask=\"255.0.0.0\";\r\n");
    startWindows(unit.port());
    App::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    console().pageControl()->setCurrentIndex(Console::kIpConfigPage);
    console().show();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return unit.requests >= 3; }));
    QTest::qWait(200);
    EXPECT_EQ(unit.requests, 3);
    EXPECT_TRUE(edit("IPAddressEdit")->text().isEmpty());
    EXPECT_EQ(edit("SubMaskEdit")->text(), s("255.0.0.0"));

    // A unit that does not answer at all: each read says so, and the reads end.
    recorder->boxes.clear();
    App::CurrentDevice().ip = s("127.0.0.9");
    console().showPage(Console::kIpConfigPage);
    EXPECT_EQ(boxTexts(), QStringList(3, s("Connection Fail")));
    EXPECT_TRUE(radio("StaticIPRB")->isChecked());
    EXPECT_TRUE(edit("SubMaskEdit")->text().isEmpty());
}

} // namespace
