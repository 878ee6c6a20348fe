// The console's Maintenance page, offscreen, against a loopback unit that
// answers the firmware post as each case needs: the questions, the boxes, the
// requests, and the wait that ends with the scan window back.

#include "console_fixture.h"
#include "support/cli_run.h"

#include "console/maintenance_tab.h"
#include "console/page_control.h"
#include "console/page_tabs.h"
#include "discovery/scan_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <sys/socket.h>

namespace {

using namespace ConsoleTest;

// The utility page for the login and the console, the unit's redirect for every
// GET of a CGI program, and a scripted answer to the firmware post.
class FirmwareUnit final {
public:
    QByteArray postAnswer = "HTTP/1.0 302 Found\r\nLocation: man_firm.htm\r\nContent-Length: 0\r\n\r\n";
    qint64 resetAfter = -1;     // abort the post with a reset once this much has arrived
    QList<QByteArray> received; // request lines
    qint64 postBytes = 0;       // of the last post, head and body

    FirmwareUnit() {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                auto* buffer = new QByteArray;
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket, buffer] { serve(socket, *buffer); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, buffer] {
                    delete buffer;
                    socket->deleteLater();
                });
            }
        });
        m_server.listen(QHostAddress(s("127.0.0.1")), 0);
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    void serve(QTcpSocket* socket, QByteArray& buffer) {
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray line = buffer.left(buffer.indexOf("\r\n"));
        if (line.startsWith("POST")) {
            if (resetAfter >= 0 && buffer.size() >= resetAfter) {
                received << line;
                const linger abort{1, 0};
                ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                socket->abort();
                return;
            }
            const qsizetype at = buffer.indexOf("Content-Length: ");
            const qint64 length = buffer.mid(at + 16, buffer.indexOf('\r', at) - at - 16).toLongLong();
            if (buffer.size() < end + 4 + length)
                return;
            postBytes = buffer.size();
            received << line;
            socket->write(postAnswer);
        } else {
            received << line;
            const QByteArray page = "<HTML>\r\nhost_name=\"unit\";\r\nallow_share=\"\";\r\n";
            // A CGI request is redirected to the unit's page for it, as a unit does.
            socket->write(line.startsWith("GET /man.cgi")
                              ? QByteArray("HTTP/1.0 302 Found\r\nLocation: reboot.htm\r\nContent-Length: 0\r\n\r\n")
                              : "HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(page.size()) + "\r\n\r\n" +
                                    page);
        }
        buffer.clear();
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
};

class MaintenancePage : public ConsoleFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        image = dir.filePath(s("fw.bin"));
        writeImage(4096);
        startWindows(unit.port());
        Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
        console().pageControl()->setCurrentIndex(Console::kMaintenancePage);
        console().show();
        // The console reads the page in view once it is up.
        QTest::qWait(20);
        // The wait shortened to about a second.
        page().waitTimer()->setInterval(30);
        page().setFileChooser([this] { return chosen; });
        chosen = image;
        click("BrowseBtn");
        ASSERT_EQ(edit("FirmFileEdit")->text(), image);
    }
    void writeImage(qint64 size) {
        QFile file(image);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'f'));
    }
    Console::MaintenanceTab& page() { return *console().maintenanceTab(); }
    QList<QByteArray> changes() const {
        QList<QByteArray> lines;
        for (const QByteArray& line : unit.received)
            if (line.startsWith("POST") || line.startsWith("GET /man.cgi"))
                lines << line;
        return lines;
    }
    bool buttonsOn() {
        return page().uploadBtn()->isEnabled() && page().rebootBtn()->isEnabled() && page().resetBtn()->isEnabled();
    }
    bool buttonsOff() {
        return !page().uploadBtn()->isEnabled() && !page().rebootBtn()->isEnabled() && !page().resetBtn()->isEnabled();
    }
    // The wait runs its 31 ticks; the console then gives way to a new scan.
    void expectWaitEnds() {
        EXPECT_FALSE(console().isEnabled()) << "the whole console is held during the wait";
        // Held, the words to be read keep their colours: maroon, and the navy explanation.
        for (const auto& [name, colour] : {std::pair{"Label31", QColor(0x80, 0, 0)}, {"Label29", Ui::kNavy}}) {
            const auto* label = page().findChild<QLabel*>(s(name));
            EXPECT_FALSE(label->isEnabled()) << name;
            EXPECT_EQ(label->palette().color(QPalette::Disabled, label->foregroundRole()), colour) << name;
        }
        EXPECT_TRUE(page().waitBar()->isVisible());
        EXPECT_TRUE(page().waitTimer()->isActive());
        ASSERT_TRUE(TestSupport::waitUntil([this] { return !page().waitTimer()->isActive(); }, 10000));
        EXPECT_FALSE(console().isVisible()) << "hidden, not closed";
        EXPECT_TRUE(console().isEnabled());
        EXPECT_TRUE(windows->scanWindow().isVisible());
        EXPECT_TRUE(page().successLabel()->isVisibleTo(&page()));
        EXPECT_FALSE(page().waitLabel()->isVisibleTo(&page()));
        EXPECT_TRUE(edit("FirmFileEdit")->text().isEmpty());
        EXPECT_TRUE(buttonsOn());
        const qsizetype before = changes().size();
        QTest::qWait(50);
        EXPECT_FALSE(page().waitTimer()->isActive()) << "the timer does not fire again";
        EXPECT_EQ(changes().size(), before);
    }

    QTemporaryDir dir;
    QString image;
    QString chosen;
    FirmwareUnit unit;
};

const QByteArray kPost = "POST /man.cgi HTTP/1.0";
const QByteArray kReboot = "GET /man.cgi?redirect=reboot.htm&failure=fail.htm&type=reboot HTTP/1.0";
const QByteArray kDefaults = "GET /man.cgi?redirect=reboot.htm&failure=fail.htm&type=default_setting HTTP/1.0";

TEST_F(MaintenancePage, AnAcceptedImageAsksForTheRebootThenWaitsAndScansAgain) {
    recorder->answers = {true, true};
    click("UploadBtn");
    ASSERT_EQ(recorder->boxes.size(), 2);
    EXPECT_EQ(recorder->boxes[0].text, s("This will flash the firmware. Are you sure? continue?"));
    EXPECT_EQ(recorder->boxes[1].text, s("Upload Firmware Successful.\nReboot new..."));
    EXPECT_EQ(recorder->boxes[1].caption, s("Firmware Upload"));
    EXPECT_EQ(changes(), (QList<QByteArray>{kPost, kReboot}));
    EXPECT_GT(unit.postBytes, 4096) << "the whole image went up";
    expectWaitEnds();
}

TEST_F(MaintenancePage, EachOtherVerdictOfTheUnit) {
    const struct {
        const char* name;
        QByteArray answer;
        qint64 imageSize;
        qint64 resetAfter;
        QStringList boxes; // after the question
        bool waiting;      // "Wait a minute..." still shown
    } cases[] = {
        {"accepted, the reboot declined",
         "HTTP/1.0 302 Found\r\nLocation: man_firm.htm\r\n\r\n",
         4096,
         -1,
         {s("Upload Firmware Successful.\nReboot new...")},
         true},
        {"200 without a redirect says nothing", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", 4096, -1, {}, true},
        {"500 with 302 in its reason",
         "HTTP/1.0 500 Error 302\r\nContent-Length: 0\r\n\r\n",
         4096,
         -1,
         {s("Upload fail!")},
         false},
        {"a redirect to the failure page",
         "HTTP/1.0 302 Found\r\nLocation: fail.htm\r\n\r\n",
         4096,
         -1,
         {s("Upload fail!")},
         false},
        {"aborted while the image went up", {}, 16 * 1024 * 1024, 256 * 1024, {s("Kernel Size is too large.")}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        page().MaintenanceTabShow();
        writeImage(c.imageSize);
        unit.postAnswer = c.answer;
        unit.resetAfter = c.resetAfter;
        unit.received.clear();
        recorder->boxes.clear();
        recorder->answers = {true, false};
        click("UploadBtn");
        QStringList after;
        for (qsizetype i = 1; i < recorder->boxes.size(); ++i)
            after << recorder->boxes[i].text;
        EXPECT_EQ(after, c.boxes);
        EXPECT_EQ(changes(), QList<QByteArray>{kPost}) << "no reboot";
        EXPECT_EQ(page().waitLabel()->isVisibleTo(&page()), c.waiting);
        EXPECT_TRUE(buttonsOff()) << "until the page is shown again";
        EXPECT_TRUE(page().browseBtn()->isEnabled());
        EXPECT_FALSE(page().waitTimer()->isActive());
        EXPECT_TRUE(console().isEnabled());
    }
    page().MaintenanceTabShow();
    EXPECT_TRUE(buttonsOn());
}

TEST_F(MaintenancePage, NothingIsSentWithoutAConfirmationOrAFile) {
    recorder->answers = {false, false, false};
    for (const char* button : {"UploadBtn", "RebootBtn", "ResetBtn"})
        click(button);
    EXPECT_EQ(recorder->boxes.size(), 3);
    EXPECT_TRUE(changes().isEmpty());
    EXPECT_TRUE(buttonsOn());
    EXPECT_FALSE(page().waitBar()->isVisibleTo(&page()));

    // A cancelled dialog keeps the path; an image gone since it was chosen is an error before anything is sent.
    chosen.clear();
    click("BrowseBtn");
    EXPECT_EQ(edit("FirmFileEdit")->text(), image);
    QFile::remove(image);
    recorder->boxes.clear();
    recorder->answers = {true};
    click("UploadBtn");
    ASSERT_EQ(recorder->boxes.size(), 2);
    EXPECT_EQ(recorder->boxes[1].icon, Base::Icon::Error);
    EXPECT_TRUE(changes().isEmpty());
    EXPECT_TRUE(page().waitLabel()->isVisibleTo(&page()));

    // Without a file there is nothing to upload.
    edit("FirmFileEdit")->clear();
    page().MaintenanceTabShow();
    EXPECT_FALSE(page().uploadBtn()->isEnabled());

    // What is no regular file with content is refused before the question: a FIFO would hold the window for good.
    const QString fifo = dir.filePath(s("fifo.bin"));
    ASSERT_EQ(TestSupport::runTool(s("mkfifo"), {fifo}).exitCode, 0);
    writeImage(0);
    for (const QString& file : {fifo, image, s("/dev/zero"), dir.path()}) {
        chosen = file;
        click("BrowseBtn");
        recorder->boxes.clear();
        recorder->answers = {true};
        click("UploadBtn");
        ASSERT_EQ(recorder->boxes.size(), 1) << file.toStdString();
        EXPECT_FALSE(recorder->boxes[0].confirmation) << file.toStdString();
        EXPECT_TRUE(recorder->boxes[0].text.startsWith(s("The firmware image"))) << file.toStdString();
    }
    EXPECT_TRUE(changes().isEmpty());
}

TEST_F(MaintenancePage, RebootAndFactoryDefaultsSendTheirRequestsAndWait) {
    const struct {
        const char* button;
        QList<QByteArray> sent;
        const char* question;
    } cases[] = {
        {"RebootBtn", {kReboot}, "This will reboot the device.\nAll open connections will reset. continue?"},
        {"ResetBtn", {kDefaults, kReboot}, "This will restore device's default settings. continue?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        console().show();
        QTest::qWait(20);
        unit.received.clear();
        recorder->boxes.clear();
        recorder->answers = {true};
        click(c.button);
        EXPECT_EQ(recorder->boxes.value(0).text, s(c.question));
        EXPECT_EQ(changes(), c.sent);
        EXPECT_FALSE(page().browseBtn()->isEnabled());
        expectWaitEnds();
    }
}

} // namespace
