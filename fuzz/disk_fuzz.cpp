// The Disk Utility page from the utility page: the sleep field and the scan result's lines.
#include "console_changes.h"

#include "base/list_bounds.h"
#include "console/disk_rules.h"

namespace {

void checkScanLines(QByteArrayView scan, const QList<QByteArray>& lines) {
    FUZZ_REQUIRE(lines.size() <= Base::kMaxListEntries, "the scan result stays within the entry bound");
    const QByteArray joined = lines.join('\n');
    FUZZ_REQUIRE(scan.startsWith(joined), "the lines are the scan result in order, cut at its line feeds");
    FUZZ_REQUIRE(lines.size() == Base::kMaxListEntries || joined.size() >= Base::kMaxListText ||
                     joined.size() + (scan.endsWith('\n') ? 1 : 0) == scan.size(),
                 "short of a bound, no line is lost");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView input = Fuzz::bytesOf(data, size);
    const Console::DiskView v = Console::readDiskPage(input);
    FUZZ_REQUIRE(!v.sleepMinutes.isEmpty() && !v.sleepMinutes.contains(QStringLiteral("\";")),
                 "the sleep field holds the value up to its first quote and semicolon, or 0");
    checkScanLines(Web::PageValue(input, "disk_scan=\""), v.scanResult);
    checkScanLines(input, Console::SplitScanResult(input));

    const Console::CgiChange plain = Fuzz::plainOf(Console::sleepTimeChange(Fuzz::kUnit, QStringLiteral("15")));
    Fuzz::requireSameShape(Console::sleepTimeChange(Fuzz::kUnit, v.sleepMinutes), plain,
                           "the sleep time as the page gave it cannot change the request");
    return 0;
}
