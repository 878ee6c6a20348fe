#include "drives/remembered_drives.h"

#include "base/network_settings.h"
#include "base/user_folders.h"
#include "platform/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <utility>

namespace Drives {

namespace {

constexpr int kFormatVersion = 1;

const std::array<std::pair<DriveState, const char*>, 5> kStateWords{{
    {DriveState::Mounted, "mounted"},
    {DriveState::Moved, "at a new address"},
    {DriveState::UnitNotFound, "unit not found"},
    {DriveState::Refused, "refused"},
    {DriveState::PasswordNeeded, "password needed"},
}};

bool hasControl(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

// A unit's name: "host_name" as text, or "host_name_hex" for bytes that are not UTF-8.
std::optional<QByteArray> unitName(const QJsonObject& entry, const QString& key, QString& why) {
    const QJsonValue hex = entry.value(key + QStringLiteral("_hex"));
    const QJsonValue text = entry.value(key);
    QByteArray bytes;
    if (!hex.isUndefined()) {
        const QString digits = hex.toString();
        bytes = QByteArray::fromHex(digits.toLatin1());
        if (!hex.isString() || digits.size() != bytes.size() * 2 || bytes.toHex() != digits.toLatin1().toLower()) {
            why = QStringLiteral("%1_hex is not hexadecimal digits").arg(key);
            return std::nullopt;
        }
    } else if (text.isString()) {
        bytes = text.toString().toUtf8();
    } else {
        why = text.isUndefined() ? QStringLiteral("%1 is missing").arg(key) : QStringLiteral("%1 is not text").arg(key);
        return std::nullopt;
    }
    if (bytes.size() > kMaxUnitNameBytes || bytes.contains('\0')) {
        why = QStringLiteral("%1 is no unit's name").arg(key);
        return std::nullopt;
    }
    return bytes;
}

std::optional<QString> textField(const QJsonObject& entry, const QString& key, QString& why) {
    const QJsonValue value = entry.value(key);
    if (!value.isString()) {
        why =
            value.isUndefined() ? QStringLiteral("%1 is missing").arg(key) : QStringLiteral("%1 is not text").arg(key);
        return std::nullopt;
    }
    const QString text = value.toString();
    if (text.size() > kMaxFieldCharacters || hasControl(text)) {
        why = QStringLiteral("%1 is longer than %2 characters or holds control characters")
                  .arg(key)
                  .arg(kMaxFieldCharacters);
        return std::nullopt;
    }
    return text;
}

std::optional<RememberedDrive> parseEntry(const QJsonValue& value, QString& why) {
    if (!value.isObject()) {
        why = QStringLiteral("not an object");
        return std::nullopt;
    }
    const QJsonObject entry = value.toObject();
    RememberedDrive drive;
    const auto letter = textField(entry, QStringLiteral("letter"), why);
    if (!letter)
        return std::nullopt;
    if (letter->size() != 1 || letter->front() < u'D' || letter->front() > u'Z') {
        why = QStringLiteral("letter is not one of D to Z");
        return std::nullopt;
    }
    drive.letter = letter->front();
    const auto host = unitName(entry, QStringLiteral("host_name"), why);
    if (!host)
        return std::nullopt;
    if (host->isEmpty()) {
        why = QStringLiteral("host_name is empty");
        return std::nullopt;
    }
    const auto group = unitName(entry, QStringLiteral("group_name"), why);
    if (!group)
        return std::nullopt;
    const auto address = textField(entry, QStringLiteral("address"), why);
    if (!address)
        return std::nullopt;
    if (!Base::isDottedIpv4(*address)) {
        why = QStringLiteral("address is not a dotted IPv4 address");
        return std::nullopt;
    }
    const auto folder = textField(entry, QStringLiteral("folder"), why);
    if (!folder)
        return std::nullopt;
    if (folder->isEmpty()) {
        why = QStringLiteral("folder is empty");
        return std::nullopt;
    }
    const auto user = textField(entry, QStringLiteral("user"), why);
    if (!user)
        return std::nullopt;
    const QJsonValue kept = entry.value(QStringLiteral("password_kept"));
    if (!kept.isUndefined() && !kept.isBool()) {
        why = QStringLiteral("password_kept is not true or false");
        return std::nullopt;
    }
    drive.hostName = *host;
    drive.groupName = *group;
    drive.address = *address;
    drive.folder = *folder;
    drive.user = *user;
    drive.passwordKept = kept.toBool(false);
    // Only a note for the list: a word of another version reads as no state.
    drive.state = stateFromWord(entry.value(QStringLiteral("state")).toString());
    return drive;
}

void putName(QJsonObject& entry, const QString& key, const QByteArray& bytes) {
    if (const auto text = nameText(bytes))
        entry.insert(key, *text);
    else
        entry.insert(key + QStringLiteral("_hex"), QString::fromLatin1(bytes.toHex()));
}

} // namespace

QString stateWord(DriveState state) {
    for (const auto& [known, word] : kStateWords) {
        if (known == state)
            return QString::fromLatin1(word);
    }
    return {};
}

DriveState stateFromWord(const QString& word) {
    for (const auto& [known, text] : kStateWords) {
        if (word == QLatin1String(text))
            return known;
    }
    return DriveState::Unknown;
}

std::optional<QString> nameText(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError() || text.toUtf8() != bytes)
        return std::nullopt;
    return text;
}

DrivesRead parseDrives(QByteArrayView bytes) {
    DrivesRead read;
    if (bytes.size() > kDrivesFileCap) {
        read.unreadable = true;
        read.skipped << QStringLiteral("the file is larger than %1 bytes").arg(kDrivesFileCap);
        return read;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject() ||
        !document.object().value(QStringLiteral("drives")).isArray()) {
        read.unreadable = true;
        read.skipped
            << (error.error != QJsonParseError::NoError
                    ? QStringLiteral("the file is not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset)
                    : QStringLiteral("the file holds no list of drives"));
        return read;
    }
    const QJsonArray entries = document.object().value(QStringLiteral("drives")).toArray();
    QList<RememberedDrive> parsed;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QString why;
        if (const auto drive = parseEntry(entries.at(i), why))
            parsed << *drive;
        else
            read.skipped << QStringLiteral("entry %1 is left out: %2").arg(i + 1).arg(why);
    }
    // A letter claimed twice names no one drive: acting on either could be the wrong one.
    QList<QChar> twice;
    for (const RememberedDrive& drive : parsed) {
        const auto sameLetter = [&drive](const RememberedDrive& other) { return other.letter == drive.letter; };
        if (std::count_if(parsed.cbegin(), parsed.cend(), sameLetter) == 1)
            read.drives << drive;
        else if (!twice.contains(drive.letter))
            twice << drive.letter;
    }
    for (const QChar letter : twice)
        read.skipped << QStringLiteral("letter %1 is left out: more than one entry names it").arg(letter);
    return read;
}

QByteArray drivesJson(const QList<RememberedDrive>& drives) {
    QJsonArray entries;
    for (const RememberedDrive& drive : drives) {
        QJsonObject entry{{QStringLiteral("letter"), QString(drive.letter)},
                          {QStringLiteral("address"), drive.address},
                          {QStringLiteral("folder"), drive.folder},
                          {QStringLiteral("user"), drive.user},
                          {QStringLiteral("password_kept"), drive.passwordKept}};
        putName(entry, QStringLiteral("host_name"), drive.hostName);
        putName(entry, QStringLiteral("group_name"), drive.groupName);
        if (drive.state != DriveState::Unknown)
            entry.insert(QStringLiteral("state"), stateWord(drive.state));
        entries.append(entry);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("version"), kFormatVersion}, {QStringLiteral("drives"), entries}})
        .toJson(QJsonDocument::Indented);
}

QString drivesFilePath(const QProcessEnvironment& environment) {
    const QString folder = Base::configFolder(environment);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/drives.json");
}

DrivesRead loadDrives(const QString& path) {
    const Platform::BoundedFile file =
        Platform::ReadRegularFile(Base::platformPath(path), static_cast<std::size_t>(kDrivesFileCap));
    switch (file.result) {
    case Platform::FileRead::Read:
        return parseDrives(QByteArrayView(file.bytes.data(), static_cast<qsizetype>(file.bytes.size())));
    case Platform::FileRead::Missing:
        return {};
    case Platform::FileRead::TooLarge:
        return {{}, {QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kDrivesFileCap)}, true};
    case Platform::FileRead::NotRegular:
        return {{}, {QStringLiteral("%1 is not a plain file").arg(path)}, true};
    case Platform::FileRead::Failed:
        break;
    }
    return {{}, {QStringLiteral("%1 cannot be read").arg(path)}, true};
}

std::optional<QString> saveDrives(const QString& path, const QList<RememberedDrive>& drives) {
    if (path.isEmpty())
        return QStringLiteral("there is no configuration folder: neither XDG_CONFIG_HOME nor HOME is set");
    if (!QDir().mkpath(QFileInfo(path).path()))
        return QStringLiteral("cannot make the folder %1").arg(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(drivesJson(drives)) < 0 || !file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return std::nullopt;
}

std::optional<RememberedDrive> rememberDrive(QList<RememberedDrive>& drives, const RememberedDrive& drive) {
    std::optional<RememberedDrive> replaced = forgetDrive(drives, drive.letter);
    drives << drive;
    std::sort(drives.begin(), drives.end(),
              [](const RememberedDrive& a, const RememberedDrive& b) { return a.letter < b.letter; });
    return replaced;
}

std::optional<RememberedDrive> forgetDrive(QList<RememberedDrive>& drives, QChar letter) {
    const QChar upper = letter.toUpper();
    for (qsizetype i = 0; i < drives.size(); ++i) {
        if (drives.at(i).letter == upper)
            return drives.takeAt(i);
    }
    return std::nullopt;
}

} // namespace Drives
