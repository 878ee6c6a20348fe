#include "sim/web/unit_state.h"

#include <algorithm>
#include <array>

namespace Sim {

int UnitState::findFtpAccount(const QString& name) const {
    for (int i = 0; i < ftp.accounts.size(); ++i) {
        if (ftp.accounts[i].name == name)
            return i;
    }
    return -1;
}

int UnitState::findFtpAccountById(int id) const {
    for (int i = 0; i < ftp.accounts.size(); ++i) {
        if (ftp.accounts[i].id == id)
            return i;
    }
    return -1;
}

void UnitState::renameFolderEverywhere(const QString& from, const QString& to) {
    for (QString& folder : folders) {
        if (folder == from)
            folder = to;
    }
    for (QString& shared : sharedFolders) {
        if (shared == from)
            shared = to;
    }
    if (sharePasswords.contains(from))
        sharePasswords.insert(to, sharePasswords.take(from));
    if (ftp.anonymousHome == from)
        ftp.anonymousHome = to;
    for (FtpAccount& account : ftp.accounts) {
        for (QString& folder : account.folders) {
            if (folder == from)
                folder = to;
        }
    }
}

void UnitState::forgetFolderEverywhere(const QString& name) {
    folders.removeAll(name);
    sharedFolders.removeAll(name);
    sharePasswords.remove(name);
    if (ftp.anonymousHome == name)
        ftp.anonymousHome = folders.value(0);
    for (FtpAccount& account : ftp.accounts)
        account.folders.removeAll(name);
}

void UnitState::forgetMissingFolders() {
    const auto missing = [this](const QString& folder) { return !folders.contains(folder); };
    sharedFolders.removeIf(missing);
    sharePasswords.removeIf([&](const QMap<QString, QString>::iterator& entry) {
        return entry.key() != kPublicFolder && missing(entry.key());
    });
    if (missing(ftp.anonymousHome))
        ftp.anonymousHome = folders.value(0);
    for (FtpAccount& account : ftp.accounts)
        account.folders.removeIf(missing);
}

namespace {

struct Profile {
    const char* host;
    const char* group;
    const char* firmware;
    const char* diskId;
    qint64 totalMb;
    qint64 usedMb;
    bool sntp;
    bool manualServer;
    const char* server;
    int zone;
    bool dhcpClient;
    bool dhcpServer;
    int language;
    int idleMinutes;
};

// Four kinds of unit; a fleet of more repeats them with the number in the name.
constexpr std::array<Profile, 4> kProfiles{{
    {"ZE-NAS", "WORKGROUP", "2.01.16", "ZHD080-A3F1", 76319, 23917, true, false, "pool.ntp.org", 1, false, false, 0,
     15},
    {"ARCHIVE", "OFFICE", "2.01.16", "ZHD160-B7C2", 152627, 98102, false, true, "ntp.example.net", -5, true, true, 2,
     0},
    {"MEDIA", "HOME", "2.00.31", "ZHD250-C1D9", 238475, 201355, true, false, "time.nist.gov", 8, false, false, 0, 30},
    {"BACKUP", "WORKGROUP", "1.98.04", "ZHD120-D4E0", 114473, 6021, false, false, "pool.ntp.org", 0, false, false, 1,
     5},
}};

const std::array<QStringList, 4>& folderSets() {
    static const std::array<QStringList, 4> sets{{
        {QStringLiteral("Documents"), QStringLiteral("Music"), QStringLiteral("Photos"), QStringLiteral("Backup")},
        {QStringLiteral("Projects"), QStringLiteral("Invoices"), QStringLiteral("Scans"),
         QStringLiteral("M\u00fasica")},
        {QStringLiteral("Movies"), QStringLiteral("Series"), QStringLiteral("Music"), QStringLiteral("Kids")},
        {QStringLiteral("Daily"), QStringLiteral("Weekly")},
    }};
    return sets;
}

} // namespace

QStringList diskScanResult(const QDateTime& localTime, qint64 totalMb, int badSectors) {
    const qint64 blocks = totalMb * 256;
    QStringList lines{
        QStringLiteral("Scan started %1").arg(localTime.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"))),
        QStringLiteral("Surface scan of /dev/hda1: %1 blocks").arg(blocks),
    };
    // The bad sectors lie in the second half of the surface, spread over it.
    int found = 0;
    for (int percent = 5; percent <= 100; percent += 5) {
        lines << QStringLiteral("Surface %1% checked (block %2 of %3)")
                     .arg(percent)
                     .arg(blocks * percent / 100)
                     .arg(blocks);
        if (percent > 50 && found < badSectors && percent % 10 == 0) {
            ++found;
            lines << QStringLiteral("Block %1: read error, sector relocated").arg(blocks * (percent - 3) / 100);
        }
    }
    lines << QStringLiteral("Pass 1: Checking inodes, blocks, and sizes")
          << QStringLiteral("Pass 2: Checking directory structure")
          << QStringLiteral("Pass 3: Checking directory connectivity")
          << QStringLiteral("Pass 4: Checking reference counts")
          << QStringLiteral("Pass 5: Checking group summary information")
          << QStringLiteral("/dev/hda1: 1532/%1 files (0.8% non-contiguous), %2/%3 blocks")
                 .arg(blocks / 8)
                 .arg(blocks / 3)
                 .arg(blocks);
    if (found == 0)
        lines << QStringLiteral("Scan finished: no errors found");
    else if (found == 1)
        lines << QStringLiteral("Scan finished: 1 bad sector relocated");
    else
        lines << QStringLiteral("Scan finished: %1 bad sectors relocated").arg(found);
    return lines;
}

QStringList shownScanLines(const DiskState& disk, const QDateTime& nowUtc) {
    if (!disk.scanStartedUtc.isValid())
        return disk.scanLines;
    const qint64 elapsed = std::max<qint64>(0, disk.scanStartedUtc.msecsTo(nowUtc));
    const qint64 steps = 1 + elapsed / std::max(1, disk.scanStepMs);
    return disk.scanLines.first(std::min<qint64>(disk.scanLines.size(), steps * kScanLinesPerStep));
}

bool scanRunning(const DiskState& disk, const QDateTime& nowUtc) {
    return disk.scanStartedUtc.isValid() && shownScanLines(disk, nowUtc).size() < disk.scanLines.size();
}

bool scanResultClearable(const DiskState& disk, const QDateTime& nowUtc) {
    return !disk.clearLocked && !disk.scanLines.isEmpty() && !scanRunning(disk, nowUtc);
}

UnitState defaultUnitState(int unitNumber, const QHostAddress& address, const QString& adminPassword) {
    const int kind = ((unitNumber > 0 ? unitNumber : 1) - 1) % int(kProfiles.size());
    const Profile& p = kProfiles[std::size_t(kind)];

    UnitState s;
    s.unitNumber = unitNumber;
    s.hostName = QString::fromLatin1(p.host) + QString::number(unitNumber);
    s.groupName = QString::fromLatin1(p.group);
    s.firmware = QString::fromLatin1(p.firmware);
    s.adminPassword = adminPassword;
    s.factory = {s.hostName, s.groupName, adminPassword, address};

    s.clock.sntpEnabled = p.sntp;
    s.clock.manualServer = p.manualServer;
    s.clock.server = QString::fromLatin1(p.server);
    s.clock.zoneHours = p.zone;
    // A unit without time service has drifted a little.
    s.clock.offsetMs = (qint64(p.zone) * 3600 + (p.sntp ? 0 : -97 * unitNumber)) * 1000;

    s.currentAddress = address;
    s.address.dhcpClient = p.dhcpClient;
    s.address.ip = address.toString();
    s.address.mask = QStringLiteral("255.0.0.0");
    s.address.gateway = QStringLiteral("127.0.0.1");
    s.address.primaryDns = QStringLiteral("127.0.0.1");
    s.address.secondaryDns = QString();
    s.dhcpServer = p.dhcpServer;

    s.languages = {QStringLiteral("English"),
                   QStringLiteral("Traditional Chinese"),
                   QStringLiteral("Simplified Chinese"),
                   QStringLiteral("Japanese"),
                   QStringLiteral("Korean"),
                   QStringLiteral("Western European")};
    s.defaultLanguage = p.language;

    s.folders = folderSets()[std::size_t(kind)];
    s.sharedFolders = s.folders.mid(0, kind == 3 ? 1 : 2);
    if (kind == 0)
        s.sharePasswords.insert(s.folders.first(), QStringLiteral("secret"));

    s.ftp.enabled = kind != 3;
    s.ftp.port = kind == 2 ? 2121 : 21;
    s.ftp.anonymous = kind == 2;
    s.ftp.anonymousReadOnly = true;
    s.ftp.anonymousHome = s.folders.value(kind == 2 ? 2 : 0);
    if (kind != 3) {
        s.ftp.accounts.append({1, QStringLiteral("alice"), QStringLiteral("wonder1"), true, true, {s.folders[0]}});
        s.ftp.accounts.append({2, QStringLiteral("bob"), QStringLiteral("builder"), false, kind != 1, {}});
    }
    if (kind == 1)
        s.ftp.accounts.append({3, QStringLiteral("scanner_01"), QString(), false, true, {s.folders[2]}});

    s.disk.id = QString::fromLatin1(p.diskId);
    s.disk.totalMb = p.totalMb;
    s.disk.usedMb = p.usedMb;
    s.disk.idleMinutes = p.idleMinutes;
    if (kind != 3) {
        const QDateTime lastScan = QDateTime(QDate(2024, 3, 2 + kind), QTime(3, 0, 1), Qt::UTC);
        s.disk.scanLines = diskScanResult(lastScan, p.totalMb, kind == 2 ? 2 : 0);
    }
    return s;
}

void setFactoryNames(UnitState& state, const QString& hostName, const QString& groupName) {
    state.hostName = state.factory.hostName = hostName;
    state.groupName = state.factory.groupName = groupName;
}

UnitState stateAfterReboot(const UnitState& state) {
    UnitState s = state;
    if (s.uploadedImage && !s.uploadedImage->version.isEmpty())
        s.firmware = s.uploadedImage->version;
    s.uploadedImage.reset();
    if (!s.factoryResetPending)
        return s;

    UnitState fresh = defaultUnitState(s.unitNumber, s.factory.address, s.factory.adminPassword);
    setFactoryNames(fresh, s.factory.hostName, s.factory.groupName);
    fresh.factory = s.factory;
    fresh.adminUser = s.adminUser; // the unit has no way to change it
    fresh.firmware = s.firmware;
    // A reset clears settings, not the disk.
    fresh.folders = s.folders;
    // The disk and how it behaves are hardware; only its sleep time is a setting.
    const int idleMinutes = fresh.disk.idleMinutes;
    fresh.disk = s.disk;
    fresh.disk.idleMinutes = idleMinutes;
    fresh.forgetMissingFolders();
    return fresh;
}

QDateTime unitLocalTime(const UnitState& state, const QDateTime& nowUtc) {
    return nowUtc.toUTC().addMSecs(state.clock.offsetMs);
}

} // namespace Sim
