// Mounting for real: zuredor-sim serves its folders with Samba's smbd, the
// mount dialog and zuredor-cli connect them through GVfs, and the files are
// read through the letters' links. All of it runs inside a network namespace
// this test makes (smbd needs its address on an interface, and the machine's
// own network stays untouched) with a D-Bus session and a home of its own.

#include "app/app_windows.h"
#include "login/device_login_window.h"
#include "mount/mount_window.h"
#include "platform/network_drives.h"
#include "support/cli_run.h"
#include "support/message_recorder.h"
#include "support/sim_process.h"
#include "support/test_ports.h"
#include "ui/current_device.h"
#include "web/device_get.h"
#include "web/web_settings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// Set only inside the namespace, to the test's work folder.
const QString kInside = QStringLiteral("ZUREDOR_MOUNT_TEST_INSIDE");
const QString kUnit = QStringLiteral("127.0.0.2");
const QString kSilentHost = QStringLiteral("127.0.0.3");

using Finished = TestSupport::CliRun;
using TestSupport::runTool;

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(cannot open ") + path.toUtf8() + ')';
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// Processes whose command line or environment names `marker`: what this test started, wherever it went.
QList<qint64> processesMarkedBy(const QByteArray& marker) {
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == ::getpid())
            continue;
        for (const char* part : {"/cmdline", "/environ"}) {
            QFile file(QStringLiteral("/proc/") + entry + QLatin1String(part));
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains(marker)) {
                found << pid;
                break;
            }
        }
    }
    return found;
}

QString linkOf(const QString& letter) {
    return QDir::homePath() + QStringLiteral("/ZurEdor/") + letter;
}

// The part that runs in the namespace: the simulator, the desktop program's windows, the CLI.
void inside(const QString& work) {
    TestSupport::SimProcess sim({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--first-address"),
                                 kUnit, QStringLiteral("--discovery-port"), QString::number(TestSupport::freeUdpPort()),
                                 QStringLiteral("--smb"), work + QStringLiteral("/smb")});
    ASSERT_TRUE(sim.start(20000)) << sim.output().toStdString();
    // Files the unit holds, put straight onto its disk.
    const QString disk = work + QStringLiteral("/smb/unit-1/disk/");
    writeFile(disk + QStringLiteral("PUBLIC/hello.txt"), "hello from the public folder\n");
    writeFile(disk + QStringLiteral("Documents/plan.txt"), "behind the share password\n");

    // The desktop program: log in, Mount, letter F, the public folder.
    Base::NetworkSettings settings;
    settings.broadcast = {QStringLiteral("127.255.255.255")};
    settings.discoveryPort = TestSupport::freeUdpPort();
    settings.devicePort = sim.devicePort();
    App::WindowSet windows(settings, [] {});
    TestSupport::MessageRecorder& recorder = TestSupport::installRecorder();
    Ui::CurrentDevice().ip = kUnit;
    windows.deviceLogin().showForPassword();
    windows.deviceLogin().passEdit()->setText(QStringLiteral("admin"));
    windows.deviceLogin().MountBtnClick();
    ASSERT_TRUE(windows.mountWindow().isVisible()) << "the login passed";
    Mount::MountWindow& dialog = windows.mountWindow();
    QComboBox* folders = dialog.folderBox();
    ASSERT_EQ(folders->count(), 3) << "0, Documents and Music of the first unit";
    dialog.driveBox()->setCurrentIndex(dialog.driveBox()->findText(QStringLiteral("F")));
    folders->setCurrentIndex(folders->findText(QStringLiteral("0")));
    auto* set = dialog.findChild<QPushButton*>(QStringLiteral("MountSetBtn"));
    ASSERT_NE(set, nullptr);

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(set, Qt::LeftButton);
    const qint64 dialogMs = clock.elapsed();
    ASSERT_EQ(recorder.boxes.size(), 1);
    EXPECT_EQ(recorder.boxes[0].text, QStringLiteral("Mount Zur Edor Success"));
    EXPECT_EQ(readFile(linkOf(QStringLiteral("F")) + QStringLiteral("/hello.txt")),
              QByteArray("hello from the public folder\n"));

    // A wrong share password: the platform's words, and no letter left behind.
    dialog.driveBox()->setCurrentIndex(dialog.driveBox()->findText(QStringLiteral("G")));
    folders->setCurrentIndex(folders->findText(QStringLiteral("Documents")));
    dialog.findChild<QLineEdit*>(QStringLiteral("FolderPassEdit"))->setText(QStringLiteral("wrong"));
    QTest::mouseClick(set, Qt::LeftButton);
    ASSERT_EQ(recorder.boxes.size(), 2);
    EXPECT_EQ(recorder.boxes[1].text, qt_error_string(EACCES));
    EXPECT_FALSE(QFileInfo(linkOf(QStringLiteral("G"))).isSymLink());

    // zuredor-cli, the right password.
    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    clock.restart();
    const TestSupport::CliRun cli =
        TestSupport::runCli({QStringLiteral("mount"), kUnit, QStringLiteral("Documents"), QStringLiteral("g"),
                             QStringLiteral("--share-password"), QStringLiteral("secret")},
                            environment);
    const qint64 cliMs = clock.elapsed();
    ASSERT_TRUE(cli.finished);
    EXPECT_EQ(cli.exitCode, 0) << cli.out.toStdString() << cli.err.toStdString();
    EXPECT_EQ(cli.out, QByteArray("Mount Zur Edor Success\n"));
    EXPECT_EQ(readFile(linkOf(QStringLiteral("G")) + QStringLiteral("/plan.txt")),
              QByteArray("behind the share password\n"));

    // Published through the web side, a folder is a share at once.
    const Web::DeviceResponse published = Web::DeviceGet(
        kUnit, QStringLiteral("admin"), QStringLiteral("admin"),
        QStringLiteral("/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&share_list=Photos&add=1"),
        Web::settingsFor(settings));
    ASSERT_EQ(published.status, 302) << published.header.toStdString();
    const TestSupport::CliRun photos = TestSupport::runCli(
        {QStringLiteral("mount"), kUnit, QStringLiteral("Photos"), QStringLiteral("K")}, environment);
    EXPECT_EQ(photos.exitCode, 0) << photos.out.toStdString();
    EXPECT_TRUE(readFile(linkOf(QStringLiteral("K")) + QStringLiteral("/README.txt")).startsWith("Folder Photos"));

    // The letter is connected now: the CLI refuses it with the platform's words.
    const TestSupport::CliRun again = TestSupport::runCli(
        {QStringLiteral("mount"), kUnit, QStringLiteral("Music"), QStringLiteral("G")}, environment);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.out, qt_error_string(EBUSY).toUtf8() + '\n');

    // A unit that takes the connection and never answers: the mount gives up in time.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress(kSilentHost), 445)) << silent.errorString().toStdString();
    const auto drives = Platform::systemNetworkDrives();
    clock.restart();
    const unsigned long code = drives->MountShare({"H:", R"(\\127.0.0.3\PUBLIC)", "", false}, std::chrono::seconds(2));
    const qint64 silentMs = clock.elapsed();
    EXPECT_EQ(code, static_cast<unsigned long>(ETIMEDOUT));
    EXPECT_EQ(QString::fromStdString(drives->SystemErrorText()), qt_error_string(ETIMEDOUT));
    EXPECT_LT(silentMs, 3 * 2000) << "the silent unit never answers: only a mount that hangs comes near this";
    EXPECT_FALSE(QFileInfo(linkOf(QStringLiteral("H"))).isSymLink());

    std::printf("mount timing: dialog Set to box %lld ms (PUBLIC), zuredor-cli mount %lld ms (Documents, whole "
                "process), silent unit given up after %lld ms\n",
                static_cast<long long>(dialogMs), static_cast<long long>(cliMs), static_cast<long long>(silentMs));
    std::fflush(stdout);

    // The SMB Server page from the terminal: a new folder, published with a password, is mounted with it and
    // read; withdrawn, it is no share any more.
    const auto smb = [&](QStringList arguments) {
        arguments.prepend(QStringLiteral("smb"));
        arguments << QStringLiteral("-p") << QStringLiteral("admin") << QStringLiteral("--device-port")
                  << QString::number(sim.devicePort());
        return TestSupport::runCli(arguments, environment);
    };
    // The simulator's shares have one Samba account, whose password is that of the first protected share
    // (docs/samba.md): Documents gives its protection up first, so Shared-1's own password is the one that counts.
    for (const QStringList& step : QList<QStringList>{{QStringLiteral("withdraw"), kUnit, QStringLiteral("Documents")},
                                                      {QStringLiteral("create"), kUnit, QStringLiteral("Shared-1")},
                                                      {QStringLiteral("publish"), kUnit, QStringLiteral("Shared-1")},
                                                      {QStringLiteral("password"), kUnit, QStringLiteral("Shared-1"),
                                                       QStringLiteral("pw1"), QStringLiteral("pw1")}}) {
        const TestSupport::CliRun run = smb(step);
        ASSERT_EQ(run.exitCode, 0) << step.join(u' ').toStdString() << ": " << run.out.toStdString();
    }
    ASSERT_TRUE(QDir().mkpath(disk + QStringLiteral("Shared-1")));
    writeFile(disk + QStringLiteral("Shared-1/note.txt"), "made through smb create\n");
    const TestSupport::CliRun shared =
        TestSupport::runCli({QStringLiteral("mount"), kUnit, QStringLiteral("Shared-1"), QStringLiteral("M"),
                             QStringLiteral("--share-password"), QStringLiteral("pw1")},
                            environment);
    EXPECT_EQ(shared.exitCode, 0) << shared.out.toStdString() << shared.err.toStdString();
    EXPECT_EQ(readFile(linkOf(QStringLiteral("M")) + QStringLiteral("/note.txt")),
              QByteArray("made through smb create\n"));
    const TestSupport::CliRun withdrawn = smb({QStringLiteral("withdraw"), kUnit, QStringLiteral("Shared-1")});
    EXPECT_EQ(withdrawn.exitCode, 0) << withdrawn.out.toStdString();
    // GVfs would hand out the mount it already has; end it, then ask the unit again.
    runTool(QStringLiteral("gio"), {QStringLiteral("mount"), QStringLiteral("-u"),
                                    QStringLiteral("smb://") + kUnit + QStringLiteral("/shared-1/")});
    const TestSupport::CliRun refused =
        TestSupport::runCli({QStringLiteral("mount"), kUnit, QStringLiteral("Shared-1"), QStringLiteral("N"),
                             QStringLiteral("--share-password"), QStringLiteral("pw1")},
                            environment);
    EXPECT_EQ(refused.exitCode, 1) << "a withdrawn folder is no share: " << refused.out.toStdString();
    EXPECT_FALSE(QFileInfo(linkOf(QStringLiteral("N"))).isSymLink());

    // Formatting the unit from the terminal empties its disk: the files of every share go, an empty PUBLIC stays,
    // and Samba serves no other share.
    const QString conf = work + QStringLiteral("/smb/unit-1/smb.conf");
    ASSERT_TRUE(readFile(conf).contains("[Music]"));
    const TestSupport::CliRun format = TestSupport::runCli(
        {QStringLiteral("disk"), QStringLiteral("format"), kUnit, QStringLiteral("--yes"), QStringLiteral("-p"),
         QStringLiteral("admin"), QStringLiteral("--device-port"), QString::number(sim.devicePort())},
        environment);
    ASSERT_EQ(format.exitCode, 0) << format.out.toStdString();
    EXPECT_EQ(QDir(disk).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("PUBLIC")});
    EXPECT_TRUE(QDir(disk + QStringLiteral("PUBLIC")).isEmpty());
    EXPECT_FALSE(readFile(conf).contains("[Music]"));
    EXPECT_TRUE(readFile(conf).contains("[PUBLIC]"));

    // Stopping the simulator stops its smbd and every helper of it.
    sim.stop();
    const QByteArray configuration = (work + QStringLiteral("/smb/unit-1/smb.conf")).toUtf8();
    EXPECT_TRUE(TestSupport::waitUntil([&] { return processesMarkedBy(configuration).isEmpty(); }, 5000));
}

// The namespace, gone when the object is.
class Namespace {
public:
    explicit Namespace(QString name) : m_name(std::move(name)) {}
    ~Namespace() {
        if (m_made)
            runTool(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("delete"), m_name});
    }
    Namespace(const Namespace&) = delete;
    Namespace& operator=(const Namespace&) = delete;

    // Empty when made; what ip said otherwise.
    QString make() {
        const Finished made = runTool(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), m_name});
        m_made = made.finished && made.exitCode == 0;
        return m_made ? QString() : QString::fromLocal8Bit(made.err).trimmed();
    }
    bool ip(const QStringList& arguments) const {
        const Finished done = runTool(QStringLiteral("ip"), QStringList{QStringLiteral("-n"), m_name} + arguments);
        return done.finished && done.exitCode == 0;
    }
    const QString& name() const { return m_name; }

private:
    QString m_name;
    bool m_made = false;
};

TEST(MountSmb, EndToEnd) {
    if (const QString insideWork = qEnvironmentVariable(kInside.toLatin1().constData()); !insideWork.isEmpty()) {
        inside(insideWork);
        return;
    }

    if (::geteuid() != 0)
        GTEST_SKIP() << "making a network namespace needs root (CI runs as root)";
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        GTEST_SKIP() << "this kernel offers no /dev/fuse, which GVfs needs to show a share as a folder";
    // These come with scripts/bootstrap: missing, they are a fault of the machine's set-up, not a reason to skip.
    const QStringList sbin{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
    for (const QString& tool : {QStringLiteral("ip"), QStringLiteral("smbd"), QStringLiteral("smbpasswd"),
                                QStringLiteral("gio"), QStringLiteral("dbus-run-session")}) {
        ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty() &&
                     QStandardPaths::findExecutable(tool, sbin).isEmpty())
            << tool.toStdString() << " is missing: run scripts/bootstrap";
    }
    for (const char* daemon : {"/usr/libexec/gvfsd", "/usr/libexec/gvfsd-fuse", "/usr/libexec/gvfsd-smb"})
        ASSERT_TRUE(QFileInfo::exists(QString::fromLatin1(daemon))) << daemon << " is missing: run scripts/bootstrap";

    Namespace space(QStringLiteral("zuredor-mount-%1").arg(::getpid()));
    if (const QString refused = space.make(); !refused.isEmpty())
        GTEST_SKIP() << "cannot make a network namespace here: " << refused.toStdString();
    ASSERT_TRUE(space.ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")}));
    for (const QString& address : {kUnit, kSilentHost}) {
        ASSERT_TRUE(space.ip({QStringLiteral("addr"), QStringLiteral("add"), address + QStringLiteral("/8"),
                              QStringLiteral("dev"), QStringLiteral("lo")}));
    }

    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString home = work.filePath(QStringLiteral("home"));
    const QString runtime = work.filePath(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcessEnvironment environment = TestSupport::cleanEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(kInside, work.path());
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    const Finished inner =
        runTool(QStringLiteral("ip"),
                {QStringLiteral("netns"), QStringLiteral("exec"), space.name(), QStringLiteral("dbus-run-session"),
                 QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                 QStringLiteral("--gtest_filter=MountSmb.EndToEnd")},
                180000, environment);
    std::fwrite(inner.out.constData(), 1, static_cast<size_t>(inner.out.size()), stdout);
    std::fflush(stdout);
    EXPECT_TRUE(inner.finished) << "the run inside the namespace did not end in time";
    EXPECT_EQ(inner.exitCode, 0) << inner.err.toStdString();

    // GVfs's daemons leave with their D-Bus session; nothing of the run may stay.
    const QByteArray marker = (kInside + u'=' + work.path()).toUtf8();
    QList<qint64> left;
    TestSupport::waitUntil([&] { return (left = processesMarkedBy(marker)).isEmpty(); }, 5000);
    for (const qint64 pid : left)
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    EXPECT_TRUE(left.isEmpty()) << left.size() << " processes of the run were still there";
}

} // namespace
