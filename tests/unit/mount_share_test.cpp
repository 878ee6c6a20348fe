// The mount rules: which letters are offered, the names a share is connected
// under, what Set refuses, and what reaches the platform.

#include "mount/mount_share.h"
#include "platform/fake_network_drives.h"

#include <thread>

#include <gtest/gtest.h>

namespace {

using Platform::FakeNetworkDrives;

QStringList lettersFrom(char first, char last) {
    QStringList letters;
    for (char c = first; c <= last; ++c)
        letters << QString(QChar::fromLatin1(c));
    return letters;
}

struct LetterCase {
    const char* name;
    std::map<char, int> types;
    QStringList offered;
};

class OfferedLetters : public ::testing::TestWithParam<LetterCase> {};

TEST_P(OfferedLetters, FromThePlatformsDriveTypes) {
    const LetterCase& c = GetParam();
    FakeNetworkDrives drives;
    drives.driveTypes = c.types;
    EXPECT_EQ(Mount::OfferedDriveLetters(drives), c.offered) << c.name;
    const std::vector<char> asked = drives.askedLetters();
    EXPECT_EQ(QByteArray(asked.data(), static_cast<qsizetype>(asked.size())), QByteArray("DEFGHIJKLMNOPQRSTUVWXYZ"))
        << "A, B and C are never asked about";
}

std::map<char, int> everyLetterFixed() {
    std::map<char, int> types;
    for (char c = 'A'; c <= 'Z'; ++c)
        types[c] = Platform::kDriveFixed;
    return types;
}

INSTANTIATE_TEST_SUITE_P(
    Workstations, OfferedLetters,
    ::testing::Values(
        LetterCase{"C fixed, D CD-ROM, H network",
                   {{'C', Platform::kDriveFixed}, {'D', Platform::kDriveCdRom}, {'H', Platform::kDriveRemote}},
                   lettersFrom('E', 'Z')},
        LetterCase{"every letter a local volume", everyLetterFixed(), {}},
        LetterCase{"undetermined and network offered, local volumes of every kind not",
                   {{'D', Platform::kDriveRemovable},
                    {'E', Platform::kDriveFixed},
                    {'F', Platform::kDriveCdRom},
                    {'G', Platform::kDriveRamDisk},
                    {'H', Platform::kDriveUnknown},
                    {'I', Platform::kDriveRemote},
                    {'Z', Platform::kDriveFixed}},
                   lettersFrom('H', 'Y')}));

struct NameCase {
    QString host;
    QString folder;
    QString remote;
};

class RemoteNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(RemoteNames, PublicFolderIsPublicShare) {
    const NameCase& c = GetParam();
    EXPECT_EQ(Mount::ShareRemoteName(c.host, c.folder), c.remote);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, RemoteNames,
    ::testing::Values(
        NameCase{QStringLiteral("192.168.1.20"), QStringLiteral("0"), QStringLiteral(R"(\\192.168.1.20\PUBLIC)")},
        NameCase{QStringLiteral("192.168.1.20"), QStringLiteral("music"), QStringLiteral(R"(\\192.168.1.20\music)")},
        // No folder chosen: the name ends in one backslash and the platform refuses it.
        NameCase{QStringLiteral("10.0.0.5"), QString(), QStringLiteral(R"(\\10.0.0.5\)")},
        NameCase{QStringLiteral("h"), QStringLiteral("00"), QStringLiteral(R"(\\h\00)")},
        NameCase{QStringLiteral("h"), QStringLiteral(" 0"), QStringLiteral(R"(\\h\ 0)")},
        NameCase{QStringLiteral("h"), QStringLiteral("M\u00fasica"), QStringLiteral("\\\\h\\M\u00fasica")}));

struct ChoiceCase {
    const char* name;
    Mount::MountChoice choice;
    QString refusal; // empty: a request
};

class SetPressed : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(SetPressed, RefusesWhatIsMissing) {
    const ChoiceCase& c = GetParam();
    const auto checked = Mount::CheckMountChoice(c.choice);
    if (c.refusal.isEmpty()) {
        ASSERT_TRUE(std::holds_alternative<Mount::MountRequest>(checked)) << c.name;
        const auto& request = std::get<Mount::MountRequest>(checked);
        EXPECT_EQ(request.letter, c.choice.driveItem.front()) << c.name;
        EXPECT_EQ(request.host, c.choice.host) << c.name;
        EXPECT_EQ(request.folder, c.choice.folder) << c.name;
        return;
    }
    ASSERT_TRUE(std::holds_alternative<Base::Refusal>(checked)) << c.name;
    const auto& refusal = std::get<Base::Refusal>(checked);
    EXPECT_EQ(refusal.messageKey, c.refusal) << c.name;
    EXPECT_EQ(refusal.captionKey, QStringLiteral("Mount Error")) << c.name;
    EXPECT_EQ(refusal.icon, Base::Icon::Question) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SetPressed,
    ::testing::Values(ChoiceCase{"no letter, no unit",
                                 {QString(), QStringLiteral("0"), QString(), QString()},
                                 QStringLiteral("Please Select Disk Name!")},
                      ChoiceCase{"no letter",
                                 {QString(), QStringLiteral("0"), QString(), QStringLiteral("127.0.0.2")},
                                 QStringLiteral("Please Select Disk Name!")},
                      ChoiceCase{"no unit",
                                 {QStringLiteral("E"), QStringLiteral("0"), QString(), QString()},
                                 QStringLiteral("Please Select Zur Edor!")},
                      ChoiceCase{"no folder is still a request",
                                 {QStringLiteral("E"), QString(), QString(), QStringLiteral("127.0.0.2")},
                                 QString()}));

TEST(MountShare, WhatReachesThePlatform) {
    FakeNetworkDrives drives;
    const Mount::MountResult result = Mount::MountShare(
        drives, {u'e', QStringLiteral("127.0.0.7"), QStringLiteral("0"), QString()}, false, std::chrono::seconds(3));
    EXPECT_EQ(result.code, 0u);
    const std::vector<FakeNetworkDrives::Mount> mounts = drives.mounts();
    ASSERT_EQ(mounts.size(), 1u);
    const FakeNetworkDrives::Mount& mount = mounts.front();
    EXPECT_EQ(mount.share.localName, "E:");
    EXPECT_EQ(mount.share.remoteName, R"(\\127.0.0.7\PUBLIC)");
    EXPECT_EQ(mount.share.password, "");
    EXPECT_FALSE(mount.share.remember);
    EXPECT_EQ(mount.timeout, std::chrono::seconds(3));
}

struct RefusalCase {
    const char* name;
    unsigned long code;
    std::string text;
    QString shown;
};

class MountRefused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(MountRefused, GivesThePlatformsWords) {
    const RefusalCase& c = GetParam();
    FakeNetworkDrives drives;
    drives.answerCode = c.code;
    drives.answerText = c.text;
    Mount::MountResult result;
    // Off the caller's thread, as the dialog runs it.
    std::thread([&] {
        result = Mount::MountShare(
            drives, {u'F', QStringLiteral("127.0.0.2"), QStringLiteral("Music"), QStringLiteral("p\u00e4ss")}, false);
    }).join();
    EXPECT_EQ(result.code, c.code) << c.name;
    EXPECT_EQ(result.errorText, c.shown) << c.name;
    EXPECT_EQ(drives.mounts().front().share.password, "p\u00e4ss") << "UTF-8 on the way down";
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, MountRefused,
    ::testing::Values(RefusalCase{"wrong password", 86, "The specified network password is not correct.",
                                  QStringLiteral("The specified network password is not correct.")},
                      RefusalCase{"text in UTF-8", 13, "Zugriff verweigert \xC3\xBC",
                                  QStringLiteral("Zugriff verweigert \u00fc")},
                      RefusalCase{"no text for the code", 1234, "", QStringLiteral("Error 1234")}));

} // namespace
