#include "support/desktop_session.h"

#include "support/test_ports.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <csignal>
#include <unistd.h>

namespace TestSupport {

namespace {

// The activatable services of the machine but its secret stores: a store is
// there only when the test starts one, never because libsecret asked for it.
QString serviceFolder(const QString& runtime) {
    const QString folder = runtime + QStringLiteral("/services");
    QDir().mkpath(folder);
    const QDir system(QStringLiteral("/usr/share/dbus-1/services"));
    for (const QString& name : system.entryList({QStringLiteral("*.service")}, QDir::Files)) {
        if (!name.contains(QLatin1String("secret"), Qt::CaseInsensitive) &&
            !name.contains(QLatin1String("keyring"), Qt::CaseInsensitive))
            QFile::link(system.filePath(name), folder + u'/' + name);
    }
    return folder;
}

QByteArray busConfiguration(const QString& runtime, const QString& services) {
    return QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                          " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                          "<busconfig>\n  <type>session</type>\n  <listen>unix:path=%1/bus</listen>\n"
                          "  <auth>EXTERNAL</auth>\n  <servicedir>%2</servicedir>\n"
                          "  <policy context=\"default\">\n    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                          "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n</busconfig>\n")
        .arg(runtime, services)
        .toUtf8();
}

bool isMountPoint(const QString& path) {
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    return mounts.open(QIODevice::ReadOnly) && mounts.readAll().contains(' ' + QFile::encodeName(path) + ' ');
}

void stopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

} // namespace

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

DesktopSession::DesktopSession(Options options) : m_options(std::move(options)) {}

DesktopSession::~DesktopSession() {
    end();
}

QString DesktopSession::start() {
    const QString& runtime = m_options.runtime;
    if (!QDir().mkpath(runtime))
        return QStringLiteral("cannot make ") + runtime;
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString configuration = runtime + QStringLiteral("/bus.conf");
    QFile file(configuration);
    if (!file.open(QIODevice::WriteOnly) || file.write(busConfiguration(runtime, serviceFolder(runtime))) < 0)
        return QStringLiteral("cannot write ") + configuration;
    file.close();

    const QString address = QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus");
    m_marker = QByteArrayLiteral("ZUREDOR_TEST_SESSION=") + QFile::encodeName(runtime);
    m_environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : m_environment.keys()) {
        if (name.startsWith(QLatin1String("ZUREDOR_")) || name.startsWith(QLatin1String("XDG_")) ||
            name.startsWith(QLatin1String("DBUS_")))
            m_environment.remove(name);
    }
    const QString& home = m_options.home;
    m_environment.insert(QStringLiteral("HOME"), home);
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    m_environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    m_environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    m_environment.insert(QStringLiteral("ZUREDOR_TEST_SESSION"), runtime);

    // Whatever the bus starts (GVfs) inherits its environment, and with it the marker.
    m_bus.setProcessEnvironment(m_environment);
    m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + configuration,
                                                QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_bus.waitForReadyRead(10000))
        return QStringLiteral("dbus-daemon did not start: ") + QString::fromLocal8Bit(m_bus.readAllStandardError());
    m_connectionName = QStringLiteral("desktop-session-") + runtime;
    if (!QDBusConnection::connectToBus(address, m_connectionName).isConnected())
        return QStringLiteral("cannot connect to the session's bus at ") + address;

    if (m_options.keyring) {
        m_keyring.setProcessEnvironment(m_environment);
        m_keyring.setProcessChannelMode(QProcess::MergedChannels);
        m_keyring.start(
            QStringLiteral("gnome-keyring-daemon"),
            {QStringLiteral("--foreground"), QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
        m_keyring.write(m_options.keyringPassword);
        m_keyring.closeWriteChannel();
        if (!waitForName(QStringLiteral("org.freedesktop.secrets"), 10000))
            return QStringLiteral("gnome-keyring-daemon did not take the Secret Service: ") +
                   QString::fromLocal8Bit(m_keyring.readAll());
    }
    if (m_options.notifications) {
        m_notifier.setProcessEnvironment(m_environment);
        m_notifier.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_notifier.start(QStringLiteral(ZUREDOR_NOTIFICATIONS_PATH), {});
        if (!waitForName(QStringLiteral("org.freedesktop.Notifications"), 10000))
            return QStringLiteral("the notification recorder did not start");
    }
    return {};
}

bool DesktopSession::waitForName(const QString& name, int timeoutMs) {
    QDBusConnection bus(m_connectionName);
    return waitUntil([&] { return bus.interface() != nullptr && bus.interface()->isServiceRegistered(name).value(); },
                     timeoutMs);
}

QList<QJsonObject> DesktopSession::notifications() {
    if (!m_options.notifications)
        return {};
    if (m_notifier.state() != QProcess::NotRunning)
        m_notifier.waitForReadyRead(200);
    m_notified += m_notifier.readAllStandardOutput();
    QList<QJsonObject> calls;
    for (const QByteArray& line : m_notified.split('\n')) {
        if (!line.isEmpty())
            calls << QJsonDocument::fromJson(line).object();
    }
    return calls;
}

void DesktopSession::end() {
    if (m_marker.isEmpty())
        return;
    if (m_options.notifications)
        m_notified += m_notifier.readAllStandardOutput();
    stopProcess(m_notifier);
    stopProcess(m_keyring);
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
    stopProcess(m_bus);
    // GVfs's daemons leave with their bus; what stays is ended as a sign-out would.
    QList<qint64> left;
    if (!waitUntil([&] { return (left = processesMarkedBy(m_marker)).isEmpty(); }, 5000)) {
        for (const qint64 pid : left)
            ::kill(static_cast<pid_t>(pid), SIGTERM);
        if (!waitUntil([&] { return (left = processesMarkedBy(m_marker)).isEmpty(); }, 3000)) {
            for (const qint64 pid : left)
                ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
    }
    const QString fuse = m_options.runtime + QStringLiteral("/gvfs");
    if (isMountPoint(fuse))
        QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), QStringLiteral("-z"), fuse});
    m_marker.clear();
}

} // namespace TestSupport
