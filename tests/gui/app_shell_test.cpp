#include "app/app_windows.h"
#include "base/localize.h"
#include "console/console_dialogs.h"
#include "console/console_window.h"
#include "discovery/discovery_datagram.h"
#include "discovery/scan_window.h"
#include "login/device_login_window.h"
#include "mount/mount_window.h"
#include "support/fifo_probe.h"
#include "support/test_ports.h"
#include "ui/current_device.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

using TestSupport::waitUntil;

Base::NetworkSettings loopbackSettings() {
    Base::NetworkSettings settings;
    settings.broadcast = {QStringLiteral("127.255.255.255")};
    settings.discoveryPort = TestSupport::freeUdpPort();
    return settings;
}

// Answers as a unit would, from its own loopback address, straight to the program's port.
void sendReply(const QString& from, quint16 port, const QByteArray& host) {
    QUdpSocket unit;
    ASSERT_TRUE(unit.bind(QHostAddress(from), port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    const QByteArray datagram = Discovery::encodeDiscoveryReply({host, "WORKGROUP", "1.0.3"});
    ASSERT_EQ(unit.writeDatagram(datagram, QHostAddress::LocalHost, port), datagram.size());
}

QList<QWidget*> visibleWindows() {
    QList<QWidget*> visible;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->objectName().isEmpty())
            visible.append(w);
    return visible;
}

class AppShell : public ::testing::Test {
protected:
    void SetUp() override { Ui::CurrentDevice() = {}; }
    void TearDown() override { Ui::CurrentDevice() = {}; }
};

TEST_F(AppShell, StartsWithOnlyTheScanWindowOfTheRightShape) {
    int quits = 0;
    App::WindowSet windows(loopbackSettings(), [&] { ++quits; });
    windows.showScanWindow();

    const auto visible = visibleWindows();
    ASSERT_EQ(visible.size(), 1);
    auto& scan = windows.scanWindow();
    EXPECT_EQ(visible.first(), &scan);
    EXPECT_EQ(scan.windowTitle(), QStringLiteral("Scan Zur Edor - Version 1.1"));
    EXPECT_EQ(scan.size(), QSize(476, 326));
    EXPECT_TRUE(scan.endpoint().isOpen()) << "replies are accepted from the start";

    QTableWidget* list = scan.listView();
    const QStringList titles{QStringLiteral("IP Address"), QStringLiteral("HD Name"), QStringLiteral("Group Name"),
                             QStringLiteral("Firmware Version")};
    const int widths[] = {88, 110, 110, 120};
    ASSERT_EQ(list->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->horizontalHeaderItem(c)->text(), titles[c]);
        EXPECT_EQ(list->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(list->size(), QSize(433, 214));
    auto* bar = scan.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 130);
    EXPECT_EQ(bar->size(), QSize(433, 7));
    auto* button = scan.findChild<QPushButton*>(QStringLiteral("ScanBtn"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->size(), QSize(81, 33));
    EXPECT_EQ(quits, 0);
}

TEST_F(AppShell, EveryWindowShowsTheProgramIconInEachRenderedSize) {
    App::WindowSet windows(loopbackSettings(), [] {});
    int checked = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->objectName().startsWith(QLatin1String("TForm")))
            continue;
        ++checked;
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QImage drawn = window->windowIcon().pixmap(QSize(size, size)).toImage();
            const QImage rendered(QStringLiteral(":/zuredor/icons/%1x%1/apps/zuredor.png").arg(size));
            ASSERT_FALSE(rendered.isNull()) << size;
            EXPECT_EQ(drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                      rendered.convertToFormat(QImage::Format_ARGB32_Premultiplied))
                << window->objectName().toStdString() << " at " << size;
        }
    }
    EXPECT_EQ(checked, 11);
}

TEST_F(AppShell, LanguageFileTranslatesTheButtonButNotTheTitle) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile file(QStringLiteral("language"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Scan=Suchen\r\nHD Name=Name\r\n");
    file.close();
    Base::reloadLanguageFile();

    App::WindowSet windows(loopbackSettings(), [] {});
    QDir::setCurrent(previous);
    Base::reloadLanguageFile();

    auto& scan = windows.scanWindow();
    EXPECT_EQ(scan.findChild<QPushButton*>(QStringLiteral("ScanBtn"))->text(), QStringLiteral("Suchen"));
    EXPECT_EQ(scan.windowTitle(), QStringLiteral("Scan Zur Edor - Version 1.1"));
    EXPECT_EQ(scan.listView()->horizontalHeaderItem(1)->text(), QStringLiteral("Name"));
}

TEST_F(AppShell, RowClickChoosesTheUnitAndClosingTheLoginReturns) {
    const Base::NetworkSettings settings = loopbackSettings();
    App::WindowSet windows(settings, [] {});
    windows.showScanWindow();
    auto& scan = windows.scanWindow();
    Ui::CurrentDevice().userName = QStringLiteral("admin");

    sendReply(QStringLiteral("127.0.0.7"), settings.discoveryPort, "UNIT7");
    ASSERT_TRUE(waitUntil([&] { return scan.listView()->rowCount() == 1; }));
    QTableWidget* list = scan.listView();
    EXPECT_EQ(list->item(0, 0)->text(), QStringLiteral("127.0.0.7"));
    EXPECT_EQ(list->item(0, 1)->text(), QStringLiteral("UNIT7"));

    // A click below the last row selects nothing and does nothing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(50, 180));
    EXPECT_TRUE(scan.isVisible());
    EXPECT_TRUE(Ui::CurrentDevice().ip.isEmpty());

    const QRect cell = list->visualItemRect(list->item(0, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(Ui::CurrentDevice().ip, QStringLiteral("127.0.0.7"));
    EXPECT_EQ(Ui::CurrentDevice().userName, QStringLiteral("admin")) << "only ip is replaced";
    EXPECT_FALSE(scan.isVisible());
    auto& login = windows.deviceLogin();
    EXPECT_TRUE(login.isVisible());
    EXPECT_EQ(QApplication::focusWidget() == nullptr ? login.focusWidget() : QApplication::focusWidget(),
              login.passEdit());

    EXPECT_EQ(login.passEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(login.passEdit()->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, login.passEdit()),
              '*');

    login.close();
    EXPECT_FALSE(login.isVisible());
    EXPECT_TRUE(scan.isVisible());
    EXPECT_EQ(list->rowCount(), 1) << "the list is kept when coming back";
}

TEST_F(AppShell, ClosingTheScanWindowEndsTheProgramWhileAnotherWindowIsOpen) {
    int quits = 0;
    App::WindowSet windows(loopbackSettings(), [&] { ++quits; });
    windows.showScanWindow();
    windows.deviceLogin().show();
    windows.scanWindow().close();
    EXPECT_EQ(quits, 1);
}

// ---- text from a unit or a file is never markup

TEST_F(AppShell, EveryLabelShowsTranslatedCaptionsAsTextAndLoadsNothing) {
    TestSupport::FifoProbe fifo;
    ASSERT_TRUE(fifo.valid());
    const QString img = fifo.markup();
    const QString font = QStringLiteral("<font size=7>big</font>");
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile file(QStringLiteral("language"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // Captions of every kind of window: logins, mount, console pages, dialogs.
    for (const char* key : {"User Name", "Password", "Disk Number", "Folder", "Host Name", "IP Address", "Folder Name",
                            "New Name", "Account", "Format Disk", "FTP Status", "Upload Firmware", "Folder List"})
        file.write(QByteArray(key) + "=" + img.toUtf8() + "\r\n");
    file.write("Wait a minute...=" + font.toUtf8() + "\r\n");
    file.close();
    Base::reloadLanguageFile();
    App::WindowSet windows(loopbackSettings(), [] {});
    windows.mountWindow().show(); // the mount window translates when it shows
    QDir::setCurrent(previous);
    Base::reloadLanguageFile();

    int translated = 0;
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* label = qobject_cast<QLabel*>(widget);
        if (label == nullptr)
            continue;
        EXPECT_EQ(label->textFormat(), Qt::PlainText)
            << label->objectName().toStdString() << " " << label->text().toStdString();
        // What a label needs to lay out and paint, so that markup would be rendered now.
        label->sizeHint();
        label->grab();
        if (label->text().contains(QLatin1Char('<'))) {
            ++translated;
            EXPECT_TRUE(label->text() == img || label->text() == font) << label->text().toStdString();
        }
    }
    EXPECT_GE(translated, 15);
    for (QWidget* window : QApplication::topLevelWidgets())
        window->grab();
    EXPECT_FALSE(fifo.opened()) << "a caption made the program open " << fifo.path().toStdString();
}

TEST_F(AppShell, MessageBoxesShowTheirTextAsItIs) {
    TestSupport::FifoProbe fifo;
    ASSERT_TRUE(fifo.valid());
    const QString texts[] = {fifo.markup(), QStringLiteral("<b>bold</b> and <a href=\"http://127.0.0.1/\">a link</a>"),
                             QStringLiteral("'") + fifo.markup() + QStringLiteral("' is not a valid integer value.")};
    for (const QString& text : texts) {
        for (const bool withCancel : {false, true}) {
            const std::unique_ptr<QMessageBox> box =
                Ui::createMessageBox(text, QStringLiteral("<i>caption</i>"), Base::Icon::Error, withCancel);
            EXPECT_EQ(box->textFormat(), Qt::PlainText) << text.toStdString();
            EXPECT_EQ(box->text(), text);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("<i>caption</i>"));
            EXPECT_EQ(box->buttons().size(), withCancel ? 2 : 1);
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
            EXPECT_EQ(label->text(), text);
            // Shown without a loop of its own: nothing waits on it. A question's Enter is Cancel.
            box->show();
            box->grab();
            QTest::keyClick(box.get(), Qt::Key_Return);
            EXPECT_EQ(box->clickedButton(), box->button(withCancel ? QMessageBox::Cancel : QMessageBox::Ok));
            box->hide();
        }
    }
    EXPECT_FALSE(fifo.opened()) << "a box made the program open " << fifo.path().toStdString();
}

} // namespace

namespace {

TEST(ConsoleDialogs, TheConsoleHasItsSixDialogsAndHearsTheirSet) {
    Base::NetworkSettings settings;
    settings.broadcast = {QStringLiteral("127.255.255.255")};
    settings.discoveryPort = TestSupport::freeUdpPort();
    App::WindowSet windows(settings, [] {});
    const Console::ConsoleDialogs& dialogs = windows.consoleWindow().dialogs();
    const QList<std::pair<Console::NameDialog*, const char*>> all{
        {dialogs.createFolder, "TForm6"},         {dialogs.renameFolder, "TForm7"},
        {dialogs.sharePassword, "TForm8"},        {dialogs.createAccount, "TForm9"},
        {dialogs.createAccountFolder, "TForm10"}, {dialogs.renameAccountFolder, "TForm11"}};
    for (const auto& [dialog, name] : all) {
        ASSERT_NE(dialog, nullptr) << name;
        EXPECT_EQ(dialog->objectName(), QString::fromLatin1(name));
        QSignalSpy set(dialog, &Console::NameDialog::setPressed);
        const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 1) << name;
        QTest::mouseClick(buttons.first(), Qt::LeftButton);
        EXPECT_EQ(set.count(), 1) << name;
    }
}

} // namespace
