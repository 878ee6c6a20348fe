// The SMB Server page's rules: option lists, the name and password rules of its
// dialogs, and the exact requests, byte for byte.

#include "console/smb_rules.h"

#include <gtest/gtest.h>

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const Console::UnitAddress kUnit{s("127.0.0.2"), 80};

QString refusalText(const std::optional<Base::Refusal>& refusal) {
    return refusal ? refusal->messageKey + QLatin1Char('|') + refusal->captionKey : QString();
}

TEST(SplitOptionNames, CutsEachValueAndKeepsItsBytes) {
    const struct {
        const char* name;
        QByteArray options;
        QList<QByteArray> names;
    } cases[] = {
        {"no value=\"", "<option>Public</option>", {}},
        {"empty", "", {}},
        {"two options",
         "<option value=\"Docs\">Docs</option><option value=\"My Files\">My Files</option>",
         {"Docs", "My Files"}},
        // The rest starts after the first "> behind a name, so a stray "> costs an empty name.
        {"text after a \">", "<option value=\"a\">b\">c</option><option value=\"d\">d</option>", {"a", "", "d"}},
        {"the first \"> before the opening", "\"><option value=\"x\">x", {"", "x"}},
        {"many \"> before the opening", "\">\">\"><option value=\"x\">x", {"", "", "", "x"}},
        {"no closing \">", "<option value=\"open", {}},
        {"non-ASCII bytes", "<option value=\"M\xc3\xbasica\">", {"M\xc3\xbasica"}},
        {"not UTF-8", "<option value=\"caf\xe9\">", {"caf\xe9"}},
        {"a name past 512 bytes, whole", "<option value=\"" + QByteArray(600, 'n') + "\">", {QByteArray(600, 'n')}},
    };
    for (const auto& c : cases) {
        const QList<Web::OptionName> names = Web::SplitOptionNames(c.options);
        QList<QByteArray> bytes;
        for (const Web::OptionName& name : names)
            bytes << name.bytes;
        EXPECT_EQ(bytes, c.names) << c.name;
    }
    const QList<Web::OptionName> music = Web::SplitOptionNames("<option value=\"M\xc3\xbasica\">");
    ASSERT_EQ(music.size(), 1);
    EXPECT_EQ(music[0].text(), s("Música")) << "shown in full Unicode";
}

TEST(SmbPage, ReadsBothListsAndAMissingOneIsEmpty) {
    const Console::SmbView view = Console::readSmbPage("<HTML>\r\nallow_share=\"<option value=\"0\">0</option>\";\r\n");
    EXPECT_TRUE(view.folders.isEmpty());
    ASSERT_EQ(view.shares.size(), 1);
    EXPECT_EQ(view.shares[0].bytes, QByteArray("0"));
}

QString urlOf(const Console::Checked& checked) {
    const Console::CgiChange* change = Console::changeOf(checked);
    return change ? change->url : Console::refusalOf(checked)->messageKey;
}

TEST(SmbRequests, AreTheUnitsOwnByteForByte) {
    const QString base = s("http://127.0.0.2/nas.cgi?redirect=smb.htm&failure=fail.htm&type=");
    const struct {
        const char* name;
        QString got;
        QString expected;
    } cases[] = {
        {"publish, blank and hyphen", urlOf(Console::publishChange(kUnit, "My Folder-1")),
         base + s("nas_apply&share_list=My+Folder%2d1&add=New")},
        {"publish at 12 bytes", urlOf(Console::publishChange(kUnit, "ABCDEFGHIJKL")),
         base + s("nas_apply&share_list=ABCDEFGHIJKL&add=New")},
        {"publish at 13 bytes", urlOf(Console::publishChange(kUnit, "ABCDEFGHIJKLM")),
         s("Over Maximum 12 characters.")},
        {"publish, 6 two-byte characters", urlOf(Console::publishChange(kUnit, QByteArray("\xc3\xa9").repeated(6))),
         base + s("nas_apply&share_list=%c3%a9%c3%a9%c3%a9%c3%a9%c3%a9%c3%a9&add=New")},
        {"publish, 7 two-byte characters", urlOf(Console::publishChange(kUnit, QByteArray("\xc3\xa9").repeated(7))),
         s("Over Maximum 12 characters.")},
        {"withdraw has no limit", urlOf(Console::withdrawChange(kUnit, "ABCDEFGHIJKLMNOP")),
         base + s("nas_apply&allow_share=ABCDEFGHIJKLMNOP&del=Remove")},
        {"delete ends in an empty to_name", Console::deleteFolderChange(kUnit, "Old_one").url,
         base + s("fm_rmdir_apply&folder=Old%5fone&to_name=")},
        {"create", Console::createFolderChange(kUnit, s("New=1")).url,
         base + s("fm_mkdir_apply&folder=New%3d1&to_name=")},
        {"rename: new in folder, old as the unit sent it in to_name",
         Console::renameFolderChange(kUnit, s("Newer"), "M\xc3\xbasica").url,
         base + s("fm_rename_apply&folder=Newer&to_name=M%c3%basica")},
        {"share password", Console::sharePasswordChange(kUnit, "Docs", s("p w"), s("p w")).url,
         base + s("nas_mod&folder=Docs&password1=p+w&password2=p+w")},
        {"empty share passwords", Console::sharePasswordChange(kUnit, "Docs", {}, {}).url,
         base + s("nas_mod&folder=Docs&password1=&password2=")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.name;
}

TEST(FolderNameRule, TrimsThenRefusesInItsOrder) {
    const char* const kCharacters = "Only English characters or numbers accepted.|SMB Server";
    const struct {
        const char* typed;
        const char* name;
        const char* refusal; // "" when accepted
        bool emptyField;
    } cases[] = {
        {"  Docs \t", "Docs", "", false},
        {"   ", "", "Value is empty|SMB Server", false},
        {"", "", "Value is empty|SMB Server", false},
        {"ABCDEFGHIJKL", "ABCDEFGHIJKL", "", false},
        {"ABCDEFGHIJKLM", "ABCDEFGHIJKLM", "Over Maximum 12 characters.|SMB Server", true},
        {"a=b-c_d9", "a=b-c_d9", "", false},
        {"a b", "a b", kCharacters, true},
        {"a.b", "a.b", kCharacters, true},
        {"ab!", "ab!", kCharacters, true},
        {"caf\xc3\xa9", "caf\xc3\xa9", kCharacters, true},
        {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
         "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", "Over Maximum 12 characters.|SMB Server", true},
    };
    for (const auto& c : cases) {
        const Console::NameRuleResult result = Console::FolderNameRule(s(c.typed), "SMB Server", "SMB Server");
        EXPECT_EQ(result.name, s(c.name)) << c.typed;
        EXPECT_EQ(refusalText(result.refusal), s(c.refusal)) << c.typed;
        EXPECT_EQ(result.emptyField, c.emptyField) << c.typed;
    }
    const auto account =
        Console::FolderNameRule(s("a.b"), "FTP Server", "FTP Server", "only English characters or numbers accepted.");
    EXPECT_EQ(refusalText(account.refusal), s("only English characters or numbers accepted.|FTP Server"));
}

TEST(SharePasswordRule, LengthBeforeMismatch) {
    const struct {
        const char* password;
        const char* verify;
        const char* refusal;
    } cases[] = {
        {"0123456789abc", "0123456789ab", "Over Maximum 12 characters.|SMB Server"},
        {"0123456789ab", "0123456789abc", "Over Maximum 12 characters.|SMB Server"},
        {"secret", "Secret", "New password entries do not match!|SMB Server"},
        {" secret ", "secret", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const auto result = Console::SharePasswordRule(s(c.password), s(c.verify));
        EXPECT_EQ(refusalText(result.refusal), s(c.refusal)) << c.password << " / " << c.verify;
    }
    EXPECT_EQ(Console::SharePasswordRule(s("  pw\t"), s("pw")).password, s("pw"));
}

TEST(SmbPage, DeleteAsksItsTwoTextsJoinedByALineFeedAndNamesTheFolderVisibly) {
    const Base::Refusal question = Console::deleteFolderQuestion("caf\xe9\n\xe2\x80\xae");
    EXPECT_EQ(Base::refusalText(question),
              s("Folder selected and its contents will be deleted!\nAre you sure?\ncaf\\xe9\\x0a\\u202e"));
    EXPECT_EQ(question.icon, Base::Icon::Question);
}

} // namespace
