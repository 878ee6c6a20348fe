#include "console/status_actions.h"

#include "console/status_page.h"
#include "web/page_values.h"

namespace Console {

namespace {

const QString kIdentification = QStringLiteral("Identification");
const QString kAdministrator = QStringLiteral("Administrator");
const QString kDateAndTime = QStringLiteral("Date and Time");

bool isNameCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_') ||
           c == QLatin1Char('=');
}

bool startsWithDigit(const QString& text) {
    return !text.isEmpty() && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9');
}

// The box that names the first character a name may not have, and the whole name.
std::optional<Base::Refusal> badCharacter(const QString& name, const char* label) {
    for (const QChar c : name) {
        if (isNameCharacter(c))
            continue;
        return Base::Refusal{
            QStringLiteral("Invalid value "),
            kIdentification,
            Base::Icon::Information,
            {{QString(c), false}, {QString::fromLatin1(label), true}, {QLatin1Char(' ') + name, false}}};
    }
    return std::nullopt;
}

constexpr auto kUrlEncoded = Web::CgiParameters::Encoding::UrlEncoded;
constexpr auto kTyped = Web::CgiParameters::Encoding::AsTyped;
constexpr auto kFixed = Web::CgiParameters::Encoding::Fixed;

} // namespace

// The requests below are byte for byte those of docs/protocol.md, "Status and IP Config changes".
std::optional<Base::Refusal> identificationTypedRefusal(const QString& host, const QString& group) {
    if (host.isEmpty() || group.isEmpty())
        return Base::Refusal{QStringLiteral("Value is empty"), kIdentification, Base::Icon::Error};
    if (startsWithDigit(host) || startsWithDigit(group))
        return Base::Refusal{QStringLiteral("First character can not be number (0~9)."), kIdentification,
                             Base::Icon::Information};
    return std::nullopt;
}

Checked identificationChange(const UnitAddress& unit, const QString& host, const QString& group) {
    if (auto refusal = identificationTypedRefusal(host, group))
        return *refusal;
    const QString trimmedHost = trimBlanksAndControls(host);
    const QString trimmedGroup = trimBlanksAndControls(group);
    // Only blanks typed: nothing is left to send, and that is what the user must hear first.
    if (trimmedHost.isEmpty() || trimmedGroup.isEmpty())
        return Base::Refusal{QStringLiteral("Value is empty"), kIdentification, Base::Icon::Error};
    if (auto refusal = badCharacter(trimmedHost, "Host Name"))
        return *refusal;
    if (auto refusal = badCharacter(trimmedGroup, "Group Name"))
        return *refusal;
    const QString page = QStringLiteral("id.htm");
    return CgiChange{Web::CgiRequest(unit.ip, unit.port, QStringLiteral("nas.cgi"), page,
                                     QStringLiteral("cifs_config_apply"),
                                     Web::CgiParameters()
                                         .add("enable", QStringLiteral("1"), kFixed)
                                         .add("hostname", trimmedHost, kTyped)
                                         .add("group_name", trimmedGroup, kTyped)),
                     page};
}

Checked administratorChange(const UnitAddress& unit, const QString& password, const QString& verify) {
    if (password.isEmpty() || verify.isEmpty())
        return Base::Refusal{QStringLiteral("Password can not be null!"), kAdministrator, Base::Icon::Information};
    if (password != verify)
        return Base::Refusal{QStringLiteral("New password entries do not match!"), kAdministrator,
                             Base::Icon::Information};
    const QString page = QStringLiteral("sys_auth.htm");
    // "TF_passwordl" ends in a lower-case letter l: the unit's name for the second entry.
    return CgiChange{
        Web::CgiRequest(
            unit.ip, unit.port, QStringLiteral("man.cgi"), page, QStringLiteral("auth_apply"),
            Web::CgiParameters().add("TF_password", password, kUrlEncoded).add("TF_passwordl", verify, kUrlEncoded)),
        page};
}

Checked dateTimeChange(const UnitAddress& unit, const DateTimeInput& input) {
    if (!input.serverFromList && input.manualServer.isEmpty())
        return Base::Refusal{QStringLiteral("Time server is empty"), kDateAndTime, Base::Icon::Information};
    // Sending no server at all would leave the unit without time service.
    if (input.listedServer < 0 || input.listedServer >= kTimeServerCount)
        return Base::Refusal{QStringLiteral("Please select a time server from the list"), kDateAndTime,
                             Base::Icon::Information};
    if (input.zoneIndex < 0 || input.zoneIndex >= kTimeZoneCount)
        return Base::Refusal{QStringLiteral("Please select a time zone"), kDateAndTime, Base::Icon::Information};

    const QString page = QStringLiteral("sys_sntp.htm");
    const Web::CgiParameters parameters =
        Web::CgiParameters()
            .add("sntp_time", {}, kFixed)
            .add("day0", input.year, kTyped)
            .add("day1", input.month, kTyped)
            .add("day2", input.day, kTyped)
            .add("time0", input.hour, kTyped)
            .add("time1", input.minute, kTyped)
            .add("time2", input.second, kTyped)
            .add("R_sntp", input.sntpAuto ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE"), kFixed)
            .add("R_sntp_server", input.serverFromList ? QStringLiteral("0") : QStringLiteral("1"), kFixed)
            .add("Sntp_ip", timeServers()[static_cast<std::size_t>(input.listedServer)], kTyped)
            .add("sntp_input", input.manualServer, kTyped)
            .add("sntp_timezone", QString::number(input.zoneIndex - 12), kFixed);
    return CgiChange{
        Web::CgiRequest(unit.ip, unit.port, QStringLiteral("man.cgi"), page, QStringLiteral("sntp_apply"), parameters),
        page};
}

CgiChange dhcpServerChange(const UnitAddress& unit, bool enable) {
    const QString page = QStringLiteral("status.htm");
    return {Web::CgiRequest(unit.ip, unit.port, QStringLiteral("dhcps.cgi"), page, QStringLiteral("dhcps_apply"),
                            Web::CgiParameters()
                                .add("R_dhcps", enable ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE"), kFixed)
                                .add("TF_wins", {}, kFixed)
                                .add("TF_ippoolmin", QStringLiteral("2"), kFixed)
                                .add("TF_ippoolmax", QStringLiteral("254"), kFixed)
                                .add("TF_lease_day", QStringLiteral("1"), kFixed)
                                .add("TF_lease_hr", QStringLiteral("0"), kFixed)
                                .add("TF_lease_min", QStringLiteral("0"), kFixed)),
            page};
}

CgiChange languageChange(const UnitAddress& unit, int languageIndex) {
    const QString page = QStringLiteral("status.htm");
    return {Web::CgiRequest(unit.ip, unit.port, QStringLiteral("nas.cgi"), page, QStringLiteral("nas_lang_apply"),
                            Web::CgiParameters().add("lang", QString::number(languageIndex), kFixed)),
            page};
}

Base::Refusal languageRestartNotice() {
    return {QStringLiteral("Please restart system to enable new codepage!"), QStringLiteral("Language"),
            Base::Icon::Question};
}

} // namespace Console
