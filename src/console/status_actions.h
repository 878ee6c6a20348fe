#pragma once

#include "console/cgi_change.h"

#include <optional>

namespace Console {

// The date-and-time controls as the user left them.
struct DateTimeInput {
    bool sntpAuto = false;
    bool serverFromList = true; // else the server typed by hand
    int listedServer = 0;       // -1: no list entry selected
    QString manualServer;
    QString year, month, day, hour, minute, second; // as typed
    int zoneIndex = 12;                             // -1: no zone selected
};

// The rules on host and group name as typed: not empty, not beginning with a digit.
std::optional<Base::Refusal> identificationTypedRefusal(const QString& host, const QString& group);
// Host and group name: the typed rules, then trimmed, not empty, and made of
// letters, digits, "-", "_" and "=" only.
Checked identificationChange(const UnitAddress& unit, const QString& host, const QString& group);
// The new administrator password twice, compared exactly.
Checked administratorChange(const UnitAddress& unit, const QString& password, const QString& verify);
Checked dateTimeChange(const UnitAddress& unit, const DateTimeInput& input);
// The DHCP server switch, always with the fixed pool 2..254 and a one-day lease.
CgiChange dhcpServerChange(const UnitAddress& unit, bool enable);
// The language entry's index; -1 when none is selected.
CgiChange languageChange(const UnitAddress& unit, int languageIndex);

// Shown after every language change, whatever the unit said.
Base::Refusal languageRestartNotice();

} // namespace Console
