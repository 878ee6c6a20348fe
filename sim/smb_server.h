#pragma once

#include "sim/web/unit_state.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QProcess>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace Sim {

class UnitWebServer;

struct SmbOptions {
    std::string folder; // empty: no SMB side
};

// Registers --smb FOLDER.
void addSmbOptions(CLI::App& app, SmbOptions& options);

// Everything one unit's Samba server keeps, all below the unit's own folder.
struct SmbLayout {
    QString root;

    QString configPath() const { return root + QStringLiteral("/smb.conf"); }
    QString usernameMapPath() const { return root + QStringLiteral("/users.map"); }
    QString sambaPath(const QString& name) const { return root + QStringLiteral("/samba/") + name; }
    QString diskPath() const { return root + QStringLiteral("/disk"); }
    // Where a folder of the unit lives; the public folder "0" is disk/PUBLIC.
    QString folderPath(const QString& folder) const;
};

// The share name a folder is published under ("0" is PUBLIC), or nothing for a
// name that cannot be a share or a folder on this machine.
std::optional<QString> shareNameOf(const QString& folder);

// smb.conf for one unit: the public folder and each published folder as a share
// on the unit's address alone. A folder with a share password admits `account`
// with that password; the others admit anyone.
QByteArray smbConfiguration(const SmbLayout& layout, const UnitState& state, const QHostAddress& address,
                            const QString& account);

// A format of the unit: everything in its disk folder goes, and an empty
// public folder is left. False when something could not be removed.
bool emptyDisk(const SmbLayout& layout);

// Samba checks a password when a session starts, before any share is named, so
// one account holds the password of every protected share of the unit: the
// first protected share's, in publishing order. Empty when no share has one.
QString accountPassword(const UnitState& state);

// One unit's Samba server: Debian's smbd with a private configuration and
// private state folders, serving the unit's folders from its own disk folder.
class SmbServer final : public QObject {
public:
    SmbServer(QString root, const QHostAddress& address, QObject* parent = nullptr);
    ~SmbServer() override;

    // Writes what smbd reads, starts it and returns once it listens; the words
    // of a failure otherwise.
    std::optional<QString> start(const UnitState& state, int timeoutMs = 15000);
    // Follows a change of the unit's folders, shares or share passwords, and
    // empties the disk folder when the unit was formatted.
    void update(const UnitState& state);
    // Ends smbd and every helper it started.
    void stop();

    const SmbLayout& layout() const { return m_layout; }

private:
    std::optional<QString> writeFiles(const UnitState& state);
    std::optional<QString> setPassword(const QString& password);
    QString logTail() const;

    SmbLayout m_layout;
    QHostAddress m_address;
    QString m_account;
    QString m_password;
    QProcess m_smbd;
    qint64 m_pid = 0;
    int m_formats = 0; // the unit's formats that the disk folder has followed
};

// Every unit of the fleet with a server of its own that follows its web side.
class SmbFleet final {
public:
    std::optional<QString> start(const SmbOptions& options, const std::vector<std::unique_ptr<UnitWebServer>>& units);

private:
    std::vector<std::unique_ptr<SmbServer>> m_servers;
};

} // namespace Sim
