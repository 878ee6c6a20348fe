#pragma once

#include "console/cgi_change.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace Console {

// The sleep time field takes two characters.
inline constexpr int kSleepTimeLength = 2;
// Timer2 ticks once a second; the scan result is read again every 30 ticks.
inline constexpr int kScanRefreshTicks = 30;
// A refresh reads the page again while it comes back empty, 8 reads at most.
inline constexpr int kScanRefreshReads = 8;
// The memo shows this many characters of a line at most; the rest is cut, with a mark.
inline constexpr int kScanLineShown = 4096;

// The Disk Utility page as the unit's page gives it.
struct DiskView {
    QString sleepMinutes;         // the field's text: never empty, "0" when the unit gave none
    bool canClear = true;         // "Delete Error Msg" is on unless disk_fix_enable is exactly "DISABLE"
    QList<QByteArray> scanResult; // disk_scan, one entry per line, as the unit sent them
    bool scanCut = false;         // the result holds more lines than the list bound keeps
};
DiskView readDiskPage(QByteArrayView page);

// disk_idle_value up to its first `";` (the unit puts its spin-down switch on
// the same line); nothing when there is no `";`, and then "0". Whole, however
// long: the sleep time's check refuses what is out of range, a cut value would be sent.
QString sleepFieldText(QByteArrayView idleValue);
bool canClearScanResult(QByteArrayView fixEnable);
// The scan result's lines: each LF ends one, a last line without LF counts
// when it is not empty, CR stays where it is. Bounded like every list cut
// from a page value, so a page of LFs cannot become millions of lines; `cut`,
// when given, says whether lines were left off at the bound.
QList<QByteArray> SplitScanResult(QByteArrayView scan, bool* cut = nullptr);

QString diskPage(); // "sto.htm"

// The requests below are those of docs/protocol.md, "Disk Utility changes".
// Formatting redirects to sto_ok.htm but, like every disk request, is sent with
// the page sto.htm.
CgiChange formatChange(const UnitAddress& unit);
Base::Refusal formatQuestion();
// The sleep time as typed: a whole number (else the framework's conversion
// error), 0 or 5 to 60 (else "Invalid Sleep Time"), sent as typed.
Checked sleepTimeChange(const UnitAddress& unit, const QString& typed);
CgiChange scanStartChange(const UnitAddress& unit);
Base::Refusal scanStartQuestion();
CgiChange scanClearChange(const UnitAddress& unit);
Base::Refusal scanClearQuestion();

} // namespace Console
