// Letters as links in the home folder, the smb:// location made from a remote
// name, gio's words, and the refusals that never need to ask GVfs.

#include "platform/network_drives_linux.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Platform::Gvfs::locationOf;

struct LocationCase {
    QString remote;
    std::variant<QString, int> location;
};

class Locations : public ::testing::TestWithParam<LocationCase> {};

TEST_P(Locations, OnlyPlainHostsAndShares) {
    const LocationCase& c = GetParam();
    EXPECT_EQ(locationOf(c.remote), c.location) << c.remote.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    RemoteNames, Locations,
    ::testing::Values(
        LocationCase{QStringLiteral(R"(\\127.0.0.2\Documents)"), QStringLiteral("smb://127.0.0.2/Documents/")},
        LocationCase{QStringLiteral(R"(\\nas-1.local\PUBLIC)"), QStringLiteral("smb://nas-1.local/PUBLIC/")},
        LocationCase{QStringLiteral("\\\\h\\M\u00fasica"), QStringLiteral("smb://h/M%C3%BAsica/")},
        LocationCase{QStringLiteral(R"(\\h\a b#c?d)"), QStringLiteral("smb://h/a%20b%23c%3Fd/")},
        // No folder: a name ending in one backslash names no share.
        LocationCase{QStringLiteral(R"(\\127.0.0.2\)"), ENOENT}, LocationCase{QStringLiteral(R"(\\127.0.0.2)"), EINVAL},
        LocationCase{QStringLiteral(R"(\\\share)"), EINVAL}, LocationCase{QStringLiteral(R"(//h/share)"), EINVAL},
        LocationCase{QStringLiteral(R"(\\user@h\share)"), EINVAL},
        LocationCase{QStringLiteral(R"(\\h:99\share)"), EINVAL}, LocationCase{QStringLiteral(R"(\\h/x\share)"), EINVAL},
        LocationCase{QStringLiteral(R"(\\-h\share)"), EINVAL}, LocationCase{QStringLiteral(R"(\\h\..)"), EINVAL},
        LocationCase{QStringLiteral(R"(\\h\a\b)"), EINVAL}, LocationCase{QStringLiteral(R"(\\h\a/b)"), EINVAL},
        LocationCase{QStringLiteral("\\\\h\\a\nb"), EINVAL}));

TEST(GioMessage, TheMessageOfGiosOwnLine) {
    const struct {
        QByteArray err;
        QString message;
    } cases[] = {
        {"\n(gio mount:123): GVFS-RemoteVolumeMonitor-WARNING **: 04:00:31.267: not supported\n"
         "gio: smb://127.0.0.2/nosuch/: Failed to mount Windows share: No such file or directory\n",
         QStringLiteral("Failed to mount Windows share: No such file or directory")},
        {"gio: smb://127.0.0.2/documents/: Location is already mounted\n",
         QStringLiteral("Location is already mounted")},
        {"gio: smb://h/a%20b/: Anonymous access denied", QStringLiteral("Anonymous access denied")},
        {"(gio mount:9): GLib-WARNING **: gio: nothing\n", QString()},
        {"", QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Platform::Gvfs::gioMessage(c.err), c.message) << c.err.toStdString();
}

// A home folder of the test's own, and the letter links in it.
class LetterLinks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        previousHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        drives = Platform::systemNetworkDrives();
    }
    void TearDown() override { qputenv("HOME", previousHome); }

    QString letters() const { return home.filePath(QStringLiteral("ZurEdor")); }
    void link(const QString& target, char letter) {
        ASSERT_TRUE(QDir().mkpath(letters()));
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                            QFile::encodeName(letters() + u'/' + QChar::fromLatin1(letter)).constData()),
                  0);
    }
    QString shareFolder(const char* share) const {
        return home.filePath(QStringLiteral("run/gvfs/smb-share:server=127.0.0.2,share=") + QLatin1String(share));
    }
    unsigned long mount(const char* local, const char* remote, const std::string& password, std::string* text) {
        const unsigned long code = drives->MountShare({local, remote, password, false}, std::chrono::seconds(5));
        *text = drives->SystemErrorText();
        return code;
    }

    QTemporaryDir home;
    QByteArray previousHome;
    std::unique_ptr<Platform::NetworkDrives> drives;
};

TEST_F(LetterLinks, DriveTypes) {
    EXPECT_EQ(drives->DriveTypeOf('F'), Platform::kDriveNoRootDir) << "no ZurEdor folder yet";
    ASSERT_TRUE(QDir().mkpath(shareFolder("public")));
    link(shareFolder("public"), 'F');
    link(shareFolder("documents"), 'G'); // its share disconnected since
    link(home.path(), 'H');
    QFile file(letters() + QStringLiteral("/I"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(QDir().mkpath(letters() + QStringLiteral("/J")));

    EXPECT_EQ(drives->DriveTypeOf('f'), Platform::kDriveRemote) << "asked in lower case too";
    EXPECT_EQ(drives->DriveTypeOf('G'), Platform::kDriveRemote);
    EXPECT_EQ(drives->DriveTypeOf('H'), Platform::kDriveFixed);
    EXPECT_EQ(drives->DriveTypeOf('I'), Platform::kDriveFixed);
    EXPECT_EQ(drives->DriveTypeOf('J'), Platform::kDriveFixed);
    EXPECT_EQ(drives->DriveTypeOf('K'), Platform::kDriveNoRootDir);
}

TEST_F(LetterLinks, RefusedBeforeAskingGvfs) {
    ASSERT_TRUE(QDir().mkpath(shareFolder("public")));
    link(shareFolder("public"), 'F');
    link(home.path(), 'H');
    const struct {
        const char* name;
        const char* local;
        const char* remote;
        std::string password;
        int code;
    } cases[] = {
        {"letter connected already", "F:", R"(\\127.0.0.2\Music)", "", EBUSY},
        {"letter taken by something else", "H:", R"(\\127.0.0.2\Music)", "", EEXIST},
        {"no folder", "K:", R"(\\127.0.0.2\)", "", ENOENT},
        {"a line break would answer gio's next question", "K:", R"(\\127.0.0.2\Music)", "a\nb", EINVAL},
        {"no letter", "KK", R"(\\127.0.0.2\Music)", "", EINVAL},
    };
    for (const auto& c : cases) {
        std::string text;
        EXPECT_EQ(mount(c.local, c.remote, c.password, &text), static_cast<unsigned long>(c.code)) << c.name;
        EXPECT_EQ(QString::fromStdString(text), qt_error_string(c.code)) << c.name;
    }
    EXPECT_FALSE(QFileInfo::exists(letters() + QStringLiteral("/K"))) << "a refused mount leaves no link";
}

} // namespace
