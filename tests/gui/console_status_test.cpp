// The console frame and its Status page, offscreen, against zuredor-sim.

#include "console_fixture.h"

#include "base/list_bounds.h"
#include "base/localize.h"
#include "console/page_control.h"
#include "console/page_tabs.h"
#include "discovery/scan_window.h"
#include "login/admin_login_window.h"
#include "support/fifo_probe.h"
#include "web/page_fetch.h"
#include "web/page_values.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

using namespace ConsoleTest;

class StatusPage : public ConsoleFixture {
protected:
    // What the unit says now, read past the console.
    QString unitValue(const char* name, const QString& password = s("admin")) {
        Web::Settings settings;
        settings.devicePort = sim->devicePort();
        const Web::DeviceResponse r =
            Web::ReadUtilityPage({s("127.0.0.2"), s("admin"), password}, settings, QDeadlineTimer(3000));
        return QString::fromUtf8(Web::PageValue(r.page, QByteArray(name) + "=\""));
    }
    QComboBox* combo(const char* name) { return control<QComboBox>(name); }
    QString label(const char* name) { return control<QLabel>(name)->text(); }
    bool checked(const char* name) { return control<QRadioButton>(name)->isChecked(); }
};

TEST_F(StatusPage, OpensOnStatusWithEveryValueOfTheUnit) {
    startSim();
    logIn();
    EXPECT_EQ(console().windowTitle(), s("Management 127.0.0.2"));
    EXPECT_EQ(console().pageControl()->currentIndex(), Console::kStatusPage);
    EXPECT_FALSE(console().pageControl()->isTabVisible(Console::kModifyFtpPage));
    EXPECT_EQ(edit("HostEdit")->text(), s("ZurEdor-1"));
    EXPECT_EQ(edit("GroupEdit")->text(), s("Group-1"));
    EXPECT_EQ(edit("YearEdit")->text(), unitValue("sntp_day0"));
    EXPECT_TRUE(checked("SntpAutoRB"));
    EXPECT_FALSE(control("TimeSSelCB")->isHidden());
    EXPECT_TRUE(control("MantimeSEdit")->isHidden());
    EXPECT_EQ(combo("TimeSSelCB")->currentText(), s("pool.ntp.org"));
    EXPECT_EQ(combo("TimezoneCB")->currentText(), s("(GMT+01:00)Amsterdam,Vienna,Paris,Rom"));
    EXPECT_EQ(label("IPAddressLB"), s("127.0.0.2"));
    EXPECT_TRUE(checked("DhcpsDRB"));
    EXPECT_EQ(label("FreesizeLB"), s("51.2 GB"));
    EXPECT_EQ(combo("LangCB")->count(), 6);
    EXPECT_EQ(combo("LangCB")->currentText(), s("English"));
    EXPECT_TRUE(recorder->boxes.isEmpty()) << boxTexts().join(s("; ")).toStdString();
}

TEST_F(StatusPage, ChangesReachTheUnitAndShowAfterTheReRead) {
    startSim();
    logIn();
    type("HostEdit", s(" Vault-7 "));
    type("GroupEdit", s("HOME"));
    click("identBtn");
    EXPECT_EQ(unitValue("host_name"), s("Vault-7"));
    EXPECT_EQ(unitValue("group_name"), s("HOME"));
    EXPECT_EQ(edit("HostEdit")->text(), s("Vault-7"));

    combo("TimezoneCB")->setCurrentIndex(7);
    click("TimeSMakeRB");
    EXPECT_TRUE(control("TimeSSelCB")->isHidden());
    type("MantimeSEdit", s("ntp.example.org"));
    click("DatatimeBtn");
    EXPECT_EQ(unitValue("sntp_zone"), s("-5"));
    EXPECT_EQ(unitValue("sntp_server"), s("ntp.example.org"));
    EXPECT_EQ(unitValue("sntp_timeserver"), s("1"));
    EXPECT_EQ(combo("TimezoneCB")->currentText(), s("(GMT-05:00)Bogota, Lima,Eastern Time"));
    EXPECT_TRUE(checked("TimeSMakeRB"));
    EXPECT_EQ(edit("MantimeSEdit")->text(), s("ntp.example.org"));

    click("DhcpsERB");
    click("NetinfoBtn");
    EXPECT_EQ(unitValue("dhcps_option"), s("checked"));
    EXPECT_TRUE(checked("DhcpsERB"));

    combo("LangCB")->setCurrentIndex(3);
    click("LangBtn");
    EXPECT_EQ(unitValue("default_lang"), s("3"));
    EXPECT_EQ(combo("LangCB")->currentIndex(), 3);
    ASSERT_EQ(recorder->boxes.size(), 1);
    EXPECT_EQ(recorder->boxes[0].text, s("Please restart system to enable new codepage!"));
    EXPECT_EQ(recorder->boxes[0].caption, s("Language"));
    EXPECT_EQ(recorder->boxes[0].icon, Base::Icon::Question);
}

TEST_F(StatusPage, ARefusedCheckSendsNothing) {
    startSim();
    logIn();
    struct Step {
        std::function<void()> prepare;
        const char* button;
        const char* text;
        const char* caption;
    };
    const QList<Step> steps{
        {[this] { type("HostEdit", s("my.nas")); }, "identBtn", "Invalid value .Host Name my.nas", "Identification"},
        {[this] {
             type("PassEdit", s("Secret"));
             type("VerifyEdit", s("secret"));
         },
         "adminBtn", "New password entries do not match!", "Administrator"},
        {[this] {
             click("TimeSSelRB");
             combo("TimeSSelCB")->setCurrentIndex(-1);
         },
         "DatatimeBtn", "Please select a time server from the list", "Date and Time"},
    };
    for (const Step& step : steps) {
        recorder->boxes.clear();
        step.prepare();
        click(step.button);
        ASSERT_EQ(recorder->boxes.size(), 1) << step.text;
        EXPECT_EQ(recorder->boxes[0].text, s(step.text));
        EXPECT_EQ(recorder->boxes[0].caption, s(step.caption));
    }
    EXPECT_EQ(unitValue("host_name"), s("ZurEdor-1"));
    EXPECT_EQ(unitValue("sntp_server"), s("pool.ntp.org"));
    EXPECT_TRUE(console().isEnabled()) << "no administrator login after a refused check";
}

TEST_F(StatusPage, NewAdministratorPasswordIsAskedAgainRightThenWrong) {
    startSim();
    logIn();
    type("PassEdit", s("n3w"));
    type("VerifyEdit", s("n3w"));
    click("adminBtn");
    EXPECT_FALSE(console().isEnabled());
    EXPECT_TRUE(console().isVisible());
    auto& admin = windows->adminLogin();
    ASSERT_TRUE(admin.isVisible());
    EXPECT_EQ(Ui::CurrentDevice().password, s("n3w"));
    EXPECT_EQ(unitValue("host_name", s("n3w")), s("ZurEdor-1")) << "the unit takes the new password";

    auto* pass = admin.findChild<QLineEdit*>(s("PassEdit"));
    QTest::keyClicks(pass, s("admin"));
    admin.LoginBtnClick();
    EXPECT_TRUE(admin.isVisible()) << "the old password is no longer the password";
    QTest::keyClicks(pass, s("n3w"));
    admin.LoginBtnClick();
    EXPECT_FALSE(admin.isVisible());
    EXPECT_TRUE(console().isEnabled());
    EXPECT_TRUE(edit("PassEdit")->text().isEmpty());
    EXPECT_TRUE(edit("VerifyEdit")->text().isEmpty());

    // The console goes on with the new password: another change and its re-read pass.
    recorder->boxes.clear();
    type("HostEdit", s("After"));
    click("identBtn");
    EXPECT_TRUE(recorder->boxes.isEmpty()) << boxTexts().join(s("; ")).toStdString();
    EXPECT_EQ(unitValue("host_name", s("n3w")), s("After"));

    // Two wrong entries after the next change, and the third press ends on the scan window.
    type("PassEdit", s("x2"));
    type("VerifyEdit", s("x2"));
    click("adminBtn");
    for (const char* entry : {"n3w", "wrong", "x2"}) {
        QTest::keyClicks(pass, s(entry));
        admin.LoginBtnClick();
    }
    EXPECT_FALSE(admin.isVisible());
    EXPECT_FALSE(console().isVisible());
    EXPECT_TRUE(console().isEnabled());
    EXPECT_TRUE(windows->scanWindow().isVisible());
}

// ---- the frame

TEST_F(StatusPage, TabsMapAroundTheHiddenModifyFtpTab) {
    startSim();
    logIn();
    Console::ConsoleTabBar* tabs = console().pageControl()->consoleTabBar();
    EXPECT_EQ(tabs->drawnCaption(4), s("FTP Server"));
    EXPECT_EQ(tabs->drawnCaption(5), s("Disk Utility"));
    EXPECT_TRUE(tabs->drawnCaption(6).isEmpty());
    // The sixth tab on screen is the Disk Utility page.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(Console::kDiskPage).center());
    EXPECT_EQ(console().pageControl()->currentIndex(), Console::kDiskPage);

    console().setModifyFtpTabVisible(true);
    EXPECT_EQ(tabs->drawnCaption(5), s("Modify FTP"));
    EXPECT_EQ(tabs->drawnCaption(6), s("Disk Utility"));

    // Selected tab sky-blue, the others navy.
    const QImage image = tabs->grab().toImage();
    const auto corner = [&](int page) { return image.pixelColor(tabs->tabRect(page).topLeft() + QPoint(2, 2)); };
    EXPECT_EQ(corner(Console::kDiskPage), Ui::kSkyBlue);
    EXPECT_EQ(corner(Console::kStatusPage), Ui::kNavy);

    // Closing with the account editor open: back to the device login, and the tab hidden at the next show.
    console().close();
    EXPECT_TRUE(windows->deviceLogin().isVisible());
    EXPECT_FALSE(console().pageControl()->isTabVisible(Console::kModifyFtpPage));
    console().setModifyFtpTabVisible(true);
    console().showOnFirstPage();
    EXPECT_FALSE(console().pageControl()->isTabVisible(Console::kModifyFtpPage));
    EXPECT_EQ(console().pageControl()->currentIndex(), Console::kStatusPage);
}

TEST_F(StatusPage, LanguageFileTranslatesEverySetAndEveryEnable) {
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile file(dir.filePath(s("language")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Set=Fijar\r\nEnable=Activar\r\nStatus=Estado\r\nManagement=Gesti\xc3\xb3n\r\n");
    file.close();
    Base::reloadLanguageFile();
    startWindows(TestSupport::freeTcpPort());
    ASSERT_TRUE(QDir::setCurrent(before));
    Base::reloadLanguageFile();

    for (const char* name : {"identBtn", "adminBtn", "DatatimeBtn", "NetinfoBtn", "LangBtn", "IPinforBtn",
                             "FTPStatusBtn", "AnonyBtn", "ModFTPBtn", "DiskSleepBtn"})
        EXPECT_EQ(control<QPushButton>(name)->text(), s("Fijar")) << name;
    for (const char* name : {"DhcpsERB", "AnonyEnRB"})
        EXPECT_EQ(control<QRadioButton>(name)->text(), s("Activar")) << name;
    EXPECT_EQ(console().pageControl()->tabText(Console::kStatusPage), s("Estado"));
    EXPECT_EQ(console().pageControl()->consoleTabBar()->drawnCaption(0), s("Estado"));
}

// ---- pages the simulator never writes

QByteArray pageWith(const QByteArray& zone, const QByteArray& language) {
    return "<HTML>\r\nhost_name=\"NAS9\";\r\nsntp_zone=\"" + zone + "\";\r\nip_addr=\"127.0.0.1\";\r\n" +
           "default_lang=\"" + language + "\";\r\nlang_list=\"English#Deutsch\";\r\n</HTML>\r\n";
}

TEST_F(StatusPage, ZoneThatIsNoNumberStopsTheShowWithTheConversionError) {
    FixedPageServer unit(pageWith("abc", "0"));
    startWindows(unit.port());
    Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    console().showOnFirstPage();
    ASSERT_TRUE(TestSupport::waitUntil([this] { return !recorder->boxes.isEmpty(); }));
    EXPECT_EQ(recorder->boxes[0].text, s("'abc' is not a valid integer value."));
    EXPECT_EQ(recorder->boxes[0].icon, Base::Icon::Error);
    EXPECT_EQ(edit("HostEdit")->text(), s("NAS9")) << "what came before the zone is filled";
    EXPECT_TRUE(label("IPAddressLB").isEmpty()) << "nothing after it is";
}

// ---- text from the unit is data

QByteArray pageOf(const QList<std::pair<const char*, QString>>& values) {
    QByteArray page = "<HTML>\r\n";
    for (const auto& [name, value] : values)
        page += QByteArray(name) + "=\"" + value.toUtf8() + "\";\r\n";
    return page + "</HTML>\r\n";
}

TEST_F(StatusPage, MarkupInEveryValueShowsAsTextAndLoadsNothing) {
    TestSupport::FifoProbe fifo;
    ASSERT_TRUE(fifo.valid());
    const QString img = fifo.markup();
    const QList<std::pair<const char*, QString>> labels{
        {"CurrenttimeLB", s("<b>2024/01/02 03:04:05</b>")},
        {"IPAddressLB", s("<a href=\"http://127.0.0.1/\">here</a>")},
        {"FirmverLB", img},
        {"DiskidLB", s("<font size=7>DISK</font>")},
        {"FreesizeLB", s("<h1>1 GB</h1>")},
        {"TotalsizeLB", img + s(" 2 GB")},
    };
    FixedPageServer unit(pageOf({{"host_name", s("<b>h</b>")},
                                 {"group_name", s("<i>g</i>")},
                                 {"sntp_time", labels[0].second},
                                 {"sntp_timeserver", s("1")},
                                 {"sntp_server", img},
                                 {"sntp_zone", s("1")},
                                 {"ip_addr", labels[1].second},
                                 {"firm_ver", labels[2].second},
                                 {"disk_id", labels[3].second},
                                 {"free_size", labels[4].second},
                                 {"total_size", labels[5].second},
                                 {"default_lang", s("1")},
                                 {"lang_list", s("<b>English</b>#") + img}}));
    startWindows(unit.port());
    Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    console().showOnFirstPage();
    ASSERT_TRUE(TestSupport::waitUntil([this] { return !label("TotalsizeLB").isEmpty(); }));
    console().grab();

    for (const auto& [name, value] : labels) {
        EXPECT_EQ(control<QLabel>(name)->textFormat(), Qt::PlainText) << name;
        EXPECT_EQ(label(name), value) << name;
    }
    EXPECT_EQ(edit("HostEdit")->text(), s("<b>h</b>"));
    EXPECT_EQ(edit("GroupEdit")->text(), s("<i>g</i>"));
    EXPECT_EQ(edit("MantimeSEdit")->text(), img);
    EXPECT_EQ(combo("LangCB")->currentText(), img);
    EXPECT_EQ(combo("LangCB")->itemText(0), s("<b>English</b>"));
    EXPECT_FALSE(fifo.opened()) << "the page made the console open " << fifo.path().toStdString();
    EXPECT_TRUE(recorder->boxes.isEmpty()) << boxTexts().join(s("; ")).toStdString();
}

// Shows each box as the program does, without a loop of its own, and keeps what its text label holds.
class ShownBoxes final : public Ui::MessageService {
public:
    void show(const QString& text, const QString& caption, Base::Icon icon) override {
        const std::unique_ptr<QMessageBox> box = Ui::createMessageBox(text, caption, icon, false);
        box->show();
        box->grab();
        const auto* label = box->findChild<QLabel*>(s("qt_msgbox_label"));
        shown.append({label ? label->text() : QString(), label ? label->textFormat() : Qt::AutoText});
        box->hide();
    }
    bool confirm(const QString& text, const QString& caption, Base::Icon icon) override {
        show(text, caption, icon);
        return false;
    }
    QList<std::pair<QString, Qt::TextFormat>> shown;
};

TEST_F(StatusPage, MarkupInTheConversionErrorShowsAsTextAndLoadsNothing) {
    TestSupport::FifoProbe fifo;
    ASSERT_TRUE(fifo.valid());
    FixedPageServer unit(pageWith(fifo.markup().toUtf8(), "0"));
    startWindows(unit.port());
    auto service = std::make_unique<ShownBoxes>();
    ShownBoxes& boxes = *service;
    Ui::setMessageService(std::move(service));
    Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    console().showOnFirstPage();
    TestSupport::waitUntil([&] { return !boxes.shown.isEmpty(); });
    const bool opened = fifo.opened();
    const auto shown = boxes.shown;
    recorder = &TestSupport::installRecorder(); // the end of `boxes`
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].first, s("'") + fifo.markup() + s("' is not a valid integer value."));
    EXPECT_EQ(shown[0].second, Qt::PlainText);
    EXPECT_FALSE(opened) << "the box made the console open " << fifo.path().toStdString();
}

TEST_F(StatusPage, APageOfSeparatorsGivesTheLanguageListItsBoundOnly) {
    // As much of a page as the program reads at all, nearly all of it "#".
    const QByteArray head = "<HTML>\r\nhost_name=\"NAS9\";\r\ndefault_lang=\"2\";\r\nlang_list=\"";
    const QByteArray tail = "\";\r\n</HTML>\r\n";
    const qsizetype separators = Web::Settings().readCap - 256 - head.size() - tail.size();
    FixedPageServer unit(head + QByteArray(separators, '#') + tail);
    startWindows(unit.port());
    Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    QElapsedTimer clock;
    clock.start();
    console().showOnFirstPage();
    ASSERT_TRUE(TestSupport::waitUntil([this] { return combo("LangCB")->count() > 0; }, 60000));
    // Well under a second here; a list cut by copying or searching the rest of the page
    // for each of its 16 Ki entries takes far longer.
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(combo("LangCB")->count(), Base::kMaxListEntries);
    EXPECT_EQ(combo("LangCB")->currentIndex(), 2);
    EXPECT_EQ(edit("HostEdit")->text(), s("NAS9"));
    EXPECT_TRUE(recorder->boxes.isEmpty()) << boxTexts().join(s("; ")).toStdString();
}

} // namespace
