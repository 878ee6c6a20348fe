// Mounting for real: zuredor-sim serves its folders with Samba's smbd, the
// mount dialog and zuredor-cli connect them through GVfs, and the files are
// read through the letters' links. All of it runs inside a network namespace
// this test makes (smbd needs its address on an interface, and the machine's
// own network stays untouched) with a D-Bus session and a home of its own.

#include "app/app_windows.h"
#include "drives/remembered_drives.h"
#include "login/device_login_window.h"
#include "mount/mount_window.h"
#include "platform/network_drives.h"
#include "support/cli_run.h"
#include "support/desktop_session.h"
#include "support/message_recorder.h"
#include "support/sim_process.h"
#include "support/test_ports.h"
#include "ui/current_device.h"
#include "web/device_get.h"
#include "web/web_settings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
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
#include <functional>
#include <memory>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// Set only inside the namespace, to the test's work folder.
const QString kInside = QStringLiteral("ZUREDOR_MOUNT_TEST_INSIDE");
const QString kUnit = QStringLiteral("127.0.0.2");
const QString kSilentHost = QStringLiteral("127.0.0.3");
const QString kMovedUnit = QStringLiteral("127.0.0.4");
// Distinctive, so that its bytes found in a file can only be a leak.
const QString kSharePassword = QStringLiteral("Zq7pw-0451x");

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

using TestSupport::processesMarkedBy;

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

// Files under `folder` (links not followed) that hold `bytes`.
QStringList filesHolding(const QString& folder, const QByteArray& bytes) {
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (readFile(path).contains(bytes))
            found << path;
    }
    return found;
}

// The unit at `address`, its Documents behind kSharePassword and holding a file.
std::unique_ptr<TestSupport::SimProcess> startUnit(const QString& work, const QString& address, quint16 discovery) {
    const QString folder = work + QStringLiteral("/smb-") + address;
    auto sim = std::make_unique<TestSupport::SimProcess>(
        QStringList{QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--first-address"), address,
                    QStringLiteral("--discovery-port"), QString::number(discovery), QStringLiteral("--smb"), folder});
    if (!sim->start(20000)) {
        ADD_FAILURE() << sim->output().toStdString();
        return nullptr;
    }
    writeFile(folder + QStringLiteral("/unit-1/disk/Documents/plan.txt"), "behind the share password\n");
    return sim;
}

// The share password of Documents on the unit at `address`.
void setSharePassword(const TestSupport::SimProcess& sim, const QString& address, const QString& password) {
    const TestSupport::CliRun set =
        TestSupport::runCli({QStringLiteral("smb"), QStringLiteral("password"), address, QStringLiteral("Documents"),
                             password, password, QStringLiteral("-p"), QStringLiteral("admin"),
                             QStringLiteral("--device-port"), QString::number(sim.devicePort())});
    EXPECT_EQ(set.exitCode, 0) << set.out.toStdString() << set.err.toStdString();
}

// A drive remembered with mount --remember, then reconnected at each later
// sign-in (a new bus, GVfs and runtime folder; the keyring kept in the home).
void rememberedInside(const QString& work) {
    const QString home = QDir::homePath();
    const quint16 discovery = TestSupport::freeUdpPort();
    std::unique_ptr<TestSupport::SimProcess> sim = startUnit(work, kUnit, discovery);
    ASSERT_TRUE(sim);
    setSharePassword(*sim, kUnit, kSharePassword);
    const QString drivesFile = home + QStringLiteral("/.config/zuredor/drives.json");
    const QByteArray secret = kSharePassword.toUtf8();
    int sessions = 0;
    const auto signIn = [&](bool keyring) {
        auto session = std::make_unique<TestSupport::DesktopSession>(TestSupport::DesktopSession::Options{
            home, work + QStringLiteral("/run-%1").arg(++sessions), keyring, "keyring password", true});
        const QString failed = session->start();
        EXPECT_TRUE(failed.isEmpty()) << failed.toStdString();
        return session;
    };
    const auto cliEnvironment = [&](const TestSupport::DesktopSession& session) {
        QProcessEnvironment environment = session.environment();
        environment.insert(QStringLiteral("ZUREDOR_BROADCAST"), QStringLiteral("127.255.255.255"));
        environment.insert(QStringLiteral("ZUREDOR_DISCOVERY_PORT"), QString::number(discovery));
        return environment;
    };

    QElapsedTimer clock;
    clock.start();
    {
        const auto session = signIn(true);
        const TestSupport::CliRun mount =
            TestSupport::runCli({QStringLiteral("mount"), kUnit, QStringLiteral("Documents"), QStringLiteral("F"),
                                 QStringLiteral("--share-password"), kSharePassword, QStringLiteral("--remember")},
                                cliEnvironment(*session), 60000);
        ASSERT_EQ(mount.exitCode, 0) << mount.out.toStdString() << mount.err.toStdString();
        EXPECT_EQ(mount.err, QByteArray()) << "the password is kept in the store";
        EXPECT_EQ(readFile(linkOf(QStringLiteral("F")) + QStringLiteral("/plan.txt")),
                  QByteArray("behind the share password\n"));
    }
    EXPECT_EQ(filesHolding(home, secret), QStringList());

    // Each a later sign-in: what changed before it, whether a keyring runs, and what reconnect then says.
    struct SignIn {
        const char* what;
        std::function<void()> before;
        bool keyring;
        int exitCode;
        QString said; // in the drive's line, and in the notification when it did not come back
        QString address;
        bool mounted;
    };
    const QList<SignIn> signIns{
        {"same address", [] {}, true, 0, QStringLiteral("mounted from ") + kUnit, kUnit, true},
        {"unit moved",
         [&] {
             sim.reset();
             sim = startUnit(work, kMovedUnit, discovery);
             setSharePassword(*sim, kMovedUnit, kSharePassword);
         },
         true, 0, QStringLiteral("mounted at the unit's new address %1 (was %2)").arg(kMovedUnit, kUnit), kMovedUnit,
         true},
        {"password changed on the unit", [&] { setSharePassword(*sim, kMovedUnit, QStringLiteral("other-pw")); }, true,
         1, QStringLiteral("share refused: "), kMovedUnit, false},
        {"no secret store", [&] { setSharePassword(*sim, kMovedUnit, kSharePassword); }, false, 1,
         QStringLiteral("password needed: "), kMovedUnit, false},
        {"unit gone", [&] { sim.reset(); }, true, 3, QStringLiteral("unit not found: "), kMovedUnit, false},
    };
    for (const SignIn& step : signIns) {
        SCOPED_TRACE(step.what);
        step.before();
        const auto session = signIn(step.keyring);
        const TestSupport::CliRun run =
            TestSupport::runCli({QStringLiteral("drives"), QStringLiteral("reconnect"), QStringLiteral("--notify")},
                                cliEnvironment(*session), 60000);
        EXPECT_EQ(run.exitCode, step.exitCode) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith("F: " + step.said.toUtf8())) << run.out.toStdString();
        const Drives::DrivesRead kept = Drives::loadDrives(drivesFile);
        ASSERT_EQ(kept.drives.size(), 1);
        EXPECT_EQ(kept.drives[0].address, step.address);
        const QString link = linkOf(QStringLiteral("F"));
        if (step.mounted)
            EXPECT_EQ(readFile(link + QStringLiteral("/plan.txt")), QByteArray("behind the share password\n"));
        else
            EXPECT_FALSE(QFileInfo::exists(link)) << "nothing is mounted in the drive's place";
        const QList<QJsonObject> notes = session->notifications();
        // One notification for what did not come back, none when everything did.
        ASSERT_EQ(notes.size(), step.mounted ? 0 : 1);
        if (!step.mounted) {
            EXPECT_EQ(notes[0].value(QStringLiteral("summary")).toString(),
                      QStringLiteral("A Zur Edor drive was not reconnected"));
            EXPECT_TRUE(notes[0].value(QStringLiteral("body")).toString().contains(step.said))
                << notes[0].value(QStringLiteral("body")).toString().toStdString();
        }
        session->end();
        EXPECT_EQ(filesHolding(home, secret), QStringList());
    }
    std::printf("remembered drives: remembered and reconnected through %d sign-ins in %lld ms\n", sessions,
                static_cast<long long>(clock.elapsed()));
    std::fflush(stdout);
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

// Runs `test` of this program again inside a network namespace of its own, with
// the unit addresses on its loopback, a home of its own and, with `sessionBus`,
// under dbus-run-session.
void runInNamespace(const QString& test, bool sessionBus) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a network namespace needs root (CI runs as root)";
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        GTEST_SKIP() << "this kernel offers no /dev/fuse, which GVfs needs to show a share as a folder";
    // These come with scripts/bootstrap: missing, they are a fault of the machine's set-up, not a reason to skip.
    const QStringList sbin{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
    for (const QString& tool :
         {QStringLiteral("ip"), QStringLiteral("smbd"), QStringLiteral("smbpasswd"), QStringLiteral("gio"),
          QStringLiteral("dbus-run-session"), QStringLiteral("dbus-daemon"), QStringLiteral("gnome-keyring-daemon")}) {
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
    for (const QString& address : {kUnit, kSilentHost, kMovedUnit}) {
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
    QStringList command{QStringLiteral("netns"), QStringLiteral("exec"), space.name()};
    if (sessionBus)
        command << QStringLiteral("dbus-run-session") << QStringLiteral("--");
    command << QCoreApplication::applicationFilePath() << QStringLiteral("--gtest_filter=") + test;
    const Finished inner = runTool(QStringLiteral("ip"), command, 180000, environment);
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

TEST(MountSmb, EndToEnd) {
    if (const QString insideWork = qEnvironmentVariable(kInside.toLatin1().constData()); !insideWork.isEmpty()) {
        inside(insideWork);
        return;
    }
    runInNamespace(QStringLiteral("MountSmb.EndToEnd"), true);
}

TEST(MountSmb, RememberedDrivesAcrossSignIns) {
    if (const QString insideWork = qEnvironmentVariable(kInside.toLatin1().constData()); !insideWork.isEmpty()) {
        rememberedInside(insideWork);
        return;
    }
    runInNamespace(QStringLiteral("MountSmb.RememberedDrivesAcrossSignIns"), false);
}

} // namespace
