#include "platform/network_drives_linux.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <cctype>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace Gvfs {

namespace {

// How GVfs names the folder of a mounted share under its FUSE folder.
const QString kShareFolderPrefix = QStringLiteral("smb-share:");

bool isAsciiLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// An address or a host name: nothing that could reach into the rest of the location.
bool isPlainHost(const QString& host) {
    if (host.isEmpty() || host.startsWith(u'-') || host.startsWith(u'.'))
        return false;
    for (const QChar c : host) {
        if (!isAsciiLetter(c) && !(c >= u'0' && c <= u'9') && c != u'.' && c != u'-')
            return false;
    }
    return true;
}

bool isPlainShare(const QString& share) {
    if (share == QLatin1String(".") || share == QLatin1String(".."))
        return false;
    for (const QChar c : share) {
        if (c == u'\\' || c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

bool pointsIntoShare(const QString& linkPath) {
    return QFileInfo(QFileInfo(linkPath).symLinkTarget()).fileName().startsWith(kShareFolderPrefix);
}

} // namespace

QString letterLink(char letter) {
    const QChar upper = QChar::fromLatin1(letter).toUpper();
    return QDir::homePath() + QStringLiteral("/ZurEdor/") + upper;
}

int driveTypeAt(const QString& linkPath) {
    struct stat info {};
    if (::lstat(QFile::encodeName(linkPath).constData(), &info) != 0)
        return errno == ENOENT ? kDriveNoRootDir : kDriveUnknown;
    // A link left by an earlier mount counts whether or not its share is still
    // connected: mounting again points it anew.
    if (S_ISLNK(info.st_mode) && pointsIntoShare(linkPath))
        return kDriveRemote;
    return kDriveFixed;
}

std::variant<QString, int> locationOf(const QString& remoteName) {
    if (!remoteName.startsWith(QLatin1String("\\\\")))
        return EINVAL;
    const QString rest = remoteName.mid(2);
    const qsizetype separator = rest.indexOf(u'\\');
    if (separator < 0)
        return EINVAL;
    const QString host = rest.left(separator);
    const QString share = rest.mid(separator + 1);
    if (!isPlainHost(host))
        return EINVAL;
    if (share.isEmpty())
        return ENOENT;
    if (!isPlainShare(share))
        return EINVAL;
    return QStringLiteral("smb://") + host + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(share)) + u'/';
}

QString gioMessage(const QByteArray& standardError) {
    const QList<QByteArray> lines = standardError.split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (!line->startsWith("gio: "))
            continue;
        const QString text = QString::fromLocal8Bit(line->mid(5)).trimmed();
        // Locations carry no ": " of their own: spaces in them are percent-encoded.
        const qsizetype colon = text.indexOf(QLatin1String(": "));
        return colon < 0 ? text : text.mid(colon + 2);
    }
    return {};
}

} // namespace Gvfs

namespace {

// What SystemErrorText reports: per thread, as the platform's last error is.
thread_local std::string t_lastError;

unsigned long fail(int code, const QString& text = {}) {
    t_lastError = (text.isEmpty() ? qt_error_string(code) : text).toStdString();
    return static_cast<unsigned long>(code);
}

struct GioRun {
    bool started = false;
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

GioRun runGio(const QStringList& arguments, const QByteArray& input, const QDeadlineTimer& deadline,
              bool plainLocale = false) {
    GioRun run;
    const QString program = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (program.isEmpty())
        return run;
    QProcess gio;
    if (plainLocale) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        gio.setProcessEnvironment(environment);
    }
    gio.start(program, arguments);
    run.started = gio.waitForStarted(static_cast<int>(deadline.remainingTime()));
    if (!run.started)
        return run;
    gio.write(input);
    gio.closeWriteChannel();
    run.finished =
        gio.waitForFinished(static_cast<int>(deadline.remainingTime())) && gio.exitStatus() == QProcess::NormalExit;
    if (!run.finished) {
        gio.kill();
        gio.waitForFinished(1000);
        return run;
    }
    run.exitCode = gio.exitCode();
    run.out = gio.readAllStandardOutput();
    run.err = gio.readAllStandardError();
    return run;
}

// Where GVfs shows a mounted location in the file system; empty when it is not mounted.
QString localFolder(const QString& location, const QDeadlineTimer& deadline) {
    const GioRun info = runGio({QStringLiteral("info"), location}, {}, deadline, true);
    if (!info.finished || info.exitCode != 0)
        return {};
    for (const QByteArray& line : info.out.split('\n')) {
        if (line.startsWith("local path: "))
            return QFile::decodeName(line.mid(12));
    }
    return {};
}

// 0 when the letter may be pointed at a share: no link yet, or one left by a
// share that has been disconnected since.
int letterInUse(const QString& link) {
    struct stat info {};
    if (::lstat(QFile::encodeName(link).constData(), &info) != 0)
        return errno == ENOENT ? 0 : errno;
    if (Gvfs::driveTypeAt(link) != kDriveRemote)
        return EEXIST;
    return QFileInfo::exists(link) ? EBUSY : 0;
}

int pointLink(const QString& link, const QString& folder) {
    const QByteArray directory = QFile::encodeName(QFileInfo(link).path());
    if (::mkdir(directory.constData(), 0755) != 0 && errno != EEXIST)
        return errno;
    // Made beside it and renamed over it, so the letter never points nowhere.
    const QByteArray target = QFile::encodeName(link);
    const QByteArray fresh = target + ".new" + QByteArray::number(::getpid());
    ::unlink(fresh.constData());
    if (::symlink(QFile::encodeName(folder).constData(), fresh.constData()) != 0)
        return errno;
    if (::rename(fresh.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(fresh.constData());
        return error;
    }
    return 0;
}

// GVfs lives on the user's session bus. Without one gio can only say that the
// "volume doesn't implement mount", which tells a user nothing.
bool hasSessionBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    // Where GLib looks when the variable is unset: the per-user bus of systemd.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info {};
    return !runtime.isEmpty() && ::stat(QFile::encodeName(runtime + QStringLiteral("/bus")).constData(), &info) == 0 &&
           S_ISSOCK(info.st_mode);
}

class GvfsNetworkDrives final : public NetworkDrives {
public:
    int DriveTypeOf(char letter) override {
        if (!std::isalpha(static_cast<unsigned char>(letter)))
            return kDriveNoRootDir;
        return Gvfs::driveTypeAt(Gvfs::letterLink(letter));
    }

    // A letter's link counts as remote while its share is gone; connected is a link that leads somewhere.
    bool IsConnected(char letter) override {
        if (DriveTypeOf(letter) != kDriveRemote)
            return false;
        return QFileInfo::exists(Gvfs::letterLink(letter));
    }

    // `remember` has nothing to act on: GVfs mounts last as long as the user's session.
    unsigned long MountShare(const ShareConnection& share, std::chrono::milliseconds timeout) override {
        const QDeadlineTimer deadline(timeout);
        const QString localName = QString::fromStdString(share.localName);
        if (localName.size() != 2 || localName[1] != u':' ||
            !std::isalpha(static_cast<unsigned char>(localName[0].toLatin1())))
            return fail(EINVAL);
        const auto location = Gvfs::locationOf(QString::fromStdString(share.remoteName));
        if (const int* refused = std::get_if<int>(&location))
            return fail(*refused);
        const QString& uri = std::get<QString>(location);
        // gio reads its answers line by line: a line break would answer a question of its own.
        if (share.password.find_first_of("\r\n") != std::string::npos)
            return fail(EINVAL);
        const QString link = Gvfs::letterLink(localName[0].toLatin1());
        if (const int inUse = letterInUse(link))
            return fail(inUse);
        if (!hasSessionBus()) {
            const QString program = QCoreApplication::applicationName().isEmpty() ? QStringLiteral("zuredor")
                                                                                  : QCoreApplication::applicationName();
            return fail(ENOTCONN, QStringLiteral("No desktop session bus: run %1 inside your desktop session, or as "
                                                 "dbus-run-session -- %1")
                                      .arg(program));
        }

        QStringList arguments{QStringLiteral("mount")};
        QByteArray answers;
        if (share.password.empty()) {
            // With a user name gio refuses an empty password before asking the
            // server; an empty password is an anonymous connection.
            arguments << QStringLiteral("-a");
        } else {
            // User and domain: gio's defaults, the user's own name. Only one
            // password: when the server refuses it, gio asks again, reads the
            // end of its input and gives up.
            answers = "\n\n" + QByteArray::fromStdString(share.password) + '\n';
        }
        arguments << uri;
        const GioRun mount = runGio(arguments, answers, deadline);
        if (!mount.started)
            return fail(ENOENT, QStringLiteral("gio: ") + qt_error_string(ENOENT));
        if (!mount.finished)
            return fail(ETIMEDOUT);

        // A share mounted before answers "already mounted" whatever the password;
        // it is connected for this user all the same.
        const QString folder = localFolder(uri, deadline);
        if (folder.isEmpty()) {
            if (deadline.hasExpired())
                return fail(ETIMEDOUT);
            const QString said = Gvfs::gioMessage(mount.err);
            if (!said.isEmpty())
                return fail(EIO, said);
            if (mount.exitCode == 0)
                return fail(ENOTSUP, QStringLiteral("%1 has no local folder: GVfs's FUSE side (gvfs-fuse) is not "
                                                    "running")
                                         .arg(uri));
            // gio gives up without a word when it asked again for the password.
            return fail(share.password.empty() ? EIO : EACCES);
        }
        if (const int error = pointLink(link, folder))
            return fail(error);
        return 0;
    }

    std::string SystemErrorText() override { return t_lastError; }
};

} // namespace

std::unique_ptr<NetworkDrives> systemNetworkDrives() {
    return std::make_unique<GvfsNetworkDrives>();
}

} // namespace Platform
