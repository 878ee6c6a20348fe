#pragma once

// The real windows against zuredor-sim, logged in through the device login
// and on the console, for the console's GUI tests.

#include "app/app_windows.h"
#include "console/console_window.h"
#include "console/page_control.h"
#include "console/page_tabs.h"
#include "discovery/scan_window.h"
#include "login/admin_login_window.h"
#include "login/device_login_window.h"
#include "support/message_recorder.h"
#include "support/sim_process.h"
#include "support/test_ports.h"
#include "ui/current_device.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace ConsoleTest {

inline QString s(const char* text) {
    return QString::fromUtf8(text);
}

// Answers every request with one fixed utility page, for pages the simulator never writes.
class FixedPageServer final {
public:
    explicit FixedPageServer(QByteArray page) : m_page(std::move(page)) {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray request = socket->readAll();
                    if (!request.contains("\r\n\r\n"))
                        return;
                    ++requests;
                    received.append(request.left(request.indexOf("\r\n")));
                    socket->write("HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(m_page.size()) +
                                  "\r\n\r\n" + m_page);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress(s("127.0.0.1")), 0);
    }
    quint16 port() const { return m_server.serverPort(); }
    int requests = 0;
    QList<QByteArray> received; // the request line of each request

private:
    QByteArray m_page;
    QTcpServer m_server;
};

class ConsoleFixture : public ::testing::Test {
protected:
    // One simulated unit at 127.0.0.2; its discovery port is the windows' too, so a scan finds it.
    void startSim(QStringList extra = {}) {
        discoveryPort = TestSupport::freeUdpPort();
        sim = std::make_unique<TestSupport::SimProcess>(QStringList{s("--units"), s("1"), s("--broadcast"),
                                                                    s("127.255.255.255"), s("--discovery-port"),
                                                                    QString::number(discoveryPort)} +
                                                        extra);
        ASSERT_TRUE(sim->start()) << sim->output().toStdString();
        startWindows(sim->devicePort());
    }

    void startWindows(quint16 devicePort) {
        Base::NetworkSettings settings;
        settings.broadcast = {s("127.255.255.255")};
        settings.discoveryPort = discoveryPort ? discoveryPort : TestSupport::freeUdpPort();
        settings.devicePort = devicePort;
        windows = std::make_unique<App::WindowSet>(settings, [] {});
        windows->showScanWindow();
        recorder = &TestSupport::installRecorder();
    }

    // As a person does: the unit picked, the password typed, Management pressed, the Status page read.
    void logIn(const QString& ip = s("127.0.0.2"), const QString& password = s("admin")) {
        Ui::CurrentDevice().ip = ip;
        windows->scanWindow().hide();
        windows->deviceLogin().showForPassword();
        windows->deviceLogin().passEdit()->setText(password);
        QTest::mouseClick(windows->deviceLogin().findChild<QPushButton*>(s("MenBtn")), Qt::LeftButton);
        ASSERT_TRUE(console().isVisible());
        ASSERT_TRUE(TestSupport::waitUntil([this] { return !edit("HostEdit")->text().isEmpty(); }))
            << "the Status page was read";
    }

    // Simulated units at 127.0.0.2, 127.0.0.3...; every request they receive is logged to a file.
    void startLogged(int units = 1, const QStringList& extra = {}) {
        ASSERT_TRUE(logDir.isValid());
        discoveryPort = TestSupport::freeUdpPort();
        sim = std::make_unique<TestSupport::SimProcess>(
            QStringList{s("--units"), QString::number(units), s("--broadcast"), s("127.255.255.255"),
                        s("--discovery-port"), QString::number(discoveryPort), s("--request-log"), logPath()} +
            extra);
        ASSERT_TRUE(sim->start()) << sim->output().toStdString();
        startWindows(sim->devicePort());
    }
    QString logPath() const { return logDir.filePath(s("requests.log")); }

    // The targets of the CGI requests the unit received, in order.
    QList<QByteArray> cgiRequests() const {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> targets;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith("GET /nas.cgi"))
                targets << line.mid(4, line.lastIndexOf(" HTTP/") - 4);
        }
        return targets;
    }

    Console::ConsoleWindow& console() { return windows->consoleWindow(); }

    template <class T = QWidget> T* control(const char* name) {
        T* found = console().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    // On a radio button the click lands on its mark: the widget may be wider than its caption.
    void click(const char* name) {
        QAbstractButton* button = control<QAbstractButton>(name);
        const QPoint at = button->inherits("QRadioButton") ? QPoint(8, button->height() / 2) : button->rect().center();
        QTest::mouseClick(button, Qt::LeftButton, {}, at);
    }
    void type(const char* name, const QString& text) {
        edit(name)->clear();
        QTest::keyClicks(edit(name), text);
    }
    QStringList boxTexts() const {
        QStringList texts;
        for (const auto& box : recorder->boxes)
            texts << box.text;
        return texts;
    }
    // As a person does: the page's tab clicked, the page in view.
    void openPage(int index) {
        Console::ConsoleTabBar* tabs = console().pageControl()->consoleTabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
        ASSERT_EQ(console().pageControl()->currentIndex(), index);
    }
    static QStringList names(const QListWidget* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }

    void TearDown() override {
        windows.reset();
        Ui::CurrentDevice() = {};
    }

    quint16 discoveryPort = 0;
    std::unique_ptr<TestSupport::SimProcess> sim;
    std::unique_ptr<App::WindowSet> windows;
    TestSupport::MessageRecorder* recorder = nullptr;
    QTemporaryDir logDir;
};

} // namespace ConsoleTest
