#include "console/disk_rules.h"

#include "base/list_bounds.h"
#include "console/status_page.h"
#include "web/page_values.h"

namespace Console {

namespace {

constexpr auto kTyped = Web::CgiParameters::Encoding::AsTyped;

const char* const kDiskTools = "Disk Tools";
// The scan's boxes have a trailing blank in their caption, unlike the group box.
const char* const kScanDisk = "Scan Disk ";

QString nasRequest(const UnitAddress& unit, const QString& redirect, const char* action,
                   const Web::CgiParameters& parameters = {}) {
    return Web::CgiRequest(unit.ip, unit.port, QStringLiteral("nas.cgi"), redirect, QString::fromLatin1(action),
                           parameters);
}

Base::Refusal question(const char* message, const char* caption) {
    return {QString::fromLatin1(message), QString::fromLatin1(caption), Base::Icon::Question};
}

} // namespace

QString diskPage() {
    return QStringLiteral("sto.htm");
}

QString sleepFieldText(QByteArrayView idleValue) {
    const qsizetype end = idleValue.indexOf(QByteArrayView("\";"));
    QString text = end < 0 ? QString() : QString::fromUtf8(idleValue.first(end));
    if (text.isEmpty())
        text = QStringLiteral("0");
    return text;
}

bool canClearScanResult(QByteArrayView fixEnable) {
    return fixEnable != QByteArrayView("DISABLE");
}

QList<QByteArray> SplitScanResult(QByteArrayView scan, bool* cut) {
    QList<QByteArray> lines;
    qsizetype taken = 0;
    while (!scan.isEmpty() && lines.size() < Base::kMaxListEntries && taken <= Base::kMaxListText) {
        const qsizetype end = scan.indexOf('\n');
        const QByteArrayView line = end < 0 ? scan : scan.first(end);
        lines.append(line.toByteArray());
        taken += line.size();
        scan = end < 0 ? QByteArrayView() : scan.sliced(end + 1);
    }
    if (cut != nullptr)
        *cut = !scan.isEmpty();
    return lines;
}

DiskView readDiskPage(QByteArrayView page) {
    DiskView view;
    view.sleepMinutes = sleepFieldText(Web::PageValue(page, "disk_idle_value=\""));
    view.canClear = canClearScanResult(Web::PageValue(page, "disk_fix_enable=\""));
    view.scanResult = SplitScanResult(Web::PageValue(page, "disk_scan=\""), &view.scanCut);
    return view;
}

CgiChange formatChange(const UnitAddress& unit) {
    return {nasRequest(unit, QStringLiteral("sto_ok.htm"), "IDE_init"), diskPage()};
}

Base::Refusal formatQuestion() {
    Base::Refusal box = question("This will format the hard disk and erase All data on this disk!", kDiskTools);
    box.moreParts = {{QStringLiteral("\n"), false}, {QStringLiteral("Are you sure?"), true}};
    return box;
}

Checked sleepTimeChange(const UnitAddress& unit, const QString& typed) {
    const std::optional<int> minutes = frameworkInteger(typed);
    if (!minutes)
        return conversionError(typed);
    if (*minutes != 0 && (*minutes < 5 || *minutes > 60))
        return Base::Refusal{QStringLiteral("Invalid Sleep Time"), QString::fromLatin1(kDiskTools),
                             Base::Icon::Information};
    return CgiChange{nasRequest(unit, diskPage(), "ide_set", Web::CgiParameters().add("idle", typed, kTyped)),
                     diskPage()};
}

CgiChange scanStartChange(const UnitAddress& unit) {
    return {nasRequest(unit, diskPage(), "ide_scandisk_start"), diskPage()};
}

Base::Refusal scanStartQuestion() {
    return question("This operation will take some time to complete! Continue?", kScanDisk);
}

CgiChange scanClearChange(const UnitAddress& unit) {
    return {nasRequest(unit, diskPage(), "ide_fixdisk_start"), diskPage()};
}

Base::Refusal scanClearQuestion() {
    return question("Are you sure to clear scan result?", kScanDisk);
}

} // namespace Console
