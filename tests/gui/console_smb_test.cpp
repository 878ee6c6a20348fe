// The console's SMB Server page and its three dialogs, offscreen, against
// zuredor-sim: which buttons a click enables, and each change as the unit
// receives it and as the page shows it afterwards.

#include "console_fixture.h"

#include "console/console_dialogs.h"
#include "console/disk_tab.h"
#include "console/ftp_account_tab.h"
#include "console/ftp_tab.h"
#include "console/page_control.h"
#include "console/page_tabs.h"
#include "console/smb_tab.h"

#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

namespace {

using namespace ConsoleTest;

const char* const kButtons[] = {"ShowCreateBtn",     "ShowRenameBtn",   "ShowDeleteBtn",
                                "ShowPublicPassBtn", "MovetoPublicBtn", "MovetoSMBBtn"};

class SmbPage : public ConsoleFixture {
protected:
    void openSmbTab() { openPage(Console::kSmbPage); }

    QListWidget* folders() { return control<QListWidget>("SMBFolderLB"); }
    QListWidget* shares() { return control<QListWidget>("SMBPublicFolderLB"); }
    void clickItem(QListWidget* list, const QString& text) {
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
    }
    QStringList enabledButtons() {
        QStringList on;
        for (const char* name : kButtons)
            if (control(name)->isEnabled())
                on << QString::fromLatin1(name);
        return on;
    }
    // After a change the page is as a fresh read leaves it: only Create, nothing selected.
    void expectSettled() {
        EXPECT_EQ(enabledButtons(), QStringList{s("ShowCreateBtn")});
        EXPECT_TRUE(folders()->selectedItems().isEmpty());
        EXPECT_TRUE(shares()->selectedItems().isEmpty());
    }

    Console::CreateFolderDialog& createFolderDialog() { return *console().dialogs().createFolder; }
    Console::RenameFolderDialog& renameFolderDialog() { return *console().dialogs().renameFolder; }
    Console::SharePasswordDialog& sharePasswordDialog() { return *console().dialogs().sharePassword; }
    void typeInto(QLineEdit* field, const QString& text) {
        field->clear();
        QTest::keyClicks(field, text);
    }
};

TEST_F(SmbPage, ShowsFoldersAndSharesAndEnablesTheButtonsThatFitTheClick) {
    startLogged();
    logIn();
    openSmbTab();
    EXPECT_EQ(names(folders()), (QStringList{s("Documents"), s("Music"), s("Photos"), s("Backup")}));
    EXPECT_EQ(names(shares()), (QStringList{s("0"), s("Documents"), s("Music")}));
    expectSettled();

    struct Step {
        bool folderList;
        const char* item;
        QStringList enabled;
    };
    const QList<Step> steps{
        {true, "Photos", {s("ShowCreateBtn"), s("ShowRenameBtn"), s("ShowDeleteBtn"), s("MovetoPublicBtn")}},
        {false, "Music", {s("ShowPublicPassBtn"), s("MovetoSMBBtn")}},
        {true, "Backup", {s("ShowCreateBtn"), s("ShowRenameBtn"), s("ShowDeleteBtn"), s("MovetoPublicBtn")}},
        {false, "0", {s("ShowPublicPassBtn"), s("MovetoSMBBtn")}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.item);
        clickItem(step.folderList ? folders() : shares(), s(step.item));
        EXPECT_EQ(enabledButtons(), step.enabled);
        QListWidget* clicked = step.folderList ? folders() : shares();
        QListWidget* other = step.folderList ? shares() : folders();
        ASSERT_EQ(clicked->selectedItems().size(), 1);
        EXPECT_EQ(clicked->selectedItems()[0]->text(), s(step.item));
        EXPECT_TRUE(other->selectedItems().isEmpty()) << "the other list lost its selection";
    }

    // Opening a dialog leaves no button on and no folder selected.
    clickItem(folders(), s("Photos"));
    click("ShowCreateBtn");
    EXPECT_TRUE(createFolderDialog().isVisible());
    EXPECT_TRUE(enabledButtons().isEmpty());
    EXPECT_TRUE(folders()->selectedItems().isEmpty());
    EXPECT_TRUE(cgiRequests().isEmpty());
}

TEST_F(SmbPage, PublishWithdrawAndDeleteSendOneRequestAndShowTheNewState) {
    struct Row {
        const char* what;
        bool folderList;
        const char* item;
        const char* button;
        bool confirm;
        const char* request; // nullptr: nothing is sent
        QStringList foldersAfter;
        QStringList sharesAfter;
    };
    const QStringList allFolders{s("Documents"), s("Music"), s("Photos"), s("Backup")};
    const QStringList allShares{s("0"), s("Documents"), s("Music")};
    const QList<Row> rows{
        {"publish", true, "Photos", "MovetoPublicBtn", true,
         "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&share_list=Photos&add=New", allFolders,
         allShares + QStringList{s("Photos")}},
        {"withdraw",
         false,
         "Music",
         "MovetoSMBBtn",
         true,
         "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&allow_share=Music&del=Remove",
         allFolders,
         {s("0"), s("Documents")}},
        {"delete, OK",
         true,
         "Music",
         "ShowDeleteBtn",
         true,
         "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rmdir_apply&folder=Music&to_name=",
         {s("Documents"), s("Photos"), s("Backup")},
         {s("0"), s("Documents")}},
        {"delete, Cancel", true, "Backup", "ShowDeleteBtn", false, nullptr, allFolders, allShares},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        startLogged();
        logIn();
        openSmbTab();
        recorder->answers = {row.confirm};
        clickItem(row.folderList ? folders() : shares(), s(row.item));
        click(row.button);
        const QList<QByteArray> sent = cgiRequests();
        if (row.request) {
            EXPECT_EQ(sent, QList<QByteArray>{row.request});
        } else {
            EXPECT_TRUE(sent.isEmpty());
        }
        EXPECT_EQ(names(folders()), row.foldersAfter);
        EXPECT_EQ(names(shares()), row.sharesAfter);
        expectSettled();
        const bool asked = QString::fromLatin1(row.button) == s("ShowDeleteBtn");
        ASSERT_EQ(recorder->boxes.size(), asked ? 1 : 0) << boxTexts().join(s("; ")).toStdString();
        if (asked) {
            EXPECT_TRUE(recorder->boxes[0].confirmation);
            EXPECT_EQ(recorder->boxes[0].text,
                      s("Folder selected and its contents will be deleted!\nAre you sure?\n") + s(row.item));
            EXPECT_EQ(recorder->boxes[0].caption, s("SMB Server"));
        }
        TearDown();
        sim.reset();
        QFile::remove(logPath());
    }
}

TEST_F(SmbPage, ANonAsciiFolderGoesBackAsTheBytesTheUnitSent) {
    startLogged(2);
    logIn(s("127.0.0.3"));
    openSmbTab();
    const QString musica = s("M\u00fasica");
    ASSERT_TRUE(names(folders()).contains(musica));
    clickItem(folders(), musica);
    click("MovetoPublicBtn");
    ASSERT_TRUE(names(shares()).contains(musica)) << "published";
    clickItem(shares(), musica);
    click("MovetoSMBBtn");
    EXPECT_FALSE(names(shares()).contains(musica)) << "withdrawn";
    EXPECT_EQ(cgiRequests(),
              (QList<QByteArray>{
                  "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&share_list=M%c3%basica&add=New",
                  "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&allow_share=M%c3%basica&del=Remove"}));
    EXPECT_TRUE(recorder->boxes.isEmpty()) << boxTexts().join(s("; ")).toStdString();
}

TEST_F(SmbPage, BlanksHyphensAndTheTwelveByteLimitOnPublish) {
    FixedPageServer unit(
        "<HTML>\r\nshare_list=\"<option value=\"My Docs\">My Docs</option>"
        "<option value=\"a-b\">a-b</option><option value=\"Twelve_bytes\">Twelve_bytes</option>"
        "<option value=\"Thirteen_byte\">Thirteen_byte</option>"
        "<option value=\"\xc3\xa9t\xc3\xa9_2024_ab\">x</option><option value=\"\xe9t\xe9\">x</option>\";\r\n"
        "allow_share=\"\";\r\n</HTML>\r\n");
    startWindows(unit.port());
    Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    console().pageControl()->setCurrentIndex(Console::kSmbPage);
    console().show();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return folders()->count() == 6; }));

    struct Row {
        int item;
        const char* sent; // the share_list value, or nullptr: refused before sending
    };
    const QList<Row> rows{
        {0, "My+Docs"}, {1, "a%2db"}, {2, "Twelve%5fbytes"}, {3, nullptr}, // 13 bytes
        {4, nullptr},                                                      // 11 characters, 13 bytes
        {5, "%e9t%e9"}, // not UTF-8: shown as best it can be, sent as it came
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item);
        recorder->boxes.clear();
        unit.received.clear();
        QListWidget* list = folders();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row.item)).center());
        click("MovetoPublicBtn");
        QList<QByteArray> cgi;
        for (const QByteArray& line : unit.received)
            if (line.contains("nas.cgi"))
                cgi << line;
        if (row.sent) {
            ASSERT_EQ(cgi.size(), 1);
            EXPECT_TRUE(cgi[0].contains("&share_list=" + QByteArray(row.sent) + "&add=New ")) << cgi[0].toStdString();
        } else {
            EXPECT_TRUE(cgi.isEmpty());
            EXPECT_EQ(boxTexts(), QStringList{s("Over Maximum 12 characters.")});
            EXPECT_TRUE(enabledButtons().isEmpty()) << "the buttons wait for the next click";
        }
    }
}

TEST_F(SmbPage, DialogsSendTheirRequestEmptyTheirFieldsAndHide) {
    startLogged();
    logIn();
    openSmbTab();

    // Create: the name is trimmed, a hyphen goes out encoded.
    click("ShowCreateBtn");
    ASSERT_TRUE(createFolderDialog().isVisible());
    EXPECT_TRUE(enabledButtons().isEmpty());
    typeInto(createFolderDialog().foldernameEdit(), s(" New-Dir "));
    QTest::mouseClick(createFolderDialog().createFBtn(), Qt::LeftButton);
    EXPECT_FALSE(createFolderDialog().isVisible());
    EXPECT_TRUE(createFolderDialog().foldernameEdit()->text().isEmpty());
    EXPECT_TRUE(names(folders()).contains(s("New-Dir")));
    expectSettled();

    // Rename: the old name is the clicked folder; both fields are emptied.
    clickItem(folders(), s("Photos"));
    click("ShowRenameBtn");
    ASSERT_TRUE(renameFolderDialog().isVisible());
    EXPECT_EQ(renameFolderDialog().oldFoldernameEdit()->text(), s("Photos"));
    EXPECT_FALSE(renameFolderDialog().oldFoldernameEdit()->isEnabled());
    EXPECT_TRUE(folders()->selectedItems().isEmpty());
    typeInto(renameFolderDialog().newFoldernameEdit(), s("Pics"));
    QTest::mouseClick(renameFolderDialog().renameFBtn(), Qt::LeftButton);
    EXPECT_FALSE(renameFolderDialog().isVisible());
    EXPECT_TRUE(renameFolderDialog().oldFoldernameEdit()->text().isEmpty());
    EXPECT_TRUE(renameFolderDialog().newFoldernameEdit()->text().isEmpty());
    EXPECT_EQ(names(folders()), (QStringList{s("Documents"), s("Music"), s("Pics"), s("Backup"), s("New-Dir")}));

    // Share password: the clicked share; all three fields are emptied.
    clickItem(shares(), s("Music"));
    click("ShowPublicPassBtn");
    ASSERT_TRUE(sharePasswordDialog().isVisible());
    EXPECT_EQ(sharePasswordDialog().publicFolderEdit()->text(), s("Music"));
    typeInto(sharePasswordDialog().publicPassEdit(), s("open sesame"));
    typeInto(sharePasswordDialog().verifyPassEdit(), s("open sesame"));
    QTest::mouseClick(sharePasswordDialog().publicPassBtn(), Qt::LeftButton);
    EXPECT_FALSE(sharePasswordDialog().isVisible());
    for (QLineEdit* field : {sharePasswordDialog().publicFolderEdit(), sharePasswordDialog().publicPassEdit(),
                             sharePasswordDialog().verifyPassEdit()})
        EXPECT_TRUE(field->text().isEmpty()) << field->objectName().toStdString();
    expectSettled();

    EXPECT_EQ(
        cgiRequests(),
        (QList<QByteArray>{"/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_mkdir_apply&folder=New%2dDir&to_name=",
                           "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rename_apply&folder=Pics&to_name=Photos",
                           "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_mod&folder=Music&password1=open+sesame"
                           "&password2=open+sesame"}));
    EXPECT_TRUE(recorder->boxes.isEmpty()) << boxTexts().join(s("; ")).toStdString();
}

TEST_F(SmbPage, RefusedDialogInputSendsNothingAndKeepsTheWindowOpen) {
    startLogged();
    logIn();
    openSmbTab();

    struct Row {
        const char* typed;
        const char* message;
        const char* fieldAfter;
    };
    const QList<Row> nameRows{
        {"   ", "Value is empty", ""},
        {"a.b", "Only English characters or numbers accepted.", ""},
        {" ab! ", "Only English characters or numbers accepted.", ""},
    };
    click("ShowCreateBtn");
    for (const Row& row : nameRows) {
        SCOPED_TRACE(row.typed);
        recorder->boxes.clear();
        typeInto(createFolderDialog().foldernameEdit(), s(row.typed));
        QTest::mouseClick(createFolderDialog().createFBtn(), Qt::LeftButton);
        EXPECT_EQ(boxTexts(), QStringList{s(row.message)});
        EXPECT_EQ(createFolderDialog().foldernameEdit()->text(), s(row.fieldAfter));
        EXPECT_TRUE(createFolderDialog().isVisible());
    }

    // The password dialog keeps its folder, not editable, and the next Set still names it.
    clickItem(shares(), s("Documents"));
    click("ShowPublicPassBtn");
    const QList<std::pair<const char*, const char*>> passwordRows{
        {"abc", "abd"},
        {"thirteen_char", "other"},
    };
    const QStringList passwordMessages{s("New password entries do not match!"), s("Over Maximum 12 characters.")};
    for (int i = 0; i < passwordRows.size(); ++i) {
        SCOPED_TRACE(i);
        recorder->boxes.clear();
        typeInto(sharePasswordDialog().publicPassEdit(), s(passwordRows[i].first));
        typeInto(sharePasswordDialog().verifyPassEdit(), s(passwordRows[i].second));
        QTest::mouseClick(sharePasswordDialog().publicPassBtn(), Qt::LeftButton);
        EXPECT_EQ(boxTexts(), QStringList{passwordMessages[i]});
        EXPECT_EQ(sharePasswordDialog().publicFolderEdit()->text(), s("Documents"));
        EXPECT_FALSE(sharePasswordDialog().publicFolderEdit()->isEnabled());
        EXPECT_TRUE(sharePasswordDialog().publicPassEdit()->text().isEmpty());
        EXPECT_TRUE(sharePasswordDialog().verifyPassEdit()->text().isEmpty());
        EXPECT_TRUE(sharePasswordDialog().isVisible());
    }
    EXPECT_TRUE(cgiRequests().isEmpty());
    recorder->boxes.clear();
    typeInto(sharePasswordDialog().publicPassEdit(), s(" pw "));
    typeInto(sharePasswordDialog().verifyPassEdit(), s("pw"));
    QTest::mouseClick(sharePasswordDialog().publicPassBtn(), Qt::LeftButton);
    EXPECT_EQ(cgiRequests(), QList<QByteArray>{"/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_mod"
                                               "&folder=Documents&password1=pw&password2=pw"});
    EXPECT_FALSE(sharePasswordDialog().isVisible());
}

TEST_F(SmbPage, ClosingADialogHidesItKeepsItsTextAndOffersCreateAgain) {
    startLogged();
    logIn();
    openSmbTab();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        Console::NameDialog* dialog = nullptr;
        QLineEdit* field = nullptr;
        if (i == 0) {
            click("ShowCreateBtn");
            dialog = &createFolderDialog();
            field = createFolderDialog().foldernameEdit();
        } else if (i == 1) {
            clickItem(folders(), s("Music"));
            click("ShowRenameBtn");
            dialog = &renameFolderDialog();
            field = renameFolderDialog().newFoldernameEdit();
        } else {
            clickItem(shares(), s("Music"));
            click("ShowPublicPassBtn");
            dialog = &sharePasswordDialog();
            field = sharePasswordDialog().publicPassEdit();
        }
        ASSERT_TRUE(dialog->isVisible());
        EXPECT_TRUE(enabledButtons().isEmpty());
        typeInto(field, s("kept"));
        dialog->close();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(field->text(), s("kept"));
        EXPECT_EQ(enabledButtons(), QStringList{s("ShowCreateBtn")});
    }
    EXPECT_TRUE(cgiRequests().isEmpty());
}

// A Ctrl+click that clears a list's selection leaves no button of that list to press, and
// the buttons' own handlers, reached anyway, neither ask nor send.
TEST_F(SmbPage, NoSelectionNoQuestionAndNoRequest) {
    startLogged();
    logIn();
    openSmbTab();
    Console::SmbTab* page = console().findChild<Console::SmbTab*>();
    ASSERT_NE(page, nullptr);
    const struct {
        bool folderList;
        const char* item;
        void (Console::SmbTab::*handler)();
    } rows[] = {
        {true, "Music", &Console::SmbTab::ShowDeleteBtnClick},
        {true, "Music", &Console::SmbTab::MovetoPublicBtnClick},
        {true, "Music", &Console::SmbTab::ShowRenameBtnClick},
        {false, "Documents", &Console::SmbTab::MovetoSMBBtnClick},
        {false, "Documents", &Console::SmbTab::ShowPublicPassBtnClick},
    };
    recorder->answers = {true, true, true, true, true};
    for (const auto& row : rows) {
        QListWidget* list = row.folderList ? folders() : shares();
        clickItem(list, s(row.item));
        const QRect at = list->visualItemRect(list->findItems(s(row.item), Qt::MatchExactly).first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, at.center());
        EXPECT_TRUE(list->selectedItems().isEmpty()) << row.item;
        EXPECT_EQ(enabledButtons(), QStringList{s("ShowCreateBtn")}) << row.item;
        (page->*row.handler)();
    }
    EXPECT_TRUE(cgiRequests().isEmpty()) << cgiRequests().value(0).toStdString();
    EXPECT_TRUE(recorder->boxes.isEmpty()) << boxTexts().join(s("; ")).toStdString();
    EXPECT_FALSE(renameFolderDialog().isVisible());
    EXPECT_FALSE(sharePasswordDialog().isVisible());
}

// A unit whose names are not all UTF-8 and whose values do not fit the fields: each item is
// shown so that look-alikes differ and goes back as its own bytes, and no field cuts a value.
TEST(UnitValues, LookAlikesAndLongValuesAreShownWholeAndSentExactly) {
    const QByteArray folders = "<option value=\"caf\xe9\">x</option><option value=\"caf\xef\xbf\xbd\">x</option>"
                               "<option value=\"a\nb\">x</option><option value=\"\xe2\x80\xae"
                               "evil\">x</option>"
                               "<option value=\"ABCDEFGHIJKLM\">x</option>";
    FixedPageServer unit(
        "<HTML>\r\nhost_name=\"NAS9\";\r\nshare_list=\"" + folders + "\";\r\nallow_share=\"\";\r\n" +
        "ftps_dir_list=\"" + folders + "\";\r\nftps_home_def=\"caf\xe9\";\r\nftps_account=\"alice\";\r\n" +
        "ftps_account_passwd=\"0123456789abcdef\";\r\ndisk_idle_value=\"120\";disk_idle_stu=\"\";\r\n" + "</HTML>\r\n");
    Base::NetworkSettings settings;
    settings.broadcast = {s("127.255.255.255")};
    settings.discoveryPort = TestSupport::freeUdpPort();
    settings.devicePort = unit.port();
    App::WindowSet windows(settings, [] {});
    TestSupport::MessageRecorder& recorder = TestSupport::installRecorder();
    Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("admin")};
    Console::ConsoleWindow& console = windows.consoleWindow();
    console.showOnFirstPage();
    const auto sentSince = [&](qsizetype mark) {
        QList<QByteArray> sent;
        for (const QByteArray& line : unit.received.mid(mark))
            if (line.contains(".cgi"))
                sent << line.mid(line.indexOf("&type=") + 6, line.lastIndexOf(" HTTP/") - line.indexOf("&type=") - 6);
        return sent;
    };
    const auto listed = [](const QListWidget* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    };
    const QStringList shown{s("caf\\xe9"), s("caf\ufffd"), s("a\\x0ab"), s("\\u202eevil"), s("ABCDEFGHIJKLM")};

    console.bringPageIntoView(Console::kSmbPage);
    auto* smbFolders = console.findChild<QListWidget*>(s("SMBFolderLB"));
    EXPECT_EQ(listed(smbFolders), shown);
    recorder.answers = {true};
    smbFolders->setCurrentRow(1);
    console.findChild<Console::SmbTab*>()->ShowDeleteBtnClick();
    EXPECT_EQ(sentSince(0), QList<QByteArray>{"fm_rmdir_apply&folder=caf%ef%bf%bd&to_name="});
    ASSERT_FALSE(recorder.boxes.isEmpty());
    EXPECT_TRUE(recorder.boxes.first().text.endsWith(s("\ncaf\ufffd"))) << recorder.boxes.first().text.toStdString();

    console.bringPageIntoView(Console::kFtpPage);
    auto* home = console.findChild<QComboBox*>(s("AnonyHDCB"));
    EXPECT_EQ(home->currentIndex(), 0) << "the home folder found by its bytes";
    home->setCurrentIndex(1);
    qsizetype mark = unit.received.size();
    console.findChild<Console::FtpTab*>()->AnonyBtnClick();
    ASSERT_EQ(sentSince(mark).size(), 1);
    EXPECT_TRUE(sentSince(mark).first().contains("&home=caf%EF%BF%BD&")) << sentSince(mark).first().toStdString();

    console.setModifyFtpTabVisible(true);
    console.bringPageIntoView(Console::kModifyFtpPage);
    EXPECT_EQ(console.findChild<QLineEdit*>(s("ModFTPPassEdit"))->text(), s("0123456789abcdef"));
    recorder.boxes.clear();
    mark = unit.received.size();
    console.findChild<Console::FtpAccountTab*>()->ModFTPBtnClick();
    EXPECT_TRUE(sentSince(mark).isEmpty()) << "a stored password over 12 bytes is never sent cut";
    ASSERT_EQ(recorder.boxes.size(), 1);
    EXPECT_EQ(recorder.boxes.first().text, s("Over Maximum 12 characters."));
    auto* accountFolders = console.findChild<QListWidget*>(s("FTPSFLB"));
    accountFolders->setCurrentRow(4);
    console.findChild<Console::FtpAccountTab*>()->ShowModRenameBtnClick();
    Console::RenameAccountFolderDialog& rename = *console.dialogs().renameAccountFolder;
    EXPECT_EQ(rename.modRenOldnameEdit()->text(), s("ABCDEFGHIJKLM"));
    rename.modRenNewnameEdit()->setText(s("New"));
    mark = unit.received.size();
    QTest::mouseClick(rename.findChild<QPushButton*>(s("ModRenameFBtn")), Qt::LeftButton);
    EXPECT_EQ(sentSince(mark), QList<QByteArray>{"fm_rename_apply&folder=New&to_name=ABCDEFGHIJKLM"});

    console.bringPageIntoView(Console::kDiskPage);
    EXPECT_EQ(console.findChild<QLineEdit*>(s("DiskSleepTimeEdit"))->text(), s("120"));
    recorder.boxes.clear();
    mark = unit.received.size();
    QTest::mouseClick(console.findChild<QPushButton*>(s("DiskSleepBtn")), Qt::LeftButton);
    EXPECT_TRUE(sentSince(mark).isEmpty());
    ASSERT_EQ(recorder.boxes.size(), 1);
    EXPECT_EQ(recorder.boxes.first().text, s("Invalid Sleep Time"));
}

} // namespace
