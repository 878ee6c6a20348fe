// The Windows platform layer on the system it runs on (Wine in CI): the drive
// types of letters, WNet's failure and its words, and which files are read.

#include "platform/network_drives.h"
#include "platform/regular_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <windows.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

char unusedLetter() {
    const DWORD used = GetLogicalDrives();
    for (char letter = 'Y'; letter > 'D'; --letter) {
        if ((used & (1u << (letter - 'A'))) == 0)
            return letter;
    }
    return 0;
}

TEST(WindowsDrives, LettersInUseAndFree) {
    const auto drives = Platform::systemNetworkDrives();
    EXPECT_EQ(drives->DriveTypeOf('C'), Platform::kDriveFixed);
    EXPECT_EQ(drives->DriveTypeOf('c'), Platform::kDriveFixed);
    const char spare = unusedLetter();
    ASSERT_NE(spare, 0);
    EXPECT_EQ(drives->DriveTypeOf(spare), Platform::kDriveNoRootDir);
}

// Nothing serves SMB on 127.0.0.9 (and Wine has no network provider at all):
// the failure is a code, left on the calling thread with the system's words.
TEST(WindowsDrives, AShareNotConnectedIsAFailureWithWords) {
    const auto drives = Platform::systemNetworkDrives();
    const char spare = unusedLetter();
    ASSERT_NE(spare, 0);
    const std::string letter{spare, ':'};
    const unsigned long code = drives->MountShare({letter, R"(\\127.0.0.9\PUBLIC)", "", false}, 20s);
    EXPECT_NE(code, 0u);
    EXPECT_EQ(GetLastError(), code);
    const std::string words = drives->SystemErrorText();
    EXPECT_FALSE(words.empty());
    EXPECT_NE(words.back(), '\n');
    EXPECT_EQ(drives->DriveTypeOf(spare), Platform::kDriveNoRootDir);
}

TEST(WindowsFiles, OnlyDiskFilesAreReadByTheirUtf8Names) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString named = dir.filePath(QStringLiteral("spr\u00e5k \u8a00\u8a9e"));
    QFile file(named);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("Scan=Suchen\r\n") == 13);
    file.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const struct {
        QString path;
        std::size_t cap;
        Platform::FileRead result;
        std::string bytes;
    } cases[] = {
        {named, 13, Platform::FileRead::Read, "Scan=Suchen\r\n"},
        {named, 12, Platform::FileRead::TooLarge, ""},
        {dir.filePath(QStringLiteral("missing")), 100, Platform::FileRead::Missing, ""},
        {dir.filePath(QStringLiteral("folder")), 100, Platform::FileRead::NotRegular, ""},
        {QStringLiteral("NUL"), 100, Platform::FileRead::NotRegular, ""},
    };
    for (const auto& c : cases) {
        const Platform::BoundedFile read =
            Platform::ReadRegularFile(QDir::toNativeSeparators(c.path).toStdString(), c.cap);
        EXPECT_EQ(read.result, c.result) << c.path.toStdString();
        EXPECT_EQ(read.bytes, c.bytes) << c.path.toStdString();
    }
}

} // namespace
