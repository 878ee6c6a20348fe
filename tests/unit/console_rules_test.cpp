// The console's rules without windows: reading the Status and IP Config values
// out of the utility page, the checks of each Set, and the exact requests.

#include "base/localize.h"
#include "base/refusal.h"
#include "console/ip_config.h"
#include "console/page_tabs.h"
#include "console/status_actions.h"
#include "console/status_page.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <tuple>

#include <gtest/gtest.h>

// Failures show the text, not its bytes.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using Console::Checked;
using Console::StatusView;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const Console::UnitAddress kUnit{s("127.0.0.2"), 80};

// The words of a box before any translation: the message and its pieces.
QString english(const Base::Refusal& r) {
    QString text = r.messageKey;
    for (const Base::MessagePart& part : r.moreParts)
        text += part.text;
    return text;
}

// What a check came to, as one line: the request, or the words, caption and icon of the box.
QString outcome(const Checked& checked) {
    // The origin and the failure page are CgiRequest's own, tested with it.
    if (const auto* change = Console::changeOf(checked))
        return QString(change->url).remove(s("http://127.0.0.2/")).remove(s("&failure=fail.htm")) + s(" -> ") +
               change->page;
    const Base::Refusal& r = *Console::refusalOf(checked);
    const char* const icons[] = {"error", "information", "question", "warning"};
    return english(r) + QLatin1Char('|') + r.captionKey + QLatin1Char('|') + s(icons[static_cast<int>(r.icon)]);
}

// ---- tabs

struct TabCase {
    const char* name;
    bool modifyFtpVisible;
    int visibleTab;
    int page;
};

void PrintTo(const TabCase& c, std::ostream* os) {
    *os << c.name;
}

class TabMap : public ::testing::TestWithParam<TabCase> {};

TEST_P(TabMap, CaptionComesFromTheRightPage) {
    const TabCase& c = GetParam();
    std::array<bool, Console::kPageCount> visible{true, true, true, true, true, c.modifyFtpVisible, true};
    EXPECT_EQ(Console::captionPageForTab(c.visibleTab, visible), c.page) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Tabs, TabMap,
                         ::testing::Values(TabCase{"hidden: FTP Server stays", false, 4, 4},
                                           TabCase{"hidden: sixth tab is Disk Utility", false, 5, 6},
                                           TabCase{"hidden: no seventh tab", false, 6, -1},
                                           TabCase{"shown: sixth tab is Modify FTP", true, 5, 5},
                                           TabCase{"shown: seventh tab is Disk Utility", true, 6, 6},
                                           TabCase{"first tab", false, 0, 0}, TabCase{"negative index", true, -1, -1}));

// ---- reading the Status page

QByteArray statusPage(const QMap<QByteArray, QByteArray>& overrides = {}) {
    QMap<QByteArray, QByteArray> v{
        {"host_name", "NAS1"},      {"group_name", "WORKGROUP"}, {"sntp_time", "2024/05/06 07:08:09"},
        {"sntp_day0", "2024"},      {"sntp_day1", "05"},         {"sntp_day2", "06"},
        {"sntp_time0", "07"},       {"sntp_time1", "08"},        {"sntp_time2", "09"},
        {"sntp_auto", "checked"},   {"sntp_timeserver", "0"},    {"sntp_server", "time.nist.gov"},
        {"sntp_zone", "1"},         {"ip_addr", "127.0.0.2"},    {"dhcps_option", ""},
        {"firm_ver", "2.01.16"},    {"disk_id", "ZHD080"},       {"free_size", "  51.2 GB"},
        {"total_size", " 74.5 GB"}, {"default_lang", "1"},       {"lang_list", "English#Deutsch#Nederlands"},
    };
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it)
        v[it.key()] = it.value();
    QByteArray page = "<HTML>\r\n<SCRIPT>\r\n";
    for (auto it = v.cbegin(); it != v.cend(); ++it)
        page += it.key() + "=\"" + it.value() + "\";\r\n";
    return page + "</SCRIPT></HTML>\r\n";
}

TEST(StatusRead, EachFieldComesFromItsOwnVariable) {
    const StatusView v = Console::readStatusPage(statusPage());
    EXPECT_EQ(QStringList({v.hostName, v.groupName, v.currentTime, v.year, v.month, v.day, v.hour, v.minute, v.second,
                           v.server, v.ipAddress, v.firmware, v.diskId, v.freeSize, v.totalSize})
                  .join(QLatin1Char('|')),
              s("NAS1|WORKGROUP|2024/05/06 07:08:09|2024|05|06|07|08|09|time.nist.gov|127.0.0.2|2.01.16|ZHD080|"
                "51.2 GB| 74.5 GB"))
        << "free size trimmed, total size not";
    EXPECT_EQ(std::tuple(v.sntpAuto, v.serverFromList, v.listedServer, v.zoneIndex, v.dhcpServer, v.languageIndex),
              std::tuple(true, true, 1, 13, false, 1));
    EXPECT_EQ(v.languages, QStringList({s("English"), s("Deutsch"), s("Nederlands")}));
    EXPECT_EQ(v.stop, StatusView::Stop::None);
}

struct ReadCase {
    const char* name;
    QMap<QByteArray, QByteArray> page;
    std::function<void(const StatusView&)> check;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class StatusReadRules : public ::testing::TestWithParam<ReadCase> {};

TEST_P(StatusReadRules, Hold) {
    GetParam().check(Console::readStatusPage(statusPage(GetParam().page)));
}

const auto zoneIs = [](int index) {
    return [index](const StatusView& v) {
        EXPECT_EQ(v.stop, StatusView::Stop::None);
        EXPECT_EQ(v.zoneIndex, index);
    };
};
const auto languageIs = [](int index, QStringList entries) {
    return [index, entries](const StatusView& v) {
        EXPECT_EQ(v.stop, StatusView::Stop::None);
        EXPECT_EQ(v.languageIndex, index);
        EXPECT_EQ(v.languages, entries);
    };
};
const QStringList kThree{s("English"), s("Deutsch"), s("Nederlands")};

INSTANTIATE_TEST_SUITE_P(
    Page, StatusReadRules,
    ::testing::Values(
        ReadCase{"zone -5 is Bogota",
                 {{"sntp_zone", "-5"}},
                 [](const StatusView& v) {
                     EXPECT_EQ(Console::timeZoneNames().value(v.zoneIndex), s("(GMT-05:00)Bogota, Lima,Eastern Time"));
                 }},
        ReadCase{"empty zone is entry 0", {{"sntp_zone", ""}}, zoneIs(0)},
        ReadCase{"zone 12 is the last entry", {{"sntp_zone", "12"}}, zoneIs(24)},
        ReadCase{"zone 13 selects entry 0", {{"sntp_zone", "13"}}, zoneIs(0)},
        ReadCase{"zone -13 selects entry 0", {{"sntp_zone", "-13"}}, zoneIs(0)},
        ReadCase{"zone with leading blanks and sign", {{"sntp_zone", "  +3"}}, zoneIs(15)},
        ReadCase{"zone that is no number stops before the address",
                 {{"sntp_zone", "abc"}},
                 [](const StatusView& v) {
                     EXPECT_EQ(v.stop, StatusView::Stop::AtZone);
                     EXPECT_EQ(english(v.stopError), s("'abc' is not a valid integer value."));
                     EXPECT_EQ(v.stopError.icon, Base::Icon::Error);
                     EXPECT_EQ(v.hostName, s("NAS1")) << "what came before is filled";
                     EXPECT_TRUE(v.ipAddress.isEmpty());
                 }},
        ReadCase{"zone beyond an int",
                 {{"sntp_zone", "2147483648"}},
                 [](const StatusView& v) { EXPECT_EQ(v.stop, StatusView::Stop::AtZone); }},
        ReadCase{"empty default language is entry 0", {{"default_lang", ""}}, languageIs(0, kThree)},
        ReadCase{"language beyond the list selects nothing", {{"default_lang", "3"}}, languageIs(-1, kThree)},
        ReadCase{"negative language selects nothing", {{"default_lang", "-1"}}, languageIs(-1, kThree)},
        ReadCase{"language that is no number stops before the list",
                 {{"default_lang", "1x"}},
                 [](const StatusView& v) {
                     EXPECT_EQ(v.stop, StatusView::Stop::AtLanguage);
                     EXPECT_EQ(english(v.stopError), s("'1x' is not a valid integer value."));
                     EXPECT_EQ(v.totalSize, s(" 74.5 GB"));
                     EXPECT_TRUE(v.languages.isEmpty());
                 }},
        ReadCase{"two names joined by two #",
                 {{"lang_list", "A##B"}, {"default_lang", "0"}},
                 languageIs(0, {s("A"), s(""), s("B")})},
        ReadCase{"empty list is one empty entry", {{"lang_list", ""}, {"default_lang", "0"}}, languageIs(0, {s("")})},
        ReadCase{"server not in the list selects entry 0",
                 {{"sntp_server", "ntp.example.net"}},
                 [](const StatusView& v) {
                     EXPECT_EQ(v.listedServer, 0);
                     EXPECT_TRUE(v.serverFromList);
                 }},
        ReadCase{"manual server mode keeps the name",
                 {{"sntp_timeserver", "1"}, {"sntp_server", "ntp.example.net"}},
                 [](const StatusView& v) {
                     EXPECT_FALSE(v.serverFromList);
                     EXPECT_EQ(v.server, s("ntp.example.net"));
                 }},
        ReadCase{"switches other than checked are off",
                 {{"sntp_auto", "CHECKED"}, {"dhcps_option", "checked"}, {"sntp_timeserver", ""}},
                 [](const StatusView& v) {
                     EXPECT_FALSE(v.sntpAuto);
                     EXPECT_TRUE(v.dhcpServer);
                     EXPECT_FALSE(v.serverFromList);
                 }}),
    [](const ::testing::TestParamInfo<ReadCase>& p) { return "case" + std::to_string(p.index); });

// ---- the five Set actions

struct CheckCase {
    const char* name;
    std::function<Checked()> check;
    const char* expected;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

class StatusChecks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(StatusChecks, GiveTheRequestOrTheBox) {
    EXPECT_EQ(outcome(GetParam().check()), s(GetParam().expected)) << GetParam().name;
}

Checked ident(const char* host, const char* group) {
    return Console::identificationChange(kUnit, s(host), s(group));
}

Checked admin(const char* password, const char* verify) {
    return Console::administratorChange(kUnit, s(password), s(verify));
}

Console::DateTimeInput dateTime() {
    Console::DateTimeInput in;
    in.sntpAuto = false;
    in.serverFromList = true;
    in.listedServer = 2;
    in.manualServer = s("ntp.example.net");
    in.year = s("2024");
    in.month = s("5");
    in.day = s("06");
    in.hour = s("7");
    in.minute = s("08");
    in.second = s("09");
    in.zoneIndex = 13;
    return in;
}

template <class Change> Checked with(Change change) {
    Console::DateTimeInput in = dateTime();
    change(in);
    return Console::dateTimeChange(kUnit, in);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, StatusChecks,
    ::testing::Values(
        CheckCase{"identification", [] { return ident("NAS-1", "WORK_GROUP"); },
                  "nas.cgi?redirect=id.htm&type=cifs_config_apply&enable=1"
                  "&hostname=NAS-1&group_name=WORK_GROUP -> id.htm"},
        CheckCase{"equals sign is a name character, kept from ending the value", [] { return ident("a=b", "g"); },
                  "nas.cgi?redirect=id.htm&type=cifs_config_apply&enable=1"
                  "&hostname=a%3Db&group_name=g -> id.htm"},
        CheckCase{"leading blank before a digit passes and is trimmed", [] { return ident(" 1nas\t", " g "); },
                  "nas.cgi?redirect=id.htm&type=cifs_config_apply&enable=1"
                  "&hostname=1nas&group_name=g -> id.htm"},
        CheckCase{"empty host", [] { return ident("", "g"); }, "Value is empty|Identification|error"},
        CheckCase{"empty wins over the digit", [] { return ident("1h", ""); }, "Value is empty|Identification|error"},
        CheckCase{"host begins with a digit", [] { return ident("1nas", "g"); },
                  "First character can not be number (0~9).|Identification|information"},
        CheckCase{"full stop in the host", [] { return ident("my.nas", "g"); },
                  "Invalid value .Host Name my.nas|Identification|information"},
        CheckCase{"only the last character is bad", [] { return ident("nas!", "g"); },
                  "Invalid value !Host Name nas!|Identification|information"},
        CheckCase{"host is checked after trimming", [] { return ident(" a b ", "g"); },
                  "Invalid value  Host Name a b|Identification|information"},
        CheckCase{"bad group named after a good host", [] { return ident("nas", "w&x=1"); },
                  "Invalid value &Group Name w&x=1|Identification|information"},
        CheckCase{"letters beyond ASCII are refused", [] { return ident("caf\xc3\xa9", "g"); },
                  "Invalid value \xc3\xa9Host Name caf\xc3\xa9|Identification|information"},
        CheckCase{"nothing but blanks", [] { return ident("   ", "g"); }, "Value is empty|Identification|error"},
        CheckCase{"a blank host before a bad group", [] { return ident("   ", "a.b"); },
                  "Value is empty|Identification|error"},

        CheckCase{"password", [] { return admin("Pa-s 1\xc3\xa9", "Pa-s 1\xc3\xa9"); },
                  "man.cgi?redirect=sys_auth.htm&type=auth_apply"
                  "&TF_password=Pa%2ds+1%c3%a9&TF_passwordl=Pa%2ds+1%c3%a9 -> sys_auth.htm"},
        CheckCase{"empty password", [] { return admin("", "x"); },
                  "Password can not be null!|Administrator|information"},
        CheckCase{"letter case counts", [] { return admin("Secret", "secret"); },
                  "New password entries do not match!|Administrator|information"},

        CheckCase{"date and time by hand, listed server sent too", [] { return with([](auto&) {}); },
                  "man.cgi?redirect=sys_sntp.htm&type=sntp_apply&sntp_time="
                  "&day0=2024&day1=5&day2=06&time0=7&time1=08&time2=09&R_sntp=DISABLE&R_sntp_server=0"
                  "&Sntp_ip=time.windows.com&sntp_input=ntp.example.net&sntp_timezone=1 -> sys_sntp.htm"},
        CheckCase{"time service with a typed server, zone -12",
                  [] {
                      return with([](auto& in) {
                          in.sntpAuto = true;
                          in.serverFromList = false;
                          in.zoneIndex = 0;
                      });
                  },
                  "man.cgi?redirect=sys_sntp.htm&type=sntp_apply&sntp_time="
                  "&day0=2024&day1=5&day2=06&time0=7&time1=08&time2=09&R_sntp=ENABLE&R_sntp_server=1"
                  "&Sntp_ip=time.windows.com&sntp_input=ntp.example.net&sntp_timezone=-12 -> sys_sntp.htm"},
        CheckCase{"typed values cannot add parameters",
                  [] {
                      return with([](auto& in) {
                          in.year = s("2024&R_sntp=ENABLE");
                          in.manualServer = s("a b#c");
                          in.zoneIndex = 24;
                      });
                  },
                  "man.cgi?redirect=sys_sntp.htm&type=sntp_apply&sntp_time="
                  "&day0=2024%26R_sntp%3DENABLE&day1=5&day2=06&time0=7&time1=08&time2=09&R_sntp=DISABLE"
                  "&R_sntp_server=0&Sntp_ip=time.windows.com&sntp_input=a%20b%23c&sntp_timezone=12 -> sys_sntp.htm"},
        CheckCase{"typed server empty",
                  [] {
                      return with([](auto& in) {
                          in.serverFromList = false;
                          in.manualServer.clear();
                      });
                  },
                  "Time server is empty|Date and Time|information"},
        CheckCase{"no list entry selected", [] { return with([](auto& in) { in.listedServer = -1; }); },
                  "Please select a time server from the list|Date and Time|information"},
        CheckCase{"no zone selected", [] { return with([](auto& in) { in.zoneIndex = -1; }); },
                  "Please select a time zone|Date and Time|information"},

        CheckCase{"DHCP server on", [] { return Checked(Console::dhcpServerChange(kUnit, true)); },
                  "dhcps.cgi?redirect=status.htm&type=dhcps_apply&R_dhcps=ENABLE"
                  "&TF_wins=&TF_ippoolmin=2&TF_ippoolmax=254&TF_lease_day=1&TF_lease_hr=0&TF_lease_min=0"
                  " -> status.htm"},
        CheckCase{"no language selected", [] { return Checked(Console::languageChange(kUnit, -1)); },
                  "nas.cgi?redirect=status.htm&type=nas_lang_apply&lang=-1"
                  " -> status.htm"}),
    [](const ::testing::TestParamInfo<CheckCase>& p) { return "case" + std::to_string(p.index); });

TEST(StatusBoxes, PiecesAreTranslatedOneByOne) {
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile file(dir.filePath(s("language")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Invalid value =Ung\xc3\xbcltiger Wert \r\nHost Name=Hostname\r\nmy=mein\r\n");
    file.close();
    Base::reloadLanguageFile();
    const Checked checked = Console::identificationChange(kUnit, s("my.nas"), s("g"));
    const Base::Refusal* refusal = Console::refusalOf(checked);
    ASSERT_NE(refusal, nullptr);
    // The character and the typed name stand as they are, even where a key would match them.
    EXPECT_EQ(Base::refusalText(*refusal), s("Ung\xc3\xbcltiger Wert .Hostname my.nas"));
    ASSERT_TRUE(QDir::setCurrent(before));
    Base::reloadLanguageFile();
}

// ---- IP Config

struct IpReadCase {
    QByteArray type;
    bool automatic;
};

class IpRead : public ::testing::TestWithParam<IpReadCase> {};

TEST_P(IpRead, OnlyTheExactWordMeansDhcp) {
    const QByteArray page = "<HTML>\r\nip_type=\"" + GetParam().type +
                            "\";\r\nip=\"10.0.0.5\";\r\nsubmask=\"255.255.255.0\";\r\ngateway=\"10.0.0.1\";\r\n"
                            "pdns=\"10.0.0.1\";\r\nsdns=\"\";\r\n";
    const Console::IpConfigView v = Console::readIpConfigPage(page);
    EXPECT_EQ(v.automatic, GetParam().automatic) << GetParam().type.constData();
    EXPECT_EQ(v.address.ip, s("10.0.0.5"));
    EXPECT_EQ(v.address.mask, s("255.255.255.0"));
    EXPECT_EQ(v.address.gateway, s("10.0.0.1"));
    EXPECT_EQ(v.address.primaryDns, s("10.0.0.1"));
    EXPECT_TRUE(v.address.secondaryDns.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Types, IpRead,
                         ::testing::Values(IpReadCase{"DHCP CLIENT", true}, IpReadCase{"dhcp client", false},
                                           IpReadCase{"FIXED IP", false}, IpReadCase{"", false}));

TEST(IpRequests, AutomaticLeavesIfnameEmptyAndStaticEscapesWhatWasTyped) {
    EXPECT_EQ(outcome(Console::automaticAddressChange(kUnit)),
              s("dhcpc.cgi?redirect=if_cfg.htm&type=dhcpc_apply&ifname= -> if_cgi.htm"));
    EXPECT_EQ(outcome(Console::staticAddressChange(
                  kUnit, {s("10.0.0.9"), s("255.255.255.0"), s("10.0.0.1 "), s("10.0.0.1&ip=1.2.3.4"), s("")})),
              s("if.cgi?redirect=if_cfg.htm&type=wan_fixip_apply&ip=10.0.0.9&submask=255.255.255.0"
                "&gateway=10.0.0.1%20&pdns=10.0.0.1%26ip%3D1.2.3.4&sdns= -> if_cgi.htm"));
}

} // namespace
