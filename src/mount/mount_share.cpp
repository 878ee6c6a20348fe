#include "mount/mount_share.h"

namespace Mount {

bool IsOfferedDriveType(int type) {
    return type == Platform::kDriveUnknown || type == Platform::kDriveNoRootDir || type == Platform::kDriveRemote;
}

QStringList OfferedDriveLetters(Platform::NetworkDrives& drives) {
    QStringList letters;
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        if (IsOfferedDriveType(drives.DriveTypeOf(letter)))
            letters << QString(QChar::fromLatin1(letter));
    }
    return letters;
}

QString ShareLocalName(QChar letter) {
    return QString(letter.toUpper()) + u':';
}

QString ShareRemoteName(const QString& host, const QString& folder) {
    const QString share = folder == QLatin1String("0") ? QStringLiteral("PUBLIC") : folder;
    return QStringLiteral("\\\\") + host + u'\\' + share;
}

std::variant<MountRequest, Base::Refusal> CheckMountChoice(const MountChoice& choice) {
    if (choice.driveItem.isEmpty())
        return Base::Refusal{QStringLiteral("Please Select Disk Name!"), QStringLiteral("Mount Error"),
                             Base::Icon::Question};
    if (choice.host.isEmpty())
        return Base::Refusal{QStringLiteral("Please Select Zur Edor!"), QStringLiteral("Mount Error"),
                             Base::Icon::Question};
    return MountRequest{choice.driveItem.front(), choice.host, choice.folder, choice.password};
}

MountResult MountShare(Platform::NetworkDrives& drives, const MountRequest& request, bool remember,
                       std::chrono::milliseconds timeout) {
    Platform::ShareConnection share;
    share.localName = ShareLocalName(request.letter).toStdString();
    share.remoteName = ShareRemoteName(request.host, request.folder).toStdString();
    share.password = request.password.toStdString();
    share.remember = remember;
    MountResult result;
    result.code = drives.MountShare(share, timeout);
    if (result.code != 0) {
        result.errorText = QString::fromStdString(drives.SystemErrorText());
        if (result.errorText.isEmpty())
            result.errorText = QStringLiteral("Error %1").arg(result.code);
    }
    return result;
}

Base::Refusal MountSuccessBox() {
    return {QStringLiteral("Mount Zur Edor Success"), QStringLiteral("Mount"), Base::Icon::Information};
}

} // namespace Mount
