// The mount dialog offscreen over a fake platform: its letter list, its boxes,
// what it asks the platform for, a window that keeps painting meanwhile, and
// the drive it remembers; the remembered drives' window beside it.

#include "base/localize.h"
#include "mount/drives_window.h"
#include "mount/mount_window.h"
#include "platform/fake_network_drives.h"
#include "platform/fake_secret_store.h"
#include "support/message_recorder.h"
#include "ui/current_device.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Platform::FakeNetworkDrives;

class MountDialog : public ::testing::Test {
protected:
    // The dialog over a fake whose settings stay reachable through `drives`.
    void create(std::map<char, int> types = {}) {
        auto fake = std::make_unique<FakeNetworkDrives>();
        fake->driveTypes = std::move(types);
        drives = fake.get();
        form = std::make_unique<Mount::MountWindow>(std::move(fake), services());
        form->show();
        recorder = &TestSupport::installRecorder();
    }

    // The list in a folder of the test's own, passwords in the fake store; a
    // unit answers with its names when it is among `units`.
    Mount::DriveServices services() {
        secrets = std::make_shared<Platform::FakeSecretStore>();
        return {listPath(), secrets,
                [this](const QString& ip) -> std::optional<Discovery::DeviceRow> {
                    for (const Discovery::DeviceRow& unit : units) {
                        if (unit.ip == ip)
                            return unit;
                    }
                    return std::nullopt;
                },
                [this] {
                    ++scans;
                    return units;
                }};
    }

    QString listPath() const { return config.path() + QStringLiteral("/drives.json"); }

    QString rememberedLetters() const {
        QString letters;
        for (const Drives::RememberedDrive& drive : Drives::loadDrives(listPath()).drives)
            letters += drive.letter;
        return letters;
    }

    void pressSet() {
        auto* button = form->findChild<QPushButton*>(QStringLiteral("MountSetBtn"));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void typePassword(const QString& password) {
        auto* edit = form->findChild<QLineEdit*>(QStringLiteral("FolderPassEdit"));
        ASSERT_NE(edit, nullptr);
        edit->clear();
        QTest::keyClicks(edit, password);
    }

    QStringList letters() const {
        QStringList items;
        for (int i = 0; i < form->driveBox()->count(); ++i)
            items << form->driveBox()->itemText(i);
        return items;
    }

    void TearDown() override { Ui::CurrentDevice() = {}; }

    QTemporaryDir config;
    std::shared_ptr<Platform::FakeSecretStore> secrets;
    QList<Discovery::DeviceRow> units{{QStringLiteral("127.0.0.2"), {"MyNas", "HOME", "1.0"}},
                                      {QStringLiteral("127.0.0.3"), {"Other", "WORK", "1.0"}}};
    int scans = 0;
    FakeNetworkDrives* drives = nullptr;
    std::unique_ptr<Mount::MountWindow> form;
    TestSupport::MessageRecorder* recorder = nullptr;
};

TEST_F(MountDialog, LettersFromThePlatformWithTheFirstSelected) {
    create({{'C', Platform::kDriveFixed}, {'D', Platform::kDriveCdRom}, {'H', Platform::kDriveRemote}});
    QStringList expected;
    for (char c = 'E'; c <= 'Z'; ++c)
        expected << QString(QChar::fromLatin1(c));
    EXPECT_EQ(letters(), expected);
    EXPECT_EQ(form->driveBox()->currentText(), QStringLiteral("E"));
}

TEST_F(MountDialog, BoxesWhenSomethingIsMissing) {
    std::map<char, int> allTaken;
    for (char c = 'D'; c <= 'Z'; ++c)
        allTaken[c] = Platform::kDriveFixed;
    const struct {
        const char* name;
        std::map<char, int> types;
        QString unit;
        QString text;
    } cases[] = {
        {"every letter taken", allTaken, QStringLiteral("127.0.0.2"), QStringLiteral("Please Select Disk Name!")},
        {"no unit chosen", {}, QString(), QStringLiteral("Please Select Zur Edor!")},
    };
    for (const auto& c : cases) {
        create(c.types);
        Ui::CurrentDevice().ip = c.unit;
        form->setFolders({QStringLiteral("0")});
        pressSet();
        ASSERT_EQ(recorder->boxes.size(), 1) << c.name;
        EXPECT_EQ(recorder->boxes[0].text, c.text) << c.name;
        EXPECT_EQ(recorder->boxes[0].caption, QStringLiteral("Mount Error")) << c.name;
        EXPECT_EQ(recorder->boxes[0].icon, Base::Icon::Question) << c.name;
        EXPECT_TRUE(drives->mounts().empty()) << c.name;
    }
}

TEST_F(MountDialog, SuccessMountsTheLoggedInUnitAndSelectsTheFirstFolder) {
    create({{'E', Platform::kDriveFixed}});
    // The unit the login was made to; the scan window's row is not asked.
    Ui::CurrentDevice().ip = QStringLiteral("127.0.0.9");
    form->setFolders({QStringLiteral("Music"), QStringLiteral("0")});
    form->folderBox()->setCurrentIndex(1);
    pressSet();

    ASSERT_EQ(drives->mounts().size(), 1u);
    const FakeNetworkDrives::Mount mount = drives->mounts().front();
    EXPECT_EQ(mount.share.localName, "D:");
    EXPECT_EQ(mount.share.remoteName, R"(\\127.0.0.9\PUBLIC)");
    EXPECT_EQ(mount.share.password, "") << "an empty field is an empty password";
    EXPECT_FALSE(mount.share.remember);
    EXPECT_EQ(mount.timeout, Mount::kMountTimeout) << "a mount is bounded";

    ASSERT_EQ(recorder->boxes.size(), 1);
    EXPECT_EQ(recorder->boxes[0].text, QStringLiteral("Mount Zur Edor Success"));
    EXPECT_EQ(recorder->boxes[0].caption, QStringLiteral("Mount"));
    EXPECT_EQ(recorder->boxes[0].icon, Base::Icon::Information);
    EXPECT_EQ(form->folderBox()->currentIndex(), 0);
    EXPECT_EQ(form->driveBox()->currentText(), QStringLiteral("D")) << "the letter used is still offered";
}

TEST_F(MountDialog, RefusalShowsThePlatformsWordsUntranslated) {
    // A language file that would translate the platform's words if they went through it.
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile language(QStringLiteral("language"));
    ASSERT_TRUE(language.open(QIODevice::WriteOnly));
    language.write("The specified network password is not correct.=Falsch\r\n");
    language.close();
    Base::reloadLanguageFile();

    create();
    drives->answerCode = 86;
    drives->answerText = "The specified network password is not correct.";
    Ui::CurrentDevice().ip = QStringLiteral("127.0.0.2");
    form->setFolders({QStringLiteral("0"), QStringLiteral("Documents")});
    form->folderBox()->setCurrentIndex(1);
    typePassword(QStringLiteral("wrong"));
    pressSet();
    QDir::setCurrent(previous);
    Base::reloadLanguageFile();

    ASSERT_EQ(drives->mounts().size(), 1u);
    EXPECT_EQ(drives->mounts().front().share.password, "wrong");
    ASSERT_EQ(recorder->boxes.size(), 1);
    // Read on the thread that mounted, where the platform keeps its last error.
    EXPECT_EQ(recorder->boxes[0].text, QStringLiteral("The specified network password is not correct."));
    EXPECT_EQ(recorder->boxes[0].caption, QGuiApplication::applicationDisplayName());
    EXPECT_EQ(form->folderBox()->currentIndex(), 1) << "nothing else changes";
}

TEST_F(MountDialog, WindowKeepsPaintingWhileTheMountRuns) {
    create();
    drives->delay = std::chrono::milliseconds(300);
    Ui::CurrentDevice().ip = QStringLiteral("127.0.0.2");
    form->setFolders({QStringLiteral("0")});
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    pressSet();
    EXPECT_GE(ticks, 5);
    ASSERT_EQ(recorder->boxes.size(), 1);
    EXPECT_EQ(recorder->boxes[0].text, QStringLiteral("Mount Zur Edor Success"));
}

// Text typed over a box's selection: only an item it names is chosen, and
// Enter never turns the text into an item of its own.
TEST_F(MountDialog, TypedTextChoosesOnlyAnItemItNames) {
    const struct {
        const char* name;
        QString drive;  // typed over the selected "D"; null leaves it
        QString folder; // typed over the selected "Music"; null leaves it
        bool enter;
        const char* localName; // null: no mount, the letter box's words instead
        const char* remoteName;
    } cases[] = {
        {"a letter not offered", QStringLiteral("Q"), {}, false, nullptr, nullptr},
        {"a letter not offered, then Enter", QStringLiteral("Q"), {}, true, nullptr, nullptr},
        {"no letter left", QStringLiteral(""), {}, false, nullptr, nullptr},
        {"two letters", QStringLiteral("EF"), {}, true, nullptr, nullptr},
        {"another offered letter", QStringLiteral("G"), {}, false, "G:", R"(\\127.0.0.2\Music)"},
        {"a letter in lower case", QStringLiteral("f"), {}, true, "F:", R"(\\127.0.0.2\Music)"},
        {"a folder not listed", {}, QStringLiteral("Movies"), false, "D:", R"(\\127.0.0.2\)"},
        {"a folder not listed, then Enter", {}, QStringLiteral("Movies"), true, "D:", R"(\\127.0.0.2\)"},
        {"another listed folder", {}, QStringLiteral("Docs"), false, "D:", R"(\\127.0.0.2\Docs)"},
        {"a listed folder in other case", {}, QStringLiteral("docs"), true, "D:", R"(\\127.0.0.2\Docs)"},
    };
    for (const auto& c : cases) {
        create({{'Q', Platform::kDriveFixed}});
        Ui::CurrentDevice().ip = QStringLiteral("127.0.0.2");
        form->setFolders({QStringLiteral("Music"), QStringLiteral("Docs")});
        form->folderBox()->setCurrentIndex(0);
        ASSERT_EQ(form->driveBox()->currentText(), QStringLiteral("D"));
        const int letterCount = form->driveBox()->count();
        for (const auto& [box, text] : {std::pair{form->driveBox(), c.drive}, std::pair{form->folderBox(), c.folder}}) {
            if (text.isNull())
                continue;
            box->lineEdit()->selectAll();
            QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
            QTest::keyClicks(box->lineEdit(), text);
            if (c.enter)
                QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        }
        EXPECT_EQ(form->driveBox()->count(), letterCount) << c.name;
        EXPECT_EQ(form->folderBox()->count(), 2) << c.name;
        pressSet();
        ASSERT_EQ(recorder->boxes.size(), 1) << c.name;
        if (c.localName == nullptr) {
            EXPECT_EQ(recorder->boxes[0].text, QStringLiteral("Please Select Disk Name!")) << c.name;
            EXPECT_TRUE(drives->mounts().empty()) << c.name;
            continue;
        }
        ASSERT_EQ(drives->mounts().size(), 1u) << c.name;
        EXPECT_EQ(drives->mounts().front().share.localName, c.localName) << c.name;
        EXPECT_EQ(drives->mounts().front().share.remoteName, c.remoteName) << c.name;
    }
}

// Only a share that mounted is remembered, its password only in the secret store.
TEST_F(MountDialog, ReconnectCheckRemembersOnlyWhatMounted) {
    const struct {
        const char* name;
        bool check;
        QString unit;         // the logged-in unit's address
        unsigned long answer; // the platform's
        bool storeAvailable;
        QString remembered; // letters in the list afterwards
        bool secretKept;
        QStringList boxes;
    } cases[] = {
        {"left off",
         false,
         QStringLiteral("127.0.0.2"),
         0,
         true,
         {},
         false,
         {QStringLiteral("Mount Zur Edor Success")}},
        {"on",
         true,
         QStringLiteral("127.0.0.2"),
         0,
         true,
         QStringLiteral("F"),
         true,
         {QStringLiteral("Mount Zur Edor Success")}},
        {"on, share refused", true, QStringLiteral("127.0.0.2"), 86, true, {}, false, {QStringLiteral("refused")}},
        {"on, the unit does not answer",
         true,
         QStringLiteral("127.0.0.9"),
         0,
         true,
         {},
         false,
         {QStringLiteral("The unit did not answer, so the drive cannot be remembered. Nothing was mounted.")}},
        {"on, no secret store",
         true,
         QStringLiteral("127.0.0.2"),
         0,
         false,
         QStringLiteral("F"),
         false,
         {QStringLiteral("Mount Zur Edor Success"),
          QStringLiteral("The share password is not kept; it will be asked for when the drive is reconnected.\n(no "
                         "secret store)")}},
    };
    for (const auto& c : cases) {
        QFile::remove(listPath());
        create();
#ifdef Q_OS_WIN
        EXPECT_TRUE(form->reconnectCheck()->isChecked()) << "Windows restores its drives: on by default";
#else
        EXPECT_FALSE(form->reconnectCheck()->isChecked()) << "off until the person turns it on";
#endif
        form->reconnectCheck()->setChecked(c.check);
        drives->answerCode = c.answer;
        drives->answerText = "refused";
        secrets->available = c.storeAvailable;
        Ui::CurrentDevice().ip = c.unit;
        form->setFolders({QStringLiteral("Documents")});
        form->driveBox()->setCurrentText(QStringLiteral("F"));
        form->folderBox()->setCurrentIndex(0);
        typePassword(QStringLiteral("s3cret"));
        pressSet();
        QStringList shown;
        for (const auto& box : recorder->boxes)
            shown << box.text;
        EXPECT_EQ(shown, c.boxes) << c.name;
        EXPECT_EQ(rememberedLetters(), c.remembered) << c.name;
        const Drives::DrivesRead read = Drives::loadDrives(listPath());
        if (!read.drives.isEmpty()) {
            EXPECT_EQ(read.drives.front().hostName, QByteArray("MyNas")) << c.name << ": the names the unit gave";
            EXPECT_EQ(read.drives.front().folder, QStringLiteral("Documents")) << c.name;
            EXPECT_TRUE(read.drives.front().passwordKept) << c.name;
            QFile file(listPath());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.name;
            EXPECT_FALSE(file.readAll().contains("s3cret")) << c.name << ": never a password in the file";
        }
        EXPECT_EQ(secrets->secrets.size(), c.secretKept ? 1u : 0u) << c.name;
        if (c.secretKept) {
            EXPECT_EQ(secrets->secrets.begin()->second, "s3cret") << c.name;
        }
    }
}

// Reconnect and Forget act on the selected drive and on nothing without one.
TEST_F(MountDialog, DrivesWindowActsOnTheSelectedDriveOnly) {
    const struct {
        const char* name;
        int row; // selected; -1: none
        bool reconnect;
        QString remembered;
        const char* mounted; // the letter mounted, as "F:"; null: none
    } cases[] = {
        {"nothing selected, Reconnect", -1, true, QStringLiteral("FG"), nullptr},
        {"nothing selected, Forget", -1, false, QStringLiteral("FG"), nullptr},
        {"G selected, Forget", 1, false, QStringLiteral("F"), nullptr},
        {"G selected, Reconnect", 1, true, QStringLiteral("FG"), "G:"},
    };
    for (const auto& c : cases) {
        scans = 0;
        auto fake = std::make_unique<FakeNetworkDrives>();
        FakeNetworkDrives* platform = fake.get();
        Mount::DrivesWindow window(std::move(fake), services());
        QList<Drives::RememberedDrive> kept;
        for (const char letter : {'G', 'F'}) {
            const Discovery::DeviceRow& unit = units.at(letter - 'F');
            const Drives::RememberedDrive drive{QChar::fromLatin1(letter),
                                                unit.reply.hostName,
                                                unit.reply.groupName,
                                                unit.ip,
                                                QStringLiteral("Documents"),
                                                QStringLiteral("anna"),
                                                true,
                                                Drives::DriveState::Unknown};
            Drives::rememberDrive(kept, drive);
            secrets->secrets[Mount::SecretAttributesOf(drive)] = "s3cret";
        }
        ASSERT_FALSE(Drives::saveDrives(listPath(), kept).has_value());
        window.show();
        recorder = &TestSupport::installRecorder();
        ASSERT_EQ(window.driveList()->rowCount(), 2) << c.name;
        EXPECT_EQ(window.driveList()->item(1, 0)->text(), QStringLiteral("G:")) << c.name;
        if (c.row >= 0)
            window.driveList()->selectRow(c.row);
        auto* button =
            window.findChild<QPushButton*>(c.reconnect ? QStringLiteral("ReconnectBtn") : QStringLiteral("ForgetBtn"));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->isEnabled(), c.row >= 0) << c.name;
        // Called directly too: a disabled button's handler still asks for nothing.
        c.reconnect ? window.ReconnectBtnClick() : window.ForgetBtnClick();
        EXPECT_EQ(rememberedLetters(), c.remembered) << c.name;
        EXPECT_EQ(secrets->secrets.size(), static_cast<size_t>(c.remembered.size())) << c.name;
        EXPECT_EQ(scans, c.mounted != nullptr ? 1 : 0) << c.name;
        ASSERT_EQ(platform->mounts().size(), c.mounted != nullptr ? 1u : 0u) << c.name;
        if (c.mounted != nullptr) {
            EXPECT_EQ(platform->mounts().front().share.localName, c.mounted) << c.name;
            EXPECT_EQ(platform->mounts().front().share.remoteName, R"(\\127.0.0.3\Documents)") << c.name;
            EXPECT_EQ(platform->mounts().front().share.password, "s3cret") << c.name;
        }
    }
}

} // namespace
