#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace Sim {

// The folder the unit always publishes; it lists it as "0" and serves it as PUBLIC.
inline const QString kPublicFolder = QStringLiteral("0");

// A new FTP account is announced with this id before its name is known.
inline constexpr int kNewFtpAccountId = 255;

struct ClockSettings {
    bool sntpEnabled = true;
    bool manualServer = false; // server typed by hand rather than picked from the list
    QString server;
    int zoneHours = 0;   // -12..12
    qint64 offsetMs = 0; // unit's local time minus UTC
};

struct AddressSettings {
    bool dhcpClient = false;
    // The static configuration; while a DHCP client the unit reports its lease instead.
    QString ip;
    QString mask;
    QString gateway;
    QString primaryDns;
    QString secondaryDns;
};

struct FtpAccount {
    int id = 0;
    QString name;
    QString password;
    bool readOnly = true;
    bool enabled = true;
    QStringList folders;
};

struct FtpSettings {
    bool enabled = true;
    int port = 21;
    bool anonymous = false;
    bool anonymousReadOnly = true;
    QString anonymousHome;
    QList<FtpAccount> accounts;
    // The account that the account page describes, chosen by its id; kNewFtpAccountId
    // or an id without an account leaves that page empty.
    int selectedAccount = -1;
};

// A running surface scan adds this many lines to its result at each step.
inline constexpr int kScanLinesPerStep = 3;

struct DiskState {
    QString id;
    qint64 totalMb = 0;
    qint64 usedMb = 0;
    int idleMinutes = 0; // 0 = never spins down
    // The whole result of the last surface scan; while a scan runs, the page
    // shows only the lines it has reached (shownScanLines).
    QStringList scanLines;
    QDateTime scanStartedUtc; // when the running scan started; invalid once it is done or cleared
    int scanStepMs = 10000;   // a step of a running scan
    bool clearLocked = false; // the result can never be cleared (disk_fix_enable stays DISABLE)
    int formats = 0;          // formats so far: whoever keeps the disk's files empties them for each
};

// What a reset to factory settings brings back, besides the profile's settings.
struct FactorySettings {
    QString hostName;
    QString groupName;
    QString adminPassword;
    QHostAddress address; // where the unit answers after the reset and a reboot
};

// An accepted firmware image: the unit keeps its size and version, not its bytes.
struct FirmwareImage {
    qint64 bytes = 0;
    QString fileName; // as the uploader named it
    QString version;  // empty: the image names none and the firmware stays as it is
};

struct UnitState {
    int unitNumber = 1; // 1 for the first unit of a fleet
    QString hostName;
    QString groupName;
    QString firmware;
    QString adminUser = QStringLiteral("admin");
    QString adminPassword;
    FactorySettings factory;

    // Both wait for the next reboot, as on the unit: the image is flashed and
    // the saved settings are read only while it starts.
    std::optional<FirmwareImage> uploadedImage;
    bool factoryResetPending = false;

    ClockSettings clock;
    QHostAddress currentAddress; // where the unit answers now
    AddressSettings address;
    bool dhcpServer = false;

    QStringList languages;
    int defaultLanguage = 0;

    QStringList folders;                   // every folder of the disk, public one excluded
    QStringList sharedFolders;             // published besides the public folder, in publishing order
    QMap<QString, QString> sharePasswords; // by folder; no entry = no password

    FtpSettings ftp;
    DiskState disk;

    int findFtpAccount(const QString& name) const;
    int findFtpAccountById(int id) const;
    // Every place a folder is named; used when one is renamed or deleted.
    void renameFolderEverywhere(const QString& from, const QString& to);
    void forgetFolderEverywhere(const QString& name);
    // Shares, passwords and FTP homes of folders the disk no longer has are dropped.
    void forgetMissingFolders();
};

// A realistic unit that differs from its neighbours by number: names, clock,
// addressing, folders and accounts. The administrator password is the same for all.
UnitState defaultUnitState(int unitNumber, const QHostAddress& address,
                           const QString& adminPassword = QStringLiteral("admin"));

// Names the unit had from the factory: a reset to factory settings brings them back.
void setFactoryNames(UnitState& state, const QString& hostName, const QString& groupName);

// The unit as it comes back from a reboot: an uploaded image's version becomes its
// firmware, and a pending reset to factory settings takes effect. The disk keeps its folders.
UnitState stateAfterReboot(const UnitState& state);

// What a finished surface scan reports, stamped with the unit's local time:
// its start, the surface in steps of 5 percent (with the bad sectors it found
// and relocated), the file system's passes and its end.
QStringList diskScanResult(const QDateTime& localTime, qint64 totalMb, int badSectors = 0);

// The result's lines as the page shows them at `nowUtc`: a running scan has
// reached kScanLinesPerStep lines at its start and as many more at each step.
QStringList shownScanLines(const DiskState& disk, const QDateTime& nowUtc);
bool scanRunning(const DiskState& disk, const QDateTime& nowUtc);
// The result can be cleared: there is one, no scan runs and it is not locked.
bool scanResultClearable(const DiskState& disk, const QDateTime& nowUtc);

QDateTime unitLocalTime(const UnitState& state, const QDateTime& nowUtc);

} // namespace Sim
