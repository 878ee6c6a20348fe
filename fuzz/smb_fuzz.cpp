// The SMB page's lists from the utility page, and the folder requests built from their names.
#include "console_changes.h"

#include "base/list_bounds.h"
#include "console/smb_rules.h"

namespace {

void checkList(const QList<Web::OptionName>& names) {
    FUZZ_REQUIRE(names.size() <= Base::kMaxListEntries, "a folder list stays within its entry bound");
    const Console::CgiChange plainPublish = Fuzz::plainOf(Console::publishChange(Fuzz::kUnit, "a"));
    const Console::CgiChange plainWithdraw = Fuzz::plainOf(Console::withdrawChange(Fuzz::kUnit, "a"));
    const Console::CgiChange plainDelete = Console::deleteFolderChange(Fuzz::kUnit, "a");
    const Console::CgiChange plainRename = Console::renameFolderChange(Fuzz::kUnit, QStringLiteral("b"), "a");
    const Console::CgiChange plainPassword =
        Console::sharePasswordChange(Fuzz::kUnit, "a", QStringLiteral("p"), QStringLiteral("p"));
    // Every name is checked alike; a few are enough to cover a long list.
    for (qsizetype i = 0; i < std::min<qsizetype>(names.size(), 8); ++i) {
        const QByteArray& name = names[i].bytes;
        Fuzz::requireSameShape(Console::publishChange(Fuzz::kUnit, name), plainPublish, "publish");
        Fuzz::requireSameShape(Console::withdrawChange(Fuzz::kUnit, name), plainWithdraw, "withdraw");
        Fuzz::requireSameShape(Console::deleteFolderChange(Fuzz::kUnit, name), plainDelete, "delete");
        Fuzz::requireSameShape(Console::renameFolderChange(Fuzz::kUnit, QStringLiteral("b"), name), plainRename,
                               "rename");
        Fuzz::requireSameShape(
            Console::sharePasswordChange(Fuzz::kUnit, name, QStringLiteral("p"), QStringLiteral("p")), plainPassword,
            "share password");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Console::SmbView v = Console::readSmbPage(Fuzz::bytesOf(data, size));
    checkList(v.folders);
    checkList(v.shares);
    return 0;
}
