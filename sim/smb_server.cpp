#include "smb_server.h"

#include "sim/web/unit_web_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>

#include <CLI/CLI.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace Sim {

namespace {

constexpr quint16 kSmbPort = 445;
const QString kPublicShare = QStringLiteral("PUBLIC");

// Samba's own folders, each sent below the unit's folder.
const char* const kSambaFolders[] = {"private", "state", "cache", "lock", "pid", "ncalrpc", "log", "bind-dns"};

QString findTool(const QString& name) {
    // Debian keeps smbd in /usr/sbin, which a user's PATH may lack.
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return path;
}

QString ownUserName() {
    // getpwuid's record is shared by the whole process; the simulator runs threads.
    std::vector<char> buffer(4096);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < std::size_t{1024} * 1024) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && found != nullptr ? QString::fromLocal8Bit(entry.pw_name) : QString();
    }
}

// Names Samba would read as something else ("%" starts a substitution) or that
// would leave the disk folder are not served.
bool isServableName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.trimmed() != name)
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == u'/' || c == u'\\' || c == u'[' || c == u']' ||
            c == u'%' || c == u'"')
            return false;
    }
    return true;
}

QString netbiosName(const QString& hostName) {
    QString name;
    for (const QChar c : hostName) {
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            name += c.toUpper();
    }
    return name.isEmpty() ? QStringLiteral("ZUREDOR") : name.left(15);
}

struct Share {
    QString name;
    QString folder;
    bool protectedByPassword = false;
};

// PUBLIC first, then the published folders in publishing order.
QList<Share> sharesOf(const UnitState& state) {
    QList<Share> shares;
    QStringList folders{kPublicFolder};
    folders += state.sharedFolders;
    for (const QString& folder : folders) {
        const std::optional<QString> name = shareNameOf(folder);
        if (!name)
            continue;
        bool taken = false;
        for (const Share& share : shares)
            taken = taken || share.name.compare(*name, Qt::CaseInsensitive) == 0;
        if (!taken)
            shares.append({*name, folder, !state.sharePasswords.value(folder).isEmpty()});
    }
    return shares;
}

bool writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

void addSmbOptions(CLI::App& app, SmbOptions& options) {
    app.add_option("--smb", options.folder,
                   "Serve every unit's public and published folders over SMB with Samba's smbd, from FOLDER/unit-N "
                   "(smbd needs root, and the units' addresses must be on an interface: run it in a network "
                   "namespace)");
}

QString SmbLayout::folderPath(const QString& folder) const {
    return diskPath() + u'/' + (folder == kPublicFolder ? kPublicShare : folder);
}

std::optional<QString> shareNameOf(const QString& folder) {
    if (folder == kPublicFolder)
        return kPublicShare;
    if (!isServableName(folder))
        return std::nullopt;
    return folder;
}

bool emptyDisk(const SmbLayout& layout) {
    QDir disk(layout.diskPath());
    bool emptied = true;
    if (disk.exists()) {
        for (const QFileInfo& entry :
             disk.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            // A link is removed itself, never followed out of the disk folder.
            const bool gone = entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                                  : QFile::remove(entry.filePath());
            emptied = emptied && gone;
        }
    }
    // Made here, the public folder stays without the note a new share gets.
    return QDir().mkpath(layout.folderPath(kPublicFolder)) && emptied;
}

QString accountPassword(const UnitState& state) {
    for (const Share& share : sharesOf(state)) {
        if (share.protectedByPassword)
            return state.sharePasswords.value(share.folder);
    }
    return {};
}

QByteArray smbConfiguration(const SmbLayout& layout, const UnitState& state, const QHostAddress& address,
                            const QString& account) {
    QString text;
    const auto line = [&text](const QString& key, const QString& value) {
        text += QStringLiteral("   ") + key + QStringLiteral(" = ") + value + u'\n';
    };
    text += QStringLiteral("# Written by zuredor-sim for unit %1; rewritten whenever its shares change.\n"
                           "[global]\n")
                .arg(state.unitNumber);
    line(QStringLiteral("server role"), QStringLiteral("standalone server"));
    line(QStringLiteral("netbios name"), netbiosName(state.hostName));
    line(QStringLiteral("workgroup"), netbiosName(state.groupName));
    line(QStringLiteral("server string"), QStringLiteral("Zur Edor unit %1").arg(state.unitNumber));
    // The unit's address and nothing else.
    line(QStringLiteral("interfaces"), address.toString());
    line(QStringLiteral("bind interfaces only"), QStringLiteral("yes"));
    line(QStringLiteral("smb ports"), QString::number(kSmbPort));
    line(QStringLiteral("disable netbios"), QStringLiteral("yes"));
    line(QStringLiteral("private dir"), layout.sambaPath(QStringLiteral("private")));
    line(QStringLiteral("state directory"), layout.sambaPath(QStringLiteral("state")));
    line(QStringLiteral("cache directory"), layout.sambaPath(QStringLiteral("cache")));
    line(QStringLiteral("lock directory"), layout.sambaPath(QStringLiteral("lock")));
    line(QStringLiteral("pid directory"), layout.sambaPath(QStringLiteral("pid")));
    line(QStringLiteral("ncalrpc dir"), layout.sambaPath(QStringLiteral("ncalrpc")));
    line(QStringLiteral("binddns dir"), layout.sambaPath(QStringLiteral("bind-dns")));
    line(QStringLiteral("log file"), layout.sambaPath(QStringLiteral("log/log.%m")));
    line(QStringLiteral("log level"), QStringLiteral("1"));
    line(QStringLiteral("usershare path"), QString());
    line(QStringLiteral("passdb backend"),
         QStringLiteral("tdbsam:") + layout.sambaPath(QStringLiteral("private")) + QStringLiteral("/passdb.tdb"));
    line(QStringLiteral("load printers"), QStringLiteral("no"));
    line(QStringLiteral("printing"), QStringLiteral("bsd"));
    line(QStringLiteral("printcap name"), QStringLiteral("/dev/null"));
    line(QStringLiteral("disable spoolss"), QStringLiteral("yes"));
    // The unit knows no user names, only share passwords: whatever name a client
    // gives is the one account, and a password that fails it leaves a guest, who
    // is let into the shares without a password and kept out of the others.
    line(QStringLiteral("username map"), layout.usernameMapPath());
    line(QStringLiteral("map to guest"), QStringLiteral("Bad Password"));
    line(QStringLiteral("guest account"), account);

    for (const Share& share : sharesOf(state)) {
        text += QStringLiteral("\n[") + share.name + QStringLiteral("]\n");
        line(QStringLiteral("path"), layout.folderPath(share.folder));
        line(QStringLiteral("read only"), QStringLiteral("no"));
        line(QStringLiteral("force user"), account);
        if (share.protectedByPassword) {
            line(QStringLiteral("guest ok"), QStringLiteral("no"));
            line(QStringLiteral("valid users"), account);
        } else {
            line(QStringLiteral("guest ok"), QStringLiteral("yes"));
        }
    }
    return text.toUtf8();
}

SmbServer::SmbServer(QString root, const QHostAddress& address, QObject* parent)
    : QObject(parent), m_layout{std::move(root)}, m_address(address), m_account(ownUserName()) {
    m_smbd.setChildProcessModifier([] {
        // smbd signals its whole process group when it stops: a session of its
        // own keeps the simulator out of it. If the simulator dies, smbd goes too.
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
}

SmbServer::~SmbServer() {
    stop();
}

std::optional<QString> SmbServer::writeFiles(const UnitState& state) {
    for (const char* folder : kSambaFolders) {
        if (!QDir().mkpath(m_layout.sambaPath(QString::fromLatin1(folder))))
            return QStringLiteral("cannot make %1").arg(m_layout.sambaPath(QString::fromLatin1(folder)));
    }
    for (const Share& share : sharesOf(state)) {
        const QString path = m_layout.folderPath(share.folder);
        if (QDir(path).exists())
            continue;
        if (!QDir().mkpath(path))
            return QStringLiteral("cannot make %1").arg(path);
        // Something to open in a freshly made folder.
        writeWhole(path + QStringLiteral("/README.txt"),
                   QStringLiteral("Folder %1 of the simulated unit %2.\n").arg(share.name, state.hostName).toUtf8());
    }
    if (!writeWhole(m_layout.usernameMapPath(), m_account.toUtf8() + " = *\n") ||
        !writeWhole(m_layout.configPath(), smbConfiguration(m_layout, state, m_address, m_account)))
        return QStringLiteral("cannot write below %1").arg(m_layout.root);
    return std::nullopt;
}

std::optional<QString> SmbServer::setPassword(const QString& wanted) {
    // Without a protected share nobody needs the account's password: make it one nobody knows.
    const QString password =
        wanted.isEmpty() ? QString::number(QRandomGenerator::system()->generate64(), 36) + QStringLiteral("x") : wanted;
    if (!m_password.isEmpty() && password == m_password)
        return std::nullopt;
    const QString tool = findTool(QStringLiteral("smbpasswd"));
    if (tool.isEmpty())
        return QStringLiteral("smbpasswd not found (Debian package samba-common-bin)");
    QProcess smbpasswd;
    smbpasswd.start(
        tool, {QStringLiteral("-c"), m_layout.configPath(), QStringLiteral("-s"), QStringLiteral("-a"), m_account});
    const QByteArray answer = password.toUtf8() + '\n';
    smbpasswd.write(answer + answer);
    smbpasswd.closeWriteChannel();
    if (!smbpasswd.waitForFinished(10000) || smbpasswd.exitStatus() != QProcess::NormalExit ||
        smbpasswd.exitCode() != 0) {
        smbpasswd.kill();
        smbpasswd.waitForFinished(1000);
        return QStringLiteral("smbpasswd failed: %1")
            .arg(
                QString::fromLocal8Bit(smbpasswd.readAllStandardError() + smbpasswd.readAllStandardOutput()).trimmed());
    }
    m_password = password;
    return std::nullopt;
}

QString SmbServer::logTail() const {
    QFile log(m_layout.sambaPath(QStringLiteral("log/smbd.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = log.readAll();
    return QString::fromLocal8Bit(text.right(2000)).trimmed();
}

std::optional<QString> SmbServer::start(const UnitState& state, int timeoutMs) {
    if (m_account.isEmpty())
        return QStringLiteral("this process's user has no name");
    const QString smbd = findTool(QStringLiteral("smbd"));
    if (smbd.isEmpty())
        return QStringLiteral("smbd not found (Debian package samba)");
    if (auto error = writeFiles(state))
        return error;
    if (auto error = setPassword(accountPassword(state)))
        return error;
    m_formats = state.disk.formats;

    m_smbd.setStandardOutputFile(m_layout.sambaPath(QStringLiteral("log/smbd.log")), QIODevice::Append);
    m_smbd.setProcessChannelMode(QProcess::MergedChannels);
    m_smbd.start(smbd, {QStringLiteral("--foreground"), QStringLiteral("--no-process-group"),
                        QStringLiteral("--debug-stdout"), QStringLiteral("--configfile=") + m_layout.configPath()});
    if (!m_smbd.waitForStarted(timeoutMs))
        return QStringLiteral("smbd did not start: %1").arg(m_smbd.errorString());
    m_pid = m_smbd.processId();

    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(m_address, kSmbPort);
        if (probe.waitForConnected(200))
            return std::nullopt;
        if (m_smbd.state() == QProcess::NotRunning || m_smbd.waitForFinished(100))
            return QStringLiteral("smbd ended at once (is %1 on an interface, and is this root?):\n%2")
                .arg(m_address.toString(), logTail());
    }
    stop();
    return QStringLiteral("smbd did not listen on %1:%2 in time").arg(m_address.toString()).arg(kSmbPort);
}

void SmbServer::update(const UnitState& state) {
    if (m_smbd.state() != QProcess::Running)
        return;
    if (state.disk.formats != m_formats) {
        m_formats = state.disk.formats;
        if (!emptyDisk(m_layout))
            std::fprintf(stderr, "zuredor-sim: unit %d SMB: the format left files in %s\n", state.unitNumber,
                         qPrintable(m_layout.diskPath()));
    }
    if (const auto error = writeFiles(state)) {
        std::fprintf(stderr, "zuredor-sim: unit %d SMB: %s\n", state.unitNumber, qPrintable(*error));
        return;
    }
    if (const auto error = setPassword(accountPassword(state)))
        std::fprintf(stderr, "zuredor-sim: unit %d SMB: %s\n", state.unitNumber, qPrintable(*error));
    // smbd reads its configuration again; sessions already open keep theirs.
    ::kill(static_cast<pid_t>(m_pid), SIGHUP);
}

void SmbServer::stop() {
    if (m_pid <= 0)
        return;
    if (m_smbd.state() != QProcess::NotRunning) {
        // smbd and the helpers it started share its process group, whose id is
        // smbd's own and stays its own while smbd is not yet reaped.
        ::kill(-static_cast<pid_t>(m_pid), SIGTERM);
        if (!m_smbd.waitForFinished(5000)) {
            ::kill(-static_cast<pid_t>(m_pid), SIGKILL);
            m_smbd.waitForFinished(2000);
        }
    }
    m_pid = 0;
}

std::optional<QString> SmbFleet::start(const SmbOptions& options,
                                       const std::vector<std::unique_ptr<UnitWebServer>>& units) {
    if (options.folder.empty())
        return std::nullopt;
    const QString folder = QDir(QString::fromStdString(options.folder)).absolutePath();
    for (const auto& unit : units) {
        const UnitState& state = unit->state();
        auto server =
            std::make_unique<SmbServer>(folder + QStringLiteral("/unit-%1").arg(state.unitNumber), unit->address());
        if (const auto error = server->start(state))
            return QStringLiteral("unit %1 SMB: %2").arg(state.unitNumber).arg(*error);
        SmbServer* following = server.get();
        UnitWebServer* web = unit.get();
        QObject::connect(web, &UnitWebServer::stateChanged, following,
                         [following, web] { following->update(web->state()); });
        m_servers.push_back(std::move(server));
    }
    return std::nullopt;
}

} // namespace Sim
