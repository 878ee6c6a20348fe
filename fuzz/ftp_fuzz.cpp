// The FTP and Modify FTP pages from the utility page: the account rows, the
// share names, and every request built from what they hold.
#include "console_changes.h"

#include "base/list_bounds.h"
#include "console/ftp_rules.h"

namespace {

void checkAccounts(const QList<Console::FtpAccountRow>& rows) {
    FUZZ_REQUIRE(rows.size() <= Base::kMaxListEntries, "the accounts stay within the entry bound");
    int previous = -1;
    for (const Console::FtpAccountRow& row : rows) {
        FUZZ_REQUIRE(row.option > previous, "each row names its own place in the unit's list");
        previous = row.option;
        FUZZ_REQUIRE(row.user.size() <= 21, "a user name stays within its column");
    }
    const Console::CgiChange plainModify = Console::accountModifyChange(Fuzz::kUnit, "1");
    const Console::CgiChange plainDelete = Console::accountDeleteChange(Fuzz::kUnit, "1");
    const Console::CgiChange plainSwitch = Console::accountSwitchChange(Fuzz::kUnit, 0);
    for (qsizetype i = 0; i < std::min<qsizetype>(rows.size(), 8); ++i) {
        Fuzz::requireSameShape(Console::accountModifyChange(Fuzz::kUnit, rows[i].value), plainModify, "modify");
        Fuzz::requireSameShape(Console::accountDeleteChange(Fuzz::kUnit, rows[i].value), plainDelete, "delete");
        Fuzz::requireSameShape(Console::accountSwitchChange(Fuzz::kUnit, rows[i].option), plainSwitch, "switch");
    }
}

void checkFtpPage(QByteArrayView page) {
    const Console::FtpView v = Console::readFtpPage(page);
    FUZZ_REQUIRE(v.folders.size() <= Base::kMaxListEntries, "the folders stay within the entry bound");
    FUZZ_REQUIRE(v.homeIndex >= 0 && (v.folders.isEmpty() ? v.homeIndex == 0 : v.homeIndex < v.folders.size()),
                 "the home folder is one of the list");
    checkAccounts(v.accounts);
    const Console::CgiChange plainAnonymous = Console::anonymousChange(Fuzz::kUnit, true, true, "a");
    for (qsizetype i = 0; i < std::min<qsizetype>(v.folders.size(), 8); ++i)
        Fuzz::requireSameShape(Console::anonymousChange(Fuzz::kUnit, true, true, v.folders[i].bytes), plainAnonymous,
                               "anonymous home");
    const Console::CgiChange plainState =
        Fuzz::plainOf(Console::ftpStateChange(Fuzz::kUnit, true, QStringLiteral("21")));
    Fuzz::requireSameShape(Console::ftpStateChange(Fuzz::kUnit, true, v.port), plainState, "server port");
}

void checkAccountPage(QByteArrayView page) {
    const Console::FtpAccountView v = Console::readFtpAccountPage(page);
    FUZZ_REQUIRE(v.shares.size() <= Base::kMaxListEntries, "the shares stay within the entry bound");
    for (const Web::OptionName& share : v.shares)
        FUZZ_REQUIRE(!share.bytes.contains("</option>"), "a share name ends before its closing tag");
    const Console::CgiChange plainSet = Fuzz::plainOf(Console::accountSetChange(Fuzz::kUnit, "a", "p", true));
    Fuzz::requireSameShape(Console::accountSetChange(Fuzz::kUnit, v.account, v.password, v.readOnly), plainSet,
                           "account password");
    const Console::CgiChange plainGive = Fuzz::plainOf(Console::giveFolderChange(Fuzz::kUnit, "a", "b"));
    const Console::CgiChange plainTake = Console::takeFolderChange(Fuzz::kUnit, "a", "b");
    const Console::CgiChange plainFolderDelete = Console::accountFolderDeleteChange(Fuzz::kUnit, "b");
    const Console::CgiChange plainRename = Console::accountFolderRenameChange(Fuzz::kUnit, QStringLiteral("c"), "b");
    for (qsizetype i = 0; i < std::min<qsizetype>(v.folders.size(), 8); ++i) {
        const QByteArray& folder = v.folders[i].bytes;
        Fuzz::requireSameShape(Console::giveFolderChange(Fuzz::kUnit, v.account, folder), plainGive, "give");
        Fuzz::requireSameShape(Console::accountFolderDeleteChange(Fuzz::kUnit, folder), plainFolderDelete,
                               "folder delete");
        Fuzz::requireSameShape(Console::accountFolderRenameChange(Fuzz::kUnit, QStringLiteral("c"), folder),
                               plainRename, "folder rename");
    }
    for (qsizetype i = 0; i < std::min<qsizetype>(v.shares.size(), 8); ++i)
        Fuzz::requireSameShape(Console::takeFolderChange(Fuzz::kUnit, v.account, v.shares[i].bytes), plainTake, "take");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView input = Fuzz::bytesOf(data, size);
    checkFtpPage(input);
    checkAccountPage(input);
    // The lists alone, so the fuzzer need not find their page variables first.
    checkAccounts(Console::SplitAccountRows(input));
    for (const Web::OptionName& share : Console::SplitShareNames(input))
        FUZZ_REQUIRE(!share.bytes.contains("</option>"), "a share name ends before its closing tag");
    return 0;
}
