#pragma once

#include "platform/network_drives.h"

#include <QByteArray>
#include <QString>

#include <variant>

// The Linux side of network drives: GVfs mounts the share for the logged-in
// user and a letter is a link in the home folder pointing at GVfs's folder.
namespace Platform::Gvfs {

// The link a letter stands for: F is ~/ZurEdor/F.
QString letterLink(char letter);

// The drive type of whatever sits at a letter's link.
int driveTypeAt(const QString& linkPath);

// The smb:// location of a remote name "\\host\share", or the errno value
// that refuses it (no share named, a host or share that is no plain name).
std::variant<QString, int> locationOf(const QString& remoteName);

// The message of gio's "gio: LOCATION: message" line; empty when it printed none.
QString gioMessage(const QByteArray& standardError);

} // namespace Platform::Gvfs
