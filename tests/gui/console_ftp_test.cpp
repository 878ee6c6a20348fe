// The console's FTP Server and Modify FTP pages with their three dialogs,
// offscreen, against zuredor-sim: each action as the unit receives it, in
// order, and the pages as they show the unit afterwards.

#include "console_fixture.h"
#include "support/cli_run.h"

#include "console/console_dialogs.h"
#include "console/page_control.h"
#include "console/page_tabs.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTableWidget>

namespace {

using namespace ConsoleTest;

class FtpPages : public ConsoleFixture {
protected:
    void SetUp() override {
        startLogged(1, extra);
        logIn();
        openPage(Console::kFtpPage);
    }

    QTableWidget* accounts() { return control<QTableWidget>("AccountLV"); }
    QList<QStringList> rows() {
        QList<QStringList> all;
        for (int row = 0; row < accounts()->rowCount(); ++row) {
            QStringList texts;
            for (int column = 0; column < accounts()->columnCount(); ++column)
                texts << accounts()->item(row, column)->text();
            all << texts;
        }
        return all;
    }
    void clickAccount(const QString& user) {
        const QList<QTableWidgetItem*> found = accounts()->findItems(user, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << user.toStdString();
        QTest::mouseClick(accounts()->viewport(), Qt::LeftButton, {}, accounts()->visualItemRect(found[0]).center());
    }
    bool accountButtonsOn() {
        return control("AccModifyBtn")->isEnabled() && control("AccStatusBtn")->isEnabled() &&
               control("AccDelBtn")->isEnabled();
    }
    bool accountButtonsOff() {
        return !control("AccModifyBtn")->isEnabled() && !control("AccStatusBtn")->isEnabled() &&
               !control("AccDelBtn")->isEnabled();
    }
    bool modifyTabShown() { return console().pageControl()->isTabVisible(Console::kModifyFtpPage); }

    QListWidget* folders() { return control<QListWidget>("FTPSFLB"); }
    QListWidget* shares() { return control<QListWidget>("FTPSSharLB"); }
    void clickItem(QListWidget* list, const QString& text) {
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
    }
    void typeInto(QLineEdit* field, const QString& text) {
        field->clear();
        QTest::keyClicks(field, text);
    }
    // The CGI requests sent since the mark, past "/nas.cgi?redirect=".
    QList<QByteArray> sentSince(qsizetype mark) {
        QList<QByteArray> sent;
        for (const QByteArray& target : cgiRequests().mid(mark))
            sent << target.mid(int(qstrlen("/nas.cgi?redirect=")));
        return sent;
    }
    void openModify(const QString& user) {
        clickAccount(user);
        click("AccModifyBtn");
        ASSERT_EQ(console().pageControl()->currentIndex(), Console::kModifyFtpPage);
    }

    QStringList extra;
};

TEST_F(FtpPages, ShowsTheUnitsSettingsAndAccountsAndSelectingARowOffersItsButtons) {
    EXPECT_EQ(control<QComboBox>("FTPStatusCB")->currentIndex(), 0);
    EXPECT_EQ(edit("FTPPortEdit")->text(), s("21"));
    EXPECT_TRUE(control<QRadioButton>("AnonyDisRB")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("AnonyReadORB")->isChecked());
    EXPECT_EQ(control<QComboBox>("AnonyHDCB")->currentText(), s("Documents"));
    EXPECT_EQ(rows(), (QList<QStringList>{{s("alice"), s("wonder1"), s("Read Only"), s("Enable"), s("1")},
                                          {s("bob"), s("builder"), s("Read/Write"), s("Enable"), s("2")}}));
    EXPECT_TRUE(accountButtonsOff());
    EXPECT_FALSE(modifyTabShown());

    clickAccount(s("bob"));
    EXPECT_TRUE(accountButtonsOn());
    EXPECT_TRUE(cgiRequests().isEmpty()) << "a click sends nothing";
}

TEST_F(FtpPages, ServerAndAnonymousSettingsSendWhatWasChosenOrNothingWithTheWindowsWords) {
    const struct {
        const char* port;
        const char* request; // nullptr: refused with `box`
        const char* box;
    } cases[] = {
        {"20", nullptr, "Invalid port number"},
        {"1024", nullptr, "Invalid port number"},
        {"65501", nullptr, "Invalid port number"},
        {"ab", nullptr, "'ab' is not a valid integer value."},
        {"0021", "ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set=DISABLE&ftps_port=0021", nullptr},
        {"65500", "ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set=DISABLE&ftps_port=65500", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        control<QComboBox>("FTPStatusCB")->setCurrentIndex(1);
        type("FTPPortEdit", s(c.port));
        const qsizetype mark = cgiRequests().size();
        recorder->boxes.clear();
        click("FTPStatusBtn");
        if (c.request) {
            EXPECT_EQ(sentSince(mark), QList<QByteArray>{c.request});
            EXPECT_TRUE(boxTexts().isEmpty());
        } else {
            EXPECT_TRUE(sentSince(mark).isEmpty());
            EXPECT_EQ(boxTexts(), QStringList{s(c.box)});
        }
    }
    EXPECT_EQ(control<QComboBox>("FTPStatusCB")->currentIndex(), 1) << "the page read back shows the server off";
    EXPECT_EQ(edit("FTPPortEdit")->text(), s("65500"));

    click("AnonyEnRB");
    click("AnonyWriteRB");
    control<QComboBox>("AnonyHDCB")->setCurrentIndex(2);
    const qsizetype mark = cgiRequests().size();
    click("AnonyBtn");
    EXPECT_EQ(sentSince(mark), QList<QByteArray>{"ftp.htm&failure=fail.htm&type=ftps_anonymous_apply&ftp_anon_stu="
                                                 "ENABLE&ftp_a_att=RW&home=Photos&anony_Apply=Apply"});
    EXPECT_TRUE(control<QRadioButton>("AnonyEnRB")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("AnonyWriteRB")->isChecked());
    EXPECT_EQ(control<QComboBox>("AnonyHDCB")->currentText(), s("Photos"));
}

TEST_F(FtpPages, AccountButtonsNameTheAccountByValueOrByRowAndTheListFollows) {
    // Create: a new account number first, then the dialog's name with read-only access.
    qsizetype mark = cgiRequests().size();
    click("AccAddBtn");
    Console::CreateAccountDialog& createAccountDialog = *console().dialogs().createAccount;
    ASSERT_TRUE(createAccountDialog.isVisible());
    EXPECT_EQ(sentSince(mark), QList<QByteArray>{"ftp_add.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=255"});
    typeInto(createAccountDialog.ftpAddAccEdit(), s(" carol "));
    QTest::mouseClick(createAccountDialog.ftpAddAccBtn(), Qt::LeftButton);
    EXPECT_FALSE(createAccountDialog.isVisible());
    EXPECT_TRUE(createAccountDialog.ftpAddAccEdit()->text().isEmpty());
    EXPECT_EQ(sentSince(mark).last(),
              QByteArray("ftp.htm&failure=fail.htm&type=ftps_user_add&Account=carol&ftp_att=R"));
    ASSERT_EQ(accounts()->rowCount(), 3);
    EXPECT_EQ(accounts()->item(2, 0)->text(), s("carol"));

    // En/Disable names the row's place in the list, delete its value.
    mark = cgiRequests().size();
    clickAccount(s("carol"));
    click("AccStatusBtn");
    EXPECT_EQ(sentSince(mark), QList<QByteArray>{"ftp.htm&failure=fail.htm&type=ftps_user_enabled&FTP_AC_LIST=2"});
    EXPECT_EQ(accounts()->item(2, 3)->text(), s("Disable"));
    EXPECT_TRUE(accountButtonsOff()) << "the page was read again";

    const QString carolValue = accounts()->item(2, 4)->text();
    recorder->answers = {false, true};
    for (const bool ok : {false, true}) {
        mark = cgiRequests().size();
        clickAccount(s("carol"));
        click("AccDelBtn");
        EXPECT_EQ(recorder->boxes.last().text, s("Selected account will be delete.Are you sure?\ncarol"));
        EXPECT_EQ(recorder->boxes.last().caption, s("Account List"));
        EXPECT_EQ(sentSince(mark), ok ? QList<QByteArray>{"ftp.htm&failure=fail.htm&type=ftps_user_del&FTP_AC_LIST=" +
                                                          carolValue.toUtf8()}
                                      : QList<QByteArray>{})
            << (ok ? "OK" : "Cancel");
    }
    EXPECT_EQ(accounts()->rowCount(), 2);
}

TEST_F(FtpPages, TheAccountDialogRefusesWithItsLowerCaseWordsAndSendsNoName) {
    click("AccAddBtn");
    Console::CreateAccountDialog& createAccountDialog = *console().dialogs().createAccount;
    const qsizetype mark = cgiRequests().size();
    const struct {
        const char* typed;
        const char* box;
    } cases[] = {
        {"   ", "Value is empty"},
        {"car ol", "only English characters or numbers accepted."},
        {"carol!", "only English characters or numbers accepted."},
    };
    for (const auto& c : cases) {
        recorder->boxes.clear();
        typeInto(createAccountDialog.ftpAddAccEdit(), s(c.typed));
        QTest::mouseClick(createAccountDialog.ftpAddAccBtn(), Qt::LeftButton);
        EXPECT_EQ(boxTexts(), QStringList{s(c.box)}) << c.typed;
        EXPECT_EQ(recorder->boxes.value(0).caption, s("FTP Server"));
        EXPECT_TRUE(createAccountDialog.isVisible());
    }
    EXPECT_TRUE(sentSince(mark).isEmpty());
    createAccountDialog.close();
    EXPECT_TRUE(control("AccAddBtn")->isEnabled());
}

TEST_F(FtpPages, ModifyOpensTheAccountAndEveryChangeThereReadsItBack) {
    qsizetype mark = cgiRequests().size();
    openModify(s("alice"));
    EXPECT_EQ(sentSince(mark), QList<QByteArray>{"ftp_mod.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=1"});
    EXPECT_TRUE(modifyTabShown());
    // Seven tabs and every caption whole within the page control.
    const Console::ConsoleTabBar* tabs = console().pageControl()->consoleTabBar();
    for (int tab = 0; tab < Console::kPageCount; ++tab) {
        const QRect r = tabs->tabRect(tab);
        EXPECT_LE(tabs->mapTo(console().pageControl(), r.topRight()).x(), console().pageControl()->width()) << tab;
        EXPECT_GE(r.width(), tabs->fontMetrics().horizontalAdvance(tabs->tabText(tab))) << tab;
    }
    EXPECT_EQ(control<QLabel>("ModFTPAccLabel")->text(), s("alice"));
    EXPECT_EQ(edit("ModFTPPassEdit")->text(), s("wonder1"));
    EXPECT_EQ(edit("ModFTPPassEdit")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(control<QRadioButton>("ModFTPReadRB")->isChecked());
    EXPECT_EQ(names(folders()), (QStringList{s("Documents"), s("Music"), s("Photos"), s("Backup")}));
    EXPECT_EQ(names(shares()), QStringList{s("Documents")});

    struct Step {
        const char* what;
        std::function<void()> act;
        QByteArray request;
        QStringList sharesAfter;
    };
    const QList<Step> steps{
        {"Set unchanged sends the stored password again",
         [this] { click("ModFTPBtn"); },
         "ftp_mod.htm&failure=fail.htm&type=ftps_user_add&Account=alice&Account_passwd=wonder1&ftp_att=R",
         {s("Documents")}},
        {"a new password of 12 and read/write",
         [this] {
             type("ModFTPPassEdit", s("new pass 12!x"));
             click("ModFTPWriteRB");
             click("ModFTPBtn");
         },
         "ftp_mod.htm&failure=fail.htm&type=ftps_user_add&Account=alice&Account_passwd=new+pass+12%21&ftp_att=W",
         {s("Documents")}},
        {"give a folder",
         [this] {
             clickItem(folders(), s("Photos"));
             click("ModMovetoSharBtn");
         },
         "ftp_mod.htm&failure=fail.htm&type=ftps_add_share&account=alice&account_List=Photos&op_add=Add",
         {s("Documents"), s("Photos")}},
        {"take a folder",
         [this] {
             clickItem(shares(), s("Documents"));
             click("ModMovetoFolderBtn");
         },
         "ftp_mod.htm&failure=fail.htm&type=ftps_del_share&account=alice&account_List=Documents&op_del=Delete",
         {s("Photos")}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        mark = cgiRequests().size();
        step.act();
        EXPECT_EQ(sentSince(mark), QList<QByteArray>{step.request});
        EXPECT_EQ(names(shares()), step.sharesAfter);
        EXPECT_TRUE(control("ShowModCreateBtn")->isEnabled());
        EXPECT_FALSE(control("ModMovetoSharBtn")->isEnabled());
        EXPECT_TRUE(folders()->selectedItems().isEmpty() && shares()->selectedItems().isEmpty());
    }
    EXPECT_EQ(edit("ModFTPPassEdit")->text(), s("new pass 12!"));
    EXPECT_TRUE(control<QRadioButton>("ModFTPWriteRB")->isChecked());

    click("BackBtn");
    EXPECT_EQ(console().pageControl()->currentIndex(), Console::kFtpPage);
    EXPECT_FALSE(modifyTabShown());
    EXPECT_EQ(rows().value(0).value(2), s("Read/Write")) << "the FTP page was read again";
}

// A second client (a script here) selects bob on the unit while the page shows alice: no
// change that relies on the unit's selection is sent, the person is told, the page shows bob.
TEST_F(FtpPages, AnotherClientsSelectionStopsEveryChangeThatReliesOnIt) {
    const struct {
        const char* button;
        const char* list; // the list an item is picked from first, if any
        const char* item;
    } buttons[] = {{"ModFTPBtn", nullptr, nullptr},
                   {"ModMovetoSharBtn", "FTPSFLB", "Music"},
                   {"ModMovetoFolderBtn", "FTPSSharLB", "Documents"}};
    for (const auto& row : buttons) {
        openModify(s("alice"));
        const TestSupport::CliRun other =
            TestSupport::runCli({s("ftp"), s("account"), s("127.0.0.2"), s("bob"), s("--device-port"),
                                 QString::number(sim->devicePort()), s("-p"), s("admin")});
        ASSERT_EQ(other.exitCode, 0) << other.out.toStdString();
        if (row.list)
            clickItem(control<QListWidget>(row.list), s(row.item));
        recorder->boxes.clear();
        const qsizetype mark = cgiRequests().size();
        click(row.button);
        EXPECT_TRUE(sentSince(mark).isEmpty()) << row.button << ": " << sentSince(mark).value(0).toStdString();
        ASSERT_EQ(recorder->boxes.size(), 1) << row.button;
        EXPECT_EQ(recorder->boxes[0].text, s("The unit's FTP page now shows account \"bob\", not \"alice\"; another "
                                             "client may be changing accounts. Nothing was changed."));
        EXPECT_EQ(control<QLabel>("ModFTPAccLabel")->text(), s("bob")) << row.button;
        click("BackBtn");
    }
    // Neither account's password changed.
    ASSERT_EQ(rows().size(), 2);
    EXPECT_EQ(rows()[0][1], s("wonder1"));
    EXPECT_EQ(rows()[1][1], s("builder"));
}

TEST_F(FtpPages, FolderDialogsOfTheAccountPageAndTheirChecks) {
    openModify(s("bob"));
    Console::CreateAccountFolderDialog& createAccountFolderDialog = *console().dialogs().createAccountFolder;
    Console::RenameAccountFolderDialog& renameAccountFolderDialog = *console().dialogs().renameAccountFolder;

    qsizetype mark = cgiRequests().size();
    click("ShowModCreateBtn");
    ASSERT_TRUE(createAccountFolderDialog.isVisible());
    typeInto(createAccountFolderDialog.modCreateFEdit(), s("Scans"));
    QTest::mouseClick(createAccountFolderDialog.modCreateFBtn(), Qt::LeftButton);
    EXPECT_EQ(sentSince(mark), QList<QByteArray>{"smb.htm&failure=fail.htm&type=fm_mkdir_apply&folder=Scans&to_name="});
    EXPECT_FALSE(createAccountFolderDialog.isVisible());
    EXPECT_TRUE(names(folders()).contains(s("Scans")));

    // Renaming to the same name is stopped between the length and the character checks.
    clickItem(folders(), s("Scans"));
    click("ShowModRenameBtn");
    ASSERT_TRUE(renameAccountFolderDialog.isVisible());
    EXPECT_EQ(renameAccountFolderDialog.modRenOldnameEdit()->text(), s("Scans"));
    EXPECT_FALSE(renameAccountFolderDialog.modRenOldnameEdit()->isEnabled());
    const struct {
        const char* typed;
        const char* caption;
        bool oldNameEditable;
    } refusals[] = {
        {" Scans ", "Modify FTPS", false},
        {"ÄÄÄÄÄÄÄ", "Modify FTP Account Folder List", true},
    };
    mark = cgiRequests().size();
    for (const auto& r : refusals) {
        recorder->boxes.clear();
        typeInto(renameAccountFolderDialog.modRenNewnameEdit(), s(r.typed));
        QTest::mouseClick(renameAccountFolderDialog.modRenameFBtn(), Qt::LeftButton);
        ASSERT_EQ(recorder->boxes.size(), 1) << r.typed;
        EXPECT_EQ(recorder->boxes[0].caption, s(r.caption));
        EXPECT_TRUE(renameAccountFolderDialog.modRenNewnameEdit()->text().isEmpty());
        EXPECT_EQ(renameAccountFolderDialog.modRenOldnameEdit()->isEnabled(), r.oldNameEditable);
        EXPECT_TRUE(renameAccountFolderDialog.isVisible());
    }
    EXPECT_TRUE(sentSince(mark).isEmpty());
    typeInto(renameAccountFolderDialog.modRenNewnameEdit(), s("Scanned"));
    QTest::mouseClick(renameAccountFolderDialog.modRenameFBtn(), Qt::LeftButton);
    EXPECT_EQ(sentSince(mark),
              QList<QByteArray>{"smb.htm&failure=fail.htm&type=fm_rename_apply&folder=Scanned&to_name=Scans"});
    EXPECT_FALSE(renameAccountFolderDialog.isVisible());

    recorder->answers = {false, true};
    for (const bool ok : {false, true}) {
        mark = cgiRequests().size();
        clickItem(folders(), s("Scanned"));
        click("ModDelBtn");
        EXPECT_EQ(recorder->boxes.last().caption, s("Modify FTP Account Folder List"));
        EXPECT_EQ(sentSince(mark),
                  ok ? QList<QByteArray>{"smb.htm&failure=fail.htm&type=fm_rmdir_apply&folder=Scanned&to_name="}
                     : QList<QByteArray>{});
    }
    EXPECT_FALSE(names(folders()).contains(s("Scanned")));
    EXPECT_EQ(console().pageControl()->currentIndex(), Console::kModifyFtpPage) << "the account page was read again";
}

class RefusingUnit : public FtpPages {
protected:
    void SetUp() override {
        extra = {s("--web-refuse-ftp"), s("40")};
        FtpPages::SetUp();
    }
};

TEST_F(RefusingUnit, AnonymousSettingsAreRepeatedFifteenTimesAtMostWithoutAnExtraRead) {
    const auto pageReads = [this] {
        QFile file(logPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll().count("GET /utility_use.htm") : -1;
    };
    const qsizetype mark = cgiRequests().size();
    const qsizetype readsBefore = pageReads();
    click("AnonyBtn");
    const QList<QByteArray> sent = sentSince(mark);
    EXPECT_EQ(sent.size(), 15);
    for (const QByteArray& request : sent)
        EXPECT_TRUE(request.contains("type=ftps_anonymous_apply"));
    EXPECT_EQ(pageReads(), readsBefore) << "a refused change does not read the page";
}

} // namespace
