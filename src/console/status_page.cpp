#include "console/status_page.h"

#include "base/list_bounds.h"
#include "web/page_values.h"

#include <limits>

namespace Console {

namespace {} // namespace

const std::array<QString, kTimeServerCount>& timeServers() {
    static const std::array<QString, kTimeServerCount> servers{
        QStringLiteral("pool.ntp.org"), QStringLiteral("time.nist.gov"), QStringLiteral("time.windows.com"),
        QStringLiteral("time.google.com"), QStringLiteral("ntp.ubuntu.com")};
    return servers;
}

const QStringList& timeZoneNames() {
    static const QStringList zones{
        QStringLiteral("(GMT-12:00)Eniwetok, Kwajalein"),
        QStringLiteral("(GMT-11:00)Midway Island, Samoa"),
        QStringLiteral("(GMT-10:00)Hawaii"),
        QStringLiteral("(GMT-09:00)Alaska"),
        QStringLiteral("(GMT-08:00)Pacific Time; Tijuana"),
        QStringLiteral("(GMT-07:00)Arizona, Mountain Time"),
        QStringLiteral("(GMT-06:00)Central Time, Tegucigalpa"),
        QStringLiteral("(GMT-05:00)Bogota, Lima,Eastern Time"),
        QStringLiteral("(GMT-04:00)Atlantic Time, Caracas, Santiago"),
        QStringLiteral("(GMT-03:00)Brasilia, Buenos Aires, Georgetown"),
        QStringLiteral("(GMT-02:00)Mid_Atlantic"),
        QStringLiteral("(GMT-01:00)Azores, Cape Verde Is."),
        QStringLiteral("(GMT)Eniwetok, Kwajalein"),
        QStringLiteral("(GMT+01:00)Amsterdam,Vienna,Paris,Rom"),
        QStringLiteral("(GMT+02:00)Athens, Cario, Harare, Jerusalem"),
        QStringLiteral("(GMT+03:00)Kuwait, Moscow, Tehran"),
        QStringLiteral("(GMT+04:00)Abuphabi, Baku"),
        QStringLiteral("(GMT+05:00)Ekaterinburg, Karachi, Islamabad"),
        QStringLiteral("(GMT+06:00)Astana, Colombo, Dhaka"),
        QStringLiteral("(GMT+07:00)Bangkok, Hanoi, Jakarka"),
        QStringLiteral("(GMT+08:00)Beijing, Hong Kong, Singapore, Taipei"),
        QStringLiteral("(GMT+09:00)Tokyo, Dsaka, Sapporo"),
        QStringLiteral("(GMT+10:00)Brisbane, Canberra,Syndey, Hobart"),
        QStringLiteral("(GMT+11:00)Magadan, Solomooon Is."),
        QStringLiteral("(GMT+12:00)Auckland, Fiji, Kamchatka"),
    };
    return zones;
}

std::optional<int> frameworkInteger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 n = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + (c - u'0');
        if (n > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    n = negative ? -n : n;
    if (n > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(n);
}

Base::Refusal conversionError(const QString& text) {
    // The framework's own words: not looked up in the language file.
    return {QString(),
            QStringLiteral("Error"),
            Base::Icon::Error,
            {{QLatin1Char('\'') + text + QStringLiteral("' is not a valid integer value."), false}}};
}

QString trimBlanksAndControls(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start].unicode() <= 0x20)
        ++start;
    while (end > start && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(start, end - start);
}

int listedServerIndex(const QString& server) {
    const auto& servers = timeServers();
    for (int i = 0; i < kTimeServerCount; ++i) {
        if (servers[static_cast<std::size_t>(i)] == server)
            return i;
    }
    return 0;
}

int timeZoneIndex(int zoneHours) {
    // A zone the list does not have would select past its end: take the first entry.
    if (zoneHours < -12 || zoneHours > 12)
        return 0;
    return zoneHours + 12;
}

QStringList languageEntries(const QString& langList) {
    QStringList entries;
    qsizetype text = 0;
    for (qsizetype from = 0;;) {
        const qsizetype hash = langList.indexOf(QLatin1Char('#'), from);
        const qsizetype end = hash < 0 ? langList.size() : hash;
        // A unit's page decides the entries, not how many the program keeps.
        if (entries.size() == Base::kMaxListEntries || text + (end - from) > Base::kMaxListText)
            break;
        entries.append(langList.sliced(from, end - from));
        text += end - from;
        if (hash < 0)
            break;
        from = hash + 1;
    }
    return entries;
}

int languageIndex(int defaultLang, qsizetype entries) {
    return defaultLang >= 0 && defaultLang < entries ? defaultLang : -1;
}

StatusView readStatusPage(QByteArrayView page) {
    StatusView v;
    v.hostName = Web::PageText(page, "host_name");
    v.groupName = Web::PageText(page, "group_name");
    v.currentTime = Web::PageText(page, "sntp_time");
    v.year = Web::PageText(page, "sntp_day0");
    v.month = Web::PageText(page, "sntp_day1");
    v.day = Web::PageText(page, "sntp_day2");
    v.hour = Web::PageText(page, "sntp_time0");
    v.minute = Web::PageText(page, "sntp_time1");
    v.second = Web::PageText(page, "sntp_time2");
    v.sntpAuto = Web::PageText(page, "sntp_auto") == QLatin1String("checked");
    v.serverFromList = Web::PageText(page, "sntp_timeserver") == QLatin1String("0");
    v.server = Web::PageText(page, "sntp_server");
    v.listedServer = listedServerIndex(v.server);

    const QString zone = Web::PageText(page, "sntp_zone");
    if (!zone.isEmpty()) {
        const std::optional<int> hours = frameworkInteger(zone);
        if (!hours) {
            v.stop = StatusView::Stop::AtZone;
            v.stopError = conversionError(zone);
            return v;
        }
        v.zoneIndex = timeZoneIndex(*hours);
    }
    v.ipAddress = Web::PageText(page, "ip_addr");
    v.dhcpServer = Web::PageText(page, "dhcps_option") == QLatin1String("checked");
    v.firmware = Web::PageText(page, "firm_ver");
    v.diskId = Web::PageText(page, "disk_id");
    v.freeSize = trimBlanksAndControls(Web::PageText(page, "free_size"));
    v.totalSize = Web::PageText(page, "total_size");

    const QString lang = Web::PageText(page, "default_lang");
    int defaultLang = 0;
    if (!lang.isEmpty()) {
        const std::optional<int> n = frameworkInteger(lang);
        if (!n) {
            v.stop = StatusView::Stop::AtLanguage;
            v.stopError = conversionError(lang);
            return v;
        }
        defaultLang = *n;
    }
    v.languages = languageEntries(Web::PageText(page, "lang_list"));
    v.languageIndex = languageIndex(defaultLang, v.languages.size());
    return v;
}

} // namespace Console
