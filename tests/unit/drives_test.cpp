// Remembered drives: the file read as untrusted input, a unit found again by
// its names, and what a reconnect does with each drive.

#include "drives/remembered_drives.h"
#include "drives/unit_match.h"
#include "mount/reconnect_drives.h"
#include "platform/fake_network_drives.h"
#include "platform/fake_secret_store.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Drives::DriveState;
using Drives::RememberedDrive;

RememberedDrive drive(char letter, const QByteArray& host, const QByteArray& group, const char* address) {
    return {QChar::fromLatin1(letter),
            host,
            group,
            QString::fromLatin1(address),
            QStringLiteral("Documents"),
            QStringLiteral("anna"),
            false,
            DriveState::Unknown};
}

QByteArray fileWith(const QByteArray& entries) {
    return R"({"version": 1, "drives": [)" + entries + "]}";
}

const QByteArray kGood =
    R"({"letter": "F", "host_name": "MyNas", "group_name": "HOME", "address": "192.168.1.20", "folder": "Documents", "user": "anna"})";

struct FileCase {
    const char* name;
    QByteArray bytes;
    QString letters; // of the drives read
    int skipped;     // lines of words about what was left out
    bool unreadable;
};

class HostileFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(HostileFile, KeepsOnlyWellFormedEntries) {
    const FileCase& c = GetParam();
    const Drives::DrivesRead read = Drives::parseDrives(c.bytes);
    QString letters;
    for (const RememberedDrive& d : read.drives)
        letters += d.letter;
    EXPECT_EQ(letters, c.letters) << c.name;
    EXPECT_EQ(read.skipped.size(), c.skipped) << c.name << ": " << read.skipped.join(u'|').toStdString();
    EXPECT_EQ(read.unreadable, c.unreadable) << c.name;
}

QByteArray entryWith(const char* from, const char* to) {
    return QByteArray(kGood).replace(from, to);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileFile,
    ::testing::Values(
        FileCase{"one good entry", fileWith(kGood), QStringLiteral("F"), 0, false},
        FileCase{"empty file", "", {}, 1, true}, FileCase{"not JSON", "{\"drives\": [", {}, 1, true},
        FileCase{"an array, not an object", "[" + kGood + "]", {}, 1, true},
        FileCase{"drives is not a list", R"({"drives": {"F": 1}})", {}, 1, true},
        FileCase{"too big", fileWith(kGood) + QByteArray(Drives::kDrivesFileCap, ' '), {}, 1, true},
        FileCase{"entry not an object", fileWith("7, " + kGood), QStringLiteral("F"), 1, false},
        FileCase{"missing host name", fileWith(entryWith("\"host_name\": \"MyNas\",", "")), {}, 1, false},
        FileCase{"missing address", fileWith(entryWith("\"address\": \"192.168.1.20\",", "")), {}, 1, false},
        FileCase{"number for a folder", fileWith(entryWith("\"Documents\"", "12")), {}, 1, false},
        FileCase{"list for a user", fileWith(entryWith("\"anna\"", "[\"anna\"]")), {}, 1, false},
        FileCase{"password_kept a text",
                 fileWith(entryWith("\"user\"", "\"password_kept\": \"yes\", \"user\"")),
                 {},
                 1,
                 false},
        FileCase{"letter C", fileWith(entryWith("\"F\"", "\"C\"")), {}, 1, false},
        FileCase{"letter lower case", fileWith(entryWith("\"F\"", "\"f\"")), {}, 1, false},
        FileCase{"two letters", fileWith(entryWith("\"F\"", "\"FG\"")), {}, 1, false},
        FileCase{"host name of 17 bytes", fileWith(entryWith("MyNas", "ABCDEFGHIJKLMNOPQ")), {}, 1, false},
        FileCase{"empty host name", fileWith(entryWith("\"MyNas\"", "\"\"")), {}, 1, false},
        FileCase{"host name bytes not hex",
                 fileWith(entryWith("\"host_name\"", "\"host_name_hex\": \"zz\", \"x\"")),
                 {},
                 1,
                 false},
        FileCase{"a DNS name for an address", fileWith(entryWith("192.168.1.20", "nas.example")), {}, 1, false},
        FileCase{"control character in a folder", fileWith(entryWith("Documents", "Doc\\u001buments")), {}, 1, false},
        FileCase{"unknown state is no state", fileWith(entryWith("\"user\"", "\"state\": \"odd\", \"user\"")),
                 QStringLiteral("F"), 0, false},
        FileCase{"duplicate letters name neither",
                 fileWith(kGood + ", " + entryWith("MyNas", "Other") + ", " + entryWith("\"F\"", "\"G\"")),
                 QStringLiteral("G"), 1, false}));

TEST(DrivesFile, RoundTripsNamesByteForByteAndLettersReplace) {
    QList<RememberedDrive> drives;
    Drives::rememberDrive(drives, drive('G', "Caf\xc3\xa9", "HOME", "127.0.0.3"));
    Drives::rememberDrive(drives, drive('F',
                                        "\xff\xfe"
                                        "box",
                                        "\x80", "127.0.0.2"));
    const auto replaced = Drives::rememberDrive(drives, drive('G', "Other", "WORK", "127.0.0.4"));
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(replaced->hostName, QByteArray("Caf\xc3\xa9"));
    drives.first().state = DriveState::Moved;
    drives.first().passwordKept = true;

    const QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/zuredor/drives.json");
    ASSERT_FALSE(Drives::saveDrives(path, drives).has_value());
    const Drives::DrivesRead read = Drives::loadDrives(path);
    EXPECT_TRUE(read.skipped.isEmpty()) << read.skipped.join(u'|').toStdString();
    EXPECT_EQ(read.drives, drives);
    EXPECT_EQ(read.drives.size(), 2) << "one drive per letter, in letter order";

    ASSERT_TRUE(Drives::forgetDrive(drives, u'g').has_value());
    EXPECT_FALSE(Drives::forgetDrive(drives, u'G').has_value());
    EXPECT_EQ(drives.size(), 1);
}

TEST(DrivesFile, MissingIsEmptyAndOversizedIsNeverRead) {
    const QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/drives.json");
    Drives::DrivesRead read = Drives::loadDrives(path);
    EXPECT_TRUE(read.drives.isEmpty());
    EXPECT_FALSE(read.unreadable);
    QFile big(path);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(fileWith(kGood) + QByteArray(Drives::kDrivesFileCap, ' '));
    big.close();
    read = Drives::loadDrives(path);
    EXPECT_TRUE(read.drives.isEmpty());
    EXPECT_TRUE(read.unreadable);
}

Discovery::DeviceRow row(const char* ip, const QByteArray& host, const QByteArray& group) {
    return {QString::fromLatin1(ip), {host, group, "1.0"}};
}

struct MatchCase {
    const char* name;
    QList<Discovery::DeviceRow> rows;
    Drives::UnitFound found;
    QString address;
};

class FindUnit : public ::testing::TestWithParam<MatchCase> {};

TEST_P(FindUnit, ByHostAndGroupNames) {
    const MatchCase& c = GetParam();
    const Drives::UnitMatch match = Drives::findUnit(drive('F', "MyNas", "HOME", "127.0.0.2"), c.rows);
    EXPECT_EQ(match.found, c.found) << c.name;
    EXPECT_EQ(match.address, c.address) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Scans, FindUnit,
    ::testing::Values(MatchCase{"same address",
                                {row("127.0.0.2", "MyNas", "HOME")},
                                Drives::UnitFound::SameAddress,
                                QStringLiteral("127.0.0.2")},
                      MatchCase{"moved",
                                {row("127.0.0.3", "Other", "HOME"), row("127.0.0.9", "MyNas", "HOME")},
                                Drives::UnitFound::NewAddress,
                                QStringLiteral("127.0.0.9")},
                      MatchCase{"gone: another unit at its address",
                                {row("127.0.0.2", "Other", "HOME")},
                                Drives::UnitFound::NotFound,
                                QString()},
                      MatchCase{"no answers at all", {}, Drives::UnitFound::NotFound, QString()},
                      MatchCase{"same host name, other group",
                                {row("127.0.0.2", "MyNas", "WORK")},
                                Drives::UnitFound::NotFound,
                                QString()},
                      MatchCase{"two units of that host name, groups tell them apart",
                                {row("127.0.0.4", "MyNas", "WORK"), row("127.0.0.5", "MyNas", "HOME")},
                                Drives::UnitFound::NewAddress,
                                QStringLiteral("127.0.0.5")},
                      MatchCase{"names compare as bytes, not case",
                                {row("127.0.0.2", "mynas", "HOME")},
                                Drives::UnitFound::NotFound,
                                QString()},
                      MatchCase{"same names at two addresses, one its own",
                                {row("127.0.0.7", "MyNas", "HOME"), row("127.0.0.2", "MyNas", "HOME")},
                                Drives::UnitFound::SameAddress,
                                QStringLiteral("127.0.0.2")},
                      MatchCase{"same names at two new addresses: neither",
                                {row("127.0.0.7", "MyNas", "HOME"), row("127.0.0.8", "MyNas", "HOME")},
                                Drives::UnitFound::Ambiguous,
                                QString()}));

struct ReconnectCase {
    const char* name;
    QList<Discovery::DeviceRow> rows;
    bool passwordKept;
    bool storeAvailable;
    bool secretFiled;
    unsigned long mountAnswer;
    DriveState state;
    QString address;    // kept afterwards
    QString password;   // that reached the platform; "-" for no mount
    const char* notice; // the desktop notification's line for the drive; null: none is sent
};

// Records what would go to the desktop's notification service.
class RecordedNotifier final : public Platform::DesktopNotifier {
public:
    std::vector<std::pair<std::string, std::string>> sent;
    bool Notify(const std::string& summary, const std::string& body) override {
        sent.emplace_back(summary, body);
        return true;
    }
};

class Reconnect : public ::testing::TestWithParam<ReconnectCase> {};

TEST_P(Reconnect, MountsWhatItFindsAndKeepsTheNewAddressOnlyWhenMounted) {
    const ReconnectCase& c = GetParam();
    QList<RememberedDrive> drives{drive('F', "MyNas", "HOME", "127.0.0.2")};
    drives.first().passwordKept = c.passwordKept;
    Platform::FakeNetworkDrives platform;
    platform.answerCode = c.mountAnswer;
    platform.answerText = "Permission denied";
    Platform::FakeSecretStore secrets;
    secrets.available = c.storeAvailable;
    if (c.secretFiled)
        secrets.secrets[Mount::SecretAttributesOf(drives.first())] = "s3cret";

    const QList<Mount::DriveOutcome> outcomes =
        Mount::ReconnectDrives(drives, c.rows, platform, secrets, {}, std::chrono::seconds(1));
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_EQ(drives.first().state, c.state) << c.name << ": " << outcomes.first().words.toStdString();
    RecordedNotifier notifier;
    EXPECT_EQ(Mount::NotifyFailures(outcomes, notifier), c.notice != nullptr) << c.name;
    if (c.notice != nullptr) {
        ASSERT_EQ(notifier.sent.size(), 1u) << c.name;
        EXPECT_EQ(notifier.sent.front().first, "A Zur Edor drive was not reconnected") << c.name;
        EXPECT_EQ(notifier.sent.front().second.rfind(c.notice, 0), 0u)
            << c.name << ": " << notifier.sent.front().second;
    }
    EXPECT_EQ(notifier.sent.empty(), c.notice == nullptr) << c.name;
    EXPECT_EQ(drives.first().address, c.address) << c.name;
    const auto mounts = platform.mounts();
    if (c.password == QLatin1String("-")) {
        EXPECT_TRUE(mounts.empty()) << c.name;
        return;
    }
    ASSERT_EQ(mounts.size(), 1u) << c.name;
    EXPECT_EQ(mounts.front().share.remoteName, "\\\\" + c.rows.first().ip.toStdString() + "\\Documents")
        << c.name << ": where the unit answered";
    EXPECT_EQ(mounts.front().share.localName, "F:") << c.name;
    EXPECT_EQ(QString::fromStdString(mounts.front().share.password), c.password) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Drives, Reconnect,
    ::testing::Values(
        ReconnectCase{"same address, no password",
                      {row("127.0.0.2", "MyNas", "HOME")},
                      false,
                      true,
                      false,
                      0,
                      DriveState::Mounted,
                      QStringLiteral("127.0.0.2"),
                      QString(),
                      nullptr},
        ReconnectCase{"moved, password from the store",
                      {row("127.0.0.6", "MyNas", "HOME")},
                      true,
                      true,
                      true,
                      0,
                      DriveState::Moved,
                      QStringLiteral("127.0.0.6"),
                      QStringLiteral("s3cret"),
                      nullptr},
        ReconnectCase{"moved but refused: the old address stays",
                      {row("127.0.0.6", "MyNas", "HOME")},
                      true,
                      true,
                      true,
                      13,
                      DriveState::Refused,
                      QStringLiteral("127.0.0.2"),
                      QStringLiteral("s3cret"),
                      R"(F: \\MyNas\Documents: share refused: Permission denied)"},
        ReconnectCase{"gone",
                      {row("127.0.0.2", "Other", "HOME")},
                      true,
                      true,
                      true,
                      0,
                      DriveState::UnitNotFound,
                      QStringLiteral("127.0.0.2"),
                      QStringLiteral("-"),
                      R"(F: \\MyNas\Documents: unit not found: no unit "MyNas" in group "HOME" answered)"},
        ReconnectCase{"no secret store and no one to ask",
                      {row("127.0.0.2", "MyNas", "HOME")},
                      true,
                      false,
                      false,
                      0,
                      DriveState::PasswordNeeded,
                      QStringLiteral("127.0.0.2"),
                      QStringLiteral("-"),
                      R"(F: \\MyNas\Documents: password needed: there is no secret store)"},
        ReconnectCase{"the store lost the password",
                      {row("127.0.0.2", "MyNas", "HOME")},
                      true,
                      true,
                      false,
                      0,
                      DriveState::PasswordNeeded,
                      QStringLiteral("127.0.0.2"),
                      QStringLiteral("-"),
                      R"(F: \\MyNas\Documents: password needed: the secret store holds no password for it)"}));

TEST(Reconnect, AsksWhenTheStoreHasNoneAndLeavesAConnectedLetterAlone) {
    QList<RememberedDrive> drives{drive('F', "MyNas", "HOME", "127.0.0.2"), drive('G', "MyNas", "HOME", "127.0.0.2")};
    drives.first().passwordKept = true;
    Platform::FakeNetworkDrives platform;
    platform.driveTypes['G'] = Platform::kDriveRemote;
    Platform::FakeSecretStore secrets;
    secrets.available = false;
    QString askedFor;
    const auto ask = [&askedFor](const RememberedDrive& d) -> std::optional<QString> {
        askedFor += d.letter;
        return QStringLiteral("typed");
    };
    Mount::ReconnectDrives(drives, {row("127.0.0.2", "MyNas", "HOME")}, platform, secrets, ask);
    EXPECT_EQ(askedFor, QStringLiteral("F"));
    const auto mounts = platform.mounts();
    ASSERT_EQ(mounts.size(), 1u) << "G is connected already";
    EXPECT_EQ(mounts.front().share.password, "typed");
    EXPECT_EQ(drives.at(1).state, DriveState::Mounted);
    RecordedNotifier notifier;
    EXPECT_FALSE(Mount::NotifyFailures(
        Mount::ReconnectDrives(drives, {row("127.0.0.2", "MyNas", "HOME")}, platform, secrets, ask), notifier));
    EXPECT_TRUE(notifier.sent.empty()) << "every drive came back: nothing to tell";
}

} // namespace
