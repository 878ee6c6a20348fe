#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace Drives {

// The file is ours, but anyone may have edited it: it is read up to this size.
inline constexpr qsizetype kDrivesFileCap = qsizetype{64} * 1024;
// A unit's host and group names fill 16 bytes of its reply.
inline constexpr qsizetype kMaxUnitNameBytes = 16;
// Longer texts are no folder or user name the program ever wrote.
inline constexpr qsizetype kMaxFieldCharacters = 256;

// What the last reconnect found; kept so that the list can say it afterwards.
enum class DriveState { Unknown, Mounted, Moved, UnitNotFound, Refused, PasswordNeeded };

// The file's word for a state, and back; an unknown word is Unknown.
QString stateWord(DriveState state);
DriveState stateFromWord(const QString& word);

// A drive to connect again at sign-in. The unit is known by its host and group
// names as discovery gave them (exact bytes), as its address may change. The
// share password is never part of it: only the secret store keeps that.
struct RememberedDrive {
    QChar letter;              // D to Z, upper case; one drive per letter
    QByteArray hostName;       // never empty
    QByteArray groupName;      // may be empty
    QString address;           // dotted IPv4, where the unit answered when last mounted
    QString folder;            // as the unit lists it: "0" is the public folder
    QString user;              // the name the share is connected as
    bool passwordKept = false; // the share had a password (in the secret store, or to be asked for)
    DriveState state = DriveState::Unknown;

    bool operator==(const RememberedDrive&) const = default;
};

// The drives read from a file, with words for each entry that was left out.
struct DrivesRead {
    QList<RememberedDrive> drives;
    QStringList skipped;     // one line per entry left out, or for a file that was not read
    bool unreadable = false; // the file is there but none of it was used: never written over
};

// The drives of the file's bytes. Anything that is not a well-formed entry is
// left out with a word why; a letter that two entries claim names neither.
DrivesRead parseDrives(QByteArrayView bytes);

// The file's bytes for these drives.
QByteArray drivesJson(const QList<RememberedDrive>& drives);

// $XDG_CONFIG_HOME/zuredor/drives.json (Base::configFolder); empty when nothing says where.
QString drivesFilePath(const QProcessEnvironment& environment);

// Reads the file: only a regular file of at most kDrivesFileCap bytes. No file is no drive.
DrivesRead loadDrives(const QString& path);

// Replaces the file whole (written beside it and renamed over it). The words
// of a failure, or nothing.
std::optional<QString> saveDrives(const QString& path, const QList<RememberedDrive>& drives);

// Keeps `drive` in place of any drive of its letter; the one replaced, if any.
std::optional<RememberedDrive> rememberDrive(QList<RememberedDrive>& drives, const RememberedDrive& drive);

// Takes the drive of this letter out of the list; the one taken, if any.
std::optional<RememberedDrive> forgetDrive(QList<RememberedDrive>& drives, QChar letter);

// A unit's name as the file and the secret store keep it: its text when the
// bytes are UTF-8 (which give the same bytes back), else nothing.
std::optional<QString> nameText(const QByteArray& bytes);

} // namespace Drives
