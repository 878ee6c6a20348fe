// The folders Mount offers after a login, read from the utility page.
#include "fuzz_check.h"

#include "base/list_bounds.h"
#include "login/login_check.h"
#include "web/page_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView page = Fuzz::bytesOf(data, size);
    const QStringList folders = Login::mountFolders(page);
    FUZZ_REQUIRE(folders.size() <= Base::kMaxListEntries, "the folders stay within the entry bound");
    const QByteArray allowShare = Web::PageValue(page, "allow_share=\"");
    qsizetype text = 0;
    for (const QString& folder : folders) {
        text += folder.toUtf8().size();
        FUZZ_REQUIRE(!folder.contains(QLatin1String("\">")), "a folder name ends at the closing of its tag");
        FUZZ_REQUIRE(!folder.contains(QLatin1String("\";\r\n")), "a folder name stays inside allow_share");
    }
    FUZZ_REQUIRE(text <= allowShare.size() * 3, "the folders come from allow_share alone");
    FUZZ_REQUIRE(allowShare.contains("value=\"") || folders.isEmpty(), "no folder without an option");
    return 0;
}
