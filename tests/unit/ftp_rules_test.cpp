// The FTP Server page's rules: the padded account rows, the page's values and
// the exact requests.

#include "console/ftp_rules.h"

#include <gtest/gtest.h>

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const Console::UnitAddress kUnit{s("127.0.0.2"), 80};

QByteArray pads(int n) {
    return QByteArray("&nbsp;").repeated(n);
}

// One option as the unit writes it: the user padded to 21, password and access each followed by 11 pads.
QByteArray accountOption(const QByteArray& value, const QByteArray& user, const QByteArray& password,
                         const QByteArray& access, const QByteArray& state) {
    return "<option value=\"" + value + "\">" + user + pads(21 - static_cast<int>(user.size())) + password + pads(11) +
           access + pads(11) + state + pads(1) + "</option>";
}

TEST(SplitAccountRows, CutsThePaddedColumns) {
    const struct {
        const char* name;
        QByteArray list;
        QList<QList<QByteArray>> rows; // user, password, access, state, value
    } cases[] = {
        {"two accounts",
         accountOption("0", "alice", "pw1", "RW", "Enable") + accountOption("1", "bob", "secret", "R", "Disable"),
         {{"alice", "pw1", "RW", "Enable", "0"}, {"bob", "secret", "R", "Disable", "1"}}},
        {"a user of 21 characters: the password right after it",
         "<option value=\"3\">" + QByteArray(21, 'u') + "pw" + pads(11) + "R" + pads(11) + "Enable" + pads(1) +
             "</option>",
         {{QByteArray(21, 'u'), "pw", "R", "Enable", "3"}}},
        {"no padding at all: no row, and nothing lands on the row before",
         accountOption("0", "alice", "pw1", "RW", "Enable") + "<option value=\"9\">garbage</option>",
         {{"alice", "pw1", "RW", "Enable", "0"}}},
        {"a state without a pad after it is left empty",
         "<option value=\"5\">carol" + pads(16) + "pw" + pads(11) + "R" + pads(11) + "Enable</option>",
         {{"carol", "pw", "R", "", "5"}}},
        {"empty list", "", {}},
    };
    for (const auto& c : cases) {
        QList<QList<QByteArray>> rows;
        for (const Console::FtpAccountRow& row : Console::SplitAccountRows(c.list))
            rows.append({row.user, row.password, row.access, row.state, row.value});
        EXPECT_EQ(rows, c.rows) << c.name;
    }
}

TEST(SplitAccountRows, TheUnitsPaddingDoesNotCountAgainstTheListBound) {
    // 10,000 rows carry over 3 MB of padding, beyond the bound on the text a list may keep.
    QByteArray list;
    for (int i = 0; i < 10000; ++i)
        list += accountOption(QByteArray::number(i), "user" + QByteArray::number(i), "pw", "Read/Write", "Enable");
    bool cut = true;
    const QList<Console::FtpAccountRow> rows = Console::SplitAccountRows(list, &cut);
    ASSERT_EQ(rows.size(), 10000);
    EXPECT_EQ(rows.last().user, QByteArray("user9999"));
    EXPECT_EQ(rows.last().option, 9999);
    EXPECT_FALSE(cut);
    // Past the count of entries kept, the list says it was cut; at the count it does not.
    for (int i = 10000; i < 16 * 1024; ++i)
        list += accountOption(QByteArray::number(i), "user" + QByteArray::number(i), "pw", "Read/Write", "Enable");
    EXPECT_EQ(Console::SplitAccountRows(list, &cut).size(), 16 * 1024);
    EXPECT_FALSE(cut);
    list += accountOption("x", "userx", "pw", "Read/Write", "Enable");
    EXPECT_EQ(Console::SplitAccountRows(list, &cut).size(), 16 * 1024);
    EXPECT_TRUE(cut);
}

TEST(FtpPage, ReadsItsValuesExactly) {
    const QByteArray page = "<HTML>\r\nftps_status=\"enable\";\r\nftps_port=\"0021\";\r\nftp_anon_stu=\"checked\";\r\n"
                            "ftp_a_att=\"\";\r\nftps_dir_list=\"<option value=\"A\">A<option value=\"B\">B"
                            "<option value=\"A\">A\";\r\nftps_home_def=\"A\";\r\n";
    const Console::FtpView v = Console::readFtpPage(page);
    EXPECT_FALSE(v.enabled) << "only ENABLE switches it on";
    EXPECT_EQ(v.port, s("0021"));
    EXPECT_TRUE(v.anonymous);
    EXPECT_FALSE(v.anonymousReadOnly);
    EXPECT_EQ(v.folders.size(), 3);
    EXPECT_EQ(v.homeIndex, 2) << "the last folder equal to the home";
    EXPECT_EQ(
        Console::readFtpPage("<HTML>\r\nftps_dir_list=\"<option value=\"A\">\";\r\nftps_home_def=\"Z\";\r\n").homeIndex,
        0);
}

QString urlOf(const Console::Checked& checked) {
    const Console::CgiChange* change = Console::changeOf(checked);
    return change ? change->url : Base::refusalText(*Console::refusalOf(checked));
}

TEST(FtpRequests, PortsAndRequestsByteForByte) {
    const QString base = s("http://127.0.0.2/nas.cgi?redirect=");
    const QString invalid = s("Invalid port number");
    const struct {
        const char* name;
        QString got;
        QString expected;
    } cases[] = {
        {"port 21", urlOf(Console::ftpStateChange(kUnit, true, s("21"))),
         base + s("ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set=ENABLE&ftps_port=21")},
        {"port 1025", urlOf(Console::ftpStateChange(kUnit, false, s("1025"))),
         base + s("ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set=DISABLE&ftps_port=1025")},
        {"port 65500 with leading zeros, as typed", urlOf(Console::ftpStateChange(kUnit, true, s("065500"))),
         base + s("ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set=ENABLE&ftps_port=065500")},
        {"port 20", urlOf(Console::ftpStateChange(kUnit, true, s("20"))), invalid},
        {"port 22", urlOf(Console::ftpStateChange(kUnit, true, s("22"))), invalid},
        {"port 1024", urlOf(Console::ftpStateChange(kUnit, true, s("1024"))), invalid},
        {"port 65501", urlOf(Console::ftpStateChange(kUnit, true, s("65501"))), invalid},
        {"port not a number", urlOf(Console::ftpStateChange(kUnit, true, s("2x1"))),
         s("'2x1' is not a valid integer value.")},
        {"anonymous", Console::anonymousChange(kUnit, true, true, "Music").url,
         base + s("ftp.htm&failure=fail.htm&type=ftps_anonymous_apply&ftp_anon_stu=ENABLE&ftp_a_att=RO&home=Music&"
                  "anony_Apply=Apply")},
        {"create asks for a new account", Console::accountCreateChange(kUnit).url,
         base + s("ftp_add.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=255")},
        {"modify by value", Console::accountModifyChange(kUnit, "7").url,
         base + s("ftp_mod.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=7")},
        {"En/Disable by row", Console::accountSwitchChange(kUnit, 2).url,
         base + s("ftp.htm&failure=fail.htm&type=ftps_user_enabled&FTP_AC_LIST=2")},
        {"delete by value", Console::accountDeleteChange(kUnit, "7").url,
         base + s("ftp.htm&failure=fail.htm&type=ftps_user_del&FTP_AC_LIST=7")},
        {"a home that could cut the request", Console::anonymousChange(kUnit, false, false, "a b&x=#1").url,
         base + s("ftp.htm&failure=fail.htm&type=ftps_anonymous_apply&ftp_anon_stu=DISABLE&ftp_a_att=RW&"
                  "home=a%20b%26x%3D%231&anony_Apply=Apply")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.name;
    EXPECT_EQ(Console::accountCreateChange(kUnit).page, s("/ftp.htm")) << "never taken as a refusal";

    // En/Disable counts the unit's options, the skipped ones too.
    const auto rows = Console::SplitAccountRows("<option value=\"9\">garbage</option>" +
                                                accountOption("4", "dave", "pw", "R", "Enable"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(Console::accountSwitchChange(kUnit, rows[0].option).url,
              base + s("ftp.htm&failure=fail.htm&type=ftps_user_enabled&FTP_AC_LIST=1"));
}

TEST(ModifyFtpPage, SharesAreTheVisibleTextsUpToTheBlankBeforeTheClosingTag) {
    const struct {
        const char* name;
        QByteArray list;
        QStringList shares;
    } cases[] = {
        {"two shares",
         "<option value=\"a\">Alpha </option><option value=\"b\">Beta </option>",
         {s("Alpha"), s("Beta")}},
        {"the visible text, not the value", "<option value=\"x\">Shown </option>", {s("Shown")}},
        {"no blank before the closing tag: not listed, and not run into the next",
         "<option value=\"a\">Alpha</option><option value=\"b\">Beta </option>",
         {s("Beta")}},
        {"a blank inside the name is kept", "<option value=\"a\">A B </option>", {s("A B")}},
        {"UTF-8 shown as text", "<option value=\"m\">M\xc3\xbcsli </option>", {s("M\u00fcsli")}},
        {"text before the first option is passed over", "junk> <option value=\"a\">Alpha </option>", {s("Alpha")}},
        {"no closing tag at all", "<option value=\"a\">Alpha ", {}},
        {"empty", "", {}},
    };
    for (const auto& c : cases) {
        QStringList shares;
        for (const Web::OptionName& name : Console::SplitShareNames(c.list))
            shares << name.text();
        EXPECT_EQ(shares, c.shares) << c.name;
    }

    const Console::FtpAccountView v = Console::readFtpAccountPage(
        "<HTML>\r\nftps_account=\"alice\";\r\nftps_account_passwd=\"pw 1\";\r\nftps_att=\"Checked\";\r\n"
        "ftps_dir_list=\"<option value=\"A\">A<option value=\"B\">B\";\r\n"
        "ftps_share_list=\"<option value=\"B\">B </option>\";\r\n");
    EXPECT_EQ(v.account, QByteArray("alice"));
    EXPECT_EQ(v.password, QByteArray("pw 1"));
    EXPECT_FALSE(v.readOnly) << "only exactly checked is read only";
    EXPECT_EQ(v.folders.size(), 2);
    ASSERT_EQ(v.shares.size(), 1);
    EXPECT_EQ(v.shares[0].bytes, QByteArray("B"));
}

TEST(ModifyFtpRequests, ByteForByteWithTheirLimits) {
    const QString base = s("http://127.0.0.2/nas.cgi?redirect=");
    const QString overTwelve = s("Over Maximum 12 characters.");
    const struct {
        const char* name;
        Console::Checked checked;
        QString expected;
        const char* caption; // of a refusal
    } cases[] = {
        {"password of 12 and read only", Console::accountSetChange(kUnit, "al ice", "pass word12", true),
         base +
             s("ftp_mod.htm&failure=fail.htm&type=ftps_user_add&Account=al+ice&Account_passwd=pass+word12&ftp_att=R"),
         nullptr},
        {"an empty password, read/write", Console::accountSetChange(kUnit, "bob", QByteArray(), false),
         base + s("ftp_mod.htm&failure=fail.htm&type=ftps_user_add&Account=bob&Account_passwd=&ftp_att=W"), nullptr},
        {"password of 13 bytes", Console::accountSetChange(kUnit, "bob", "12345678901\xc3\xa9", false), overTwelve,
         "Modify FTP Account"},
        {"give a folder of 12 bytes", Console::giveFolderChange(kUnit, "bob", "Folder-12345"),
         base + s("ftp_mod.htm&failure=fail.htm&type=ftps_add_share&account=bob&account_List=Folder%2d12345&"
                  "op_add=Add"),
         nullptr},
        {"give a folder of 13 bytes", Console::giveFolderChange(kUnit, "bob", "Folder-123456"), overTwelve,
         "Modify FTP Account Folder List"},
        {"take has no limit", Console::Checked(Console::takeFolderChange(kUnit, "bob", "Folder-123456")),
         base + s("ftp_mod.htm&failure=fail.htm&type=ftps_del_share&account=bob&account_List=Folder%2d123456&"
                  "op_del=Delete"),
         nullptr},
        {"a new account is read only", Console::Checked(Console::accountAddChange(kUnit, s("carol"))),
         base + s("ftp.htm&failure=fail.htm&type=ftps_user_add&Account=carol&ftp_att=R"), nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(urlOf(c.checked), c.expected) << c.name;
        if (const Base::Refusal* refusal = Console::refusalOf(c.checked)) {
            EXPECT_EQ(refusal->captionKey, s(c.caption)) << c.name;
        }
    }

    // The folder requests are the SMB page's, with the account page read again after them.
    for (const Console::CgiChange& change :
         {Console::accountFolderCreateChange(kUnit, s("New")), Console::accountFolderRenameChange(kUnit, s("B"), "A"),
          Console::accountFolderDeleteChange(kUnit, "A")}) {
        EXPECT_TRUE(change.url.startsWith(base + s("smb.htm&failure=fail.htm&type=fm_"))) << change.url.toStdString();
        EXPECT_EQ(change.page, s("ftp_mod.htm"));
    }
    EXPECT_EQ(Console::accountFolderDeleteQuestion("A").captionKey, s("Modify FTP Account Folder List"));
}

} // namespace
