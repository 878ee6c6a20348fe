// The device login and the administrator login, offscreen, against zuredor-sim.

#include "app/app_windows.h"
#include "console/console_window.h"
#include "discovery/scan_window.h"
#include "login/admin_login_window.h"
#include "login/device_login_window.h"
#include "mount/mount_window.h"
#include "support/message_recorder.h"
#include "support/sim_process.h"
#include "support/test_ports.h"
#include "ui/current_device.h"
#include "web/device_get.h"
#include "web/web_settings.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using TestSupport::RecordedBox;

class LoginFlow : public ::testing::Test {
protected:
    void start(QStringList faults = {}, int units = 1) {
        sim = std::make_unique<TestSupport::SimProcess>(QStringList{QStringLiteral("--units"), QString::number(units),
                                                                    QStringLiteral("--discovery-port"),
                                                                    QString::number(TestSupport::freeUdpPort())} +
                                                        faults);
        ASSERT_TRUE(sim->start()) << sim->output().toStdString();
        settings.broadcast = {QStringLiteral("127.255.255.255")};
        settings.discoveryPort = TestSupport::freeUdpPort();
        settings.devicePort = sim->devicePort();
        windows = std::make_unique<App::WindowSet>(settings, [] {});
        windows->showScanWindow();
        recorder = &TestSupport::installRecorder();
    }

    // As a row click does: the unit chosen, the login shown, the scan window hidden.
    void chooseUnit(const QString& ip) {
        Ui::CurrentDevice().ip = ip;
        windows->scanWindow().hide();
        windows->deviceLogin().showForPassword();
    }

    void typePassword(const QString& password) {
        QLineEdit* edit = windows->deviceLogin().passEdit();
        edit->clear();
        QTest::keyClicks(edit, password);
    }

    void press(const char* button) {
        auto* b = windows->deviceLogin().findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton);
    }

    void TearDown() override {
        windows.reset();
        Ui::CurrentDevice() = {};
    }

    Base::NetworkSettings settings;
    std::unique_ptr<TestSupport::SimProcess> sim;
    std::unique_ptr<App::WindowSet> windows;
    TestSupport::MessageRecorder* recorder = nullptr;
};

TEST_F(LoginFlow, WrongPasswordSaysSoAndTheWindowStays) {
    start();
    chooseUnit(QStringLiteral("127.0.0.2"));
    typePassword(QStringLiteral("wrong"));
    press("MenBtn");
    ASSERT_EQ(recorder->boxes.size(), 1);
    const RecordedBox& box = recorder->boxes.first();
    EXPECT_EQ(box.text, QStringLiteral("Login fail, Please check your username and password"));
    EXPECT_EQ(box.caption, QStringLiteral("Login"));
    EXPECT_EQ(box.icon, Base::Icon::Information);
    EXPECT_TRUE(windows->deviceLogin().isVisible());
    EXPECT_FALSE(windows->consoleWindow().isVisible());
    EXPECT_EQ(Ui::CurrentDevice().password, QStringLiteral("wrong"));
}

TEST_F(LoginFlow, UnreachableUnitSaysConnectionFailQuickly) {
    start();
    chooseUnit(QStringLiteral("127.0.0.9")); // nobody listens there
    typePassword(QStringLiteral("admin"));
    QElapsedTimer clock;
    clock.start();
    press("MountBtn");
    // Eight refused reads take a few hundred milliseconds; a refusal taken for silence
    // waits until the retry budget runs out.
    EXPECT_LT(clock.elapsed(), Web::Settings().retryBudgetMs);
    ASSERT_EQ(recorder->boxes.size(), 1);
    EXPECT_EQ(recorder->boxes.first().text, QStringLiteral("Connection fail"));
    EXPECT_EQ(recorder->boxes.first().caption, QStringLiteral("Connect"));
    EXPECT_EQ(recorder->boxes.first().icon, Base::Icon::Error);
    EXPECT_FALSE(windows->mountWindow().isVisible());
}

TEST_F(LoginFlow, MountFillsTheFolderListAndOpensTheDialog) {
    start({}, 2);
    // The second unit shares Projects and Invoices; publishing its fourth
    // folder puts a name with a two-byte character at the end of the list.
    const Web::DeviceResponse published = Web::DeviceGet(
        QStringLiteral("127.0.0.3"), QStringLiteral("admin"), QStringLiteral("admin"),
        QStringLiteral("/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&share_list=M%C3%BAsica&add=Add"),
        Web::settingsFor(settings));
    ASSERT_EQ(published.status, 302) << published.header.toStdString();
    ASSERT_FALSE(published.header.contains("fail.htm")) << published.header.toStdString();

    chooseUnit(QStringLiteral("127.0.0.3"));
    typePassword(QStringLiteral("admin"));
    press("MountBtn");
    EXPECT_TRUE(recorder->boxes.isEmpty());
    EXPECT_FALSE(windows->deviceLogin().isVisible());
    ASSERT_TRUE(windows->mountWindow().isVisible());
    QComboBox* folders = windows->mountWindow().folderBox();
    QStringList names;
    for (int i = 0; i < folders->count(); ++i)
        names << folders->itemText(i);
    EXPECT_EQ(names, (QStringList{QStringLiteral("0"), QStringLiteral("Projects"), QStringLiteral("Invoices"),
                                  QString::fromUtf8("M\xC3\xBAsica")}))
        << "the public folder first, then the shared folders in the unit's order";
    EXPECT_EQ(folders->currentIndex(), -1) << "nothing is selected";

    windows->mountWindow().close();
    EXPECT_TRUE(windows->deviceLogin().isVisible());
}

TEST_F(LoginFlow, ManagementOpensTheConsoleWhileTheWindowKeepsPainting) {
    start({QStringLiteral("--web-delay"), QStringLiteral("150")});
    chooseUnit(QStringLiteral("127.0.0.2"));
    typePassword(QStringLiteral("admin"));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    press("MenBtn");
    EXPECT_GE(ticks, 5) << "timers ran while the unit took its time";
    EXPECT_TRUE(recorder->boxes.isEmpty());
    EXPECT_FALSE(windows->deviceLogin().isVisible());
    EXPECT_TRUE(windows->consoleWindow().isVisible());
    EXPECT_EQ(windows->consoleWindow().windowTitle(), QStringLiteral("Management 127.0.0.2"));

    windows->consoleWindow().close();
    EXPECT_TRUE(windows->deviceLogin().isVisible());
}

// The scan window is a way back, not a log-out: the chosen unit and the
// credentials typed for it stay for the next login.
TEST_F(LoginFlow, TheUnitAndItsCredentialsStayAfterReturningToTheScanWindow) {
    start();
    chooseUnit(QStringLiteral("127.0.0.2"));
    typePassword(QStringLiteral("admin"));
    press("MenBtn");
    ASSERT_TRUE(windows->consoleWindow().isVisible());
    windows->consoleWindow().close();
    ASSERT_TRUE(windows->deviceLogin().isVisible());
    windows->deviceLogin().close();
    ASSERT_TRUE(windows->scanWindow().isVisible());
    EXPECT_FALSE(windows->deviceLogin().isVisible());
    EXPECT_EQ(Ui::CurrentDevice().ip, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(Ui::CurrentDevice().userName, QStringLiteral("admin"));
    EXPECT_EQ(Ui::CurrentDevice().password, QStringLiteral("admin"));
}

TEST_F(LoginFlow, AdministratorLoginTwoWrongEntriesThenAnyPressReturnsToTheScan) {
    start();
    Ui::CurrentDevice() = {QStringLiteral("127.0.0.2"), QStringLiteral("admin"), QStringLiteral("secret")};
    windows->scanWindow().hide();
    windows->consoleWindow().show();
    windows->consoleWindow().setEnabled(false);
    auto& admin = windows->adminLogin();
    admin.show();
    auto* pass = admin.findChild<QLineEdit*>(QStringLiteral("PassEdit"));
    auto* name = admin.findChild<QLineEdit*>(QStringLiteral("AdminEdit"));
    EXPECT_EQ(name->text(), QStringLiteral("admin"));
    for (const char* entry : {"wrong1", "wrong2"}) {
        QTest::keyClicks(pass, QString::fromLatin1(entry));
        admin.LoginBtnClick();
        EXPECT_TRUE(pass->text().isEmpty());
        EXPECT_TRUE(admin.isVisible());
    }
    QTest::keyClicks(pass, QStringLiteral("secret")); // even the right one: the third press is not compared
    admin.LoginBtnClick();
    EXPECT_FALSE(admin.isVisible());
    EXPECT_FALSE(windows->consoleWindow().isVisible());
    EXPECT_TRUE(windows->consoleWindow().isEnabled());
    EXPECT_TRUE(windows->scanWindow().isVisible());
}

TEST_F(LoginFlow, AdministratorLoginRightPasswordReturnsToTheConsole) {
    start();
    Ui::CurrentDevice() = {QStringLiteral("127.0.0.2"), QStringLiteral("admin"), QStringLiteral("secret")};
    windows->scanWindow().hide();
    windows->consoleWindow().show();
    windows->consoleWindow().setEnabled(false);
    auto& admin = windows->adminLogin();
    admin.show();
    auto* pass = admin.findChild<QLineEdit*>(QStringLiteral("PassEdit"));
    QTest::keyClicks(pass, QStringLiteral("Secret"));
    admin.LoginBtnClick();
    EXPECT_TRUE(admin.isVisible()) << "letter case counts";
    QTest::keyClicks(pass, QStringLiteral("secret"));
    admin.LoginBtnClick();
    EXPECT_FALSE(admin.isVisible());
    EXPECT_TRUE(windows->consoleWindow().isVisible());
    EXPECT_TRUE(windows->consoleWindow().isEnabled());

    // Closing the administrator login instead lands on the scan window.
    windows->consoleWindow().setEnabled(false);
    admin.show();
    admin.close();
    EXPECT_FALSE(windows->consoleWindow().isVisible());
    EXPECT_TRUE(windows->scanWindow().isVisible());
}

} // namespace
