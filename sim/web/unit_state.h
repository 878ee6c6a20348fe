#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

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

struct UnitState {
    int unitNumber = 1; // 1 for the first unit of a fleet
    QString hostName;
    QString groupName;
    QString firmware;
    QString adminUser = QStringLiteral("admin");
    QString adminPassword;
    QString factoryPassword; // what a reset to factory settings restores

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
};

// A realistic unit that differs from its neighbours by number: names, clock,
// addressing, folders and accounts. The administrator password is the same for all.
UnitState defaultUnitState(int unitNumber, const QHostAddress& address,
                           const QString& adminPassword = QStringLiteral("admin"));

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
