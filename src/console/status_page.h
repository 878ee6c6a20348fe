#pragma once

#include "base/refusal.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace Console {

inline constexpr int kTimeServerCount = 5;
inline constexpr int kTimeZoneCount = 25; // index = zone hours + 12

// The time servers offered in the list, in their fixed order.
const std::array<QString, kTimeServerCount>& timeServers();
// The zone names, index 0 for GMT-12 to 24 for GMT+12. Not translated.
const QStringList& timeZoneNames();

// A whole number as the windowing framework converts one: blanks before it, a
// sign, decimal digits and nothing after, within the range of an int.
std::optional<int> frameworkInteger(const QString& text);
// The framework's words for a number that does not convert.
Base::Refusal conversionError(const QString& text);

// Leading and trailing blanks and control characters removed.
QString trimBlanksAndControls(const QString& text);

// The list entry of a server name compared exactly; entry 0 for any other name.
int listedServerIndex(const QString& server);
// The zone entry for a number of hours; entry 0 when there is no such zone.
int timeZoneIndex(int zoneHours);
// The language entries of lang_list: the names between "#", empty ones too,
// up to Base::kMaxListEntries names and Base::kMaxListText characters.
QStringList languageEntries(const QString& langList);
// The selected language entry; none (-1) for an index outside the list.
int languageIndex(int defaultLang, qsizetype entries);

// What the Status tab shows, read from the utility page in the order of its
// show procedure. A sntp_zone or default_lang that is no number stops the
// procedure there: the fields from that step on are not filled.
struct StatusView {
    enum class Stop { None, AtZone, AtLanguage };

    QString hostName;
    QString groupName;
    QString currentTime;
    QString year, month, day, hour, minute, second;
    bool sntpAuto = false;
    bool serverFromList = true; // else typed by hand
    int listedServer = 0;
    QString server; // sntp_server as the page has it

    // From the zone on.
    int zoneIndex = 0;
    QString ipAddress;
    bool dhcpServer = false;
    QString firmware;
    QString diskId;
    QString freeSize;
    QString totalSize;

    // From the language on.
    QStringList languages;
    int languageIndex = -1;

    Stop stop = Stop::None;
    Base::Refusal stopError;
};

StatusView readStatusPage(QByteArrayView page);

} // namespace Console
