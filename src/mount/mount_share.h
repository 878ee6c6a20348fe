#pragma once

#include "base/refusal.h"
#include "platform/network_drives.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <chrono>
#include <variant>

namespace Mount {

// How long a connection may take before the dialog reports it as refused.
inline constexpr std::chrono::milliseconds kMountTimeout{15000};

// The letter list offers a letter that is free, of undetermined type, or a network drive already.
bool IsOfferedDriveType(int type);

// D to Z in order, those the platform offers; A, B and C are never asked about.
QStringList OfferedDriveLetters(Platform::NetworkDrives& drives);

// "F:" for F.
QString ShareLocalName(QChar letter);

// "\\host\folder", and "\\host\PUBLIC" for the public folder, which the unit lists as "0".
QString ShareRemoteName(const QString& host, const QString& folder);

// What the dialog or the command line has when Set is pressed.
struct MountChoice {
    QString driveItem; // the chosen item of the letter list; empty when none is
    QString folder;    // empty when no folder is chosen
    QString password;
    QString host; // the unit logged in to; empty when none was chosen
};

struct MountRequest {
    QChar letter;
    QString host;
    QString folder;
    QString password;
};

// The request, or the box that says what is missing.
std::variant<MountRequest, Base::Refusal> CheckMountChoice(const MountChoice& choice);

struct MountResult {
    unsigned long code = 0; // 0: connected
    QString errorText;      // the platform's own words for a refusal, untranslated
};

// Connects the request's share to its letter. The platform's text is read on
// the thread that made the call, where the platform keeps its last error.
MountResult MountShare(Platform::NetworkDrives& drives, const MountRequest& request, bool remember,
                       std::chrono::milliseconds timeout = kMountTimeout);

// The box of a successful mount.
Base::Refusal MountSuccessBox();

} // namespace Mount
