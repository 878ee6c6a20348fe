#include "web/send_cgi.h"

#include <gtest/gtest.h>

namespace {

using Web::ErrorKind;
using Web::SendCgiResult;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// What one Get and its probe come to.
struct Exchange {
    ErrorKind error = ErrorKind::None;
    int lastStatus = 200;
    QByteArray header = "HTTP/1.0 200 OK";
    // An accepted change: the unit's redirect was followed to its page.
    QStringList locations = {QStringLiteral("page.htm")};
    bool reachable = true;
};

const Exchange kRefused{.lastStatus = 302, .header = "HTTP/1.0 302 Found\r\nLocation: fail.htm"};

// Console stand-in and scripted component in one; it notes any network call
// made outside runRequest, where the desktop program leaves the window thread.
class Fake final : public Web::SendCgiHost, public Web::CgiClient {
public:
    QList<Exchange> script{Exchange{}}; // one per Get, the last repeats
    QStringList hostLog;
    QStringList clientLog;
    int gets = 0;
    bool automatic = false;

    // Host
    void showMessage(const Base::Refusal& box) override {
        const char* const icons[] = {"error", "information", "question", "warning"};
        hostLog << box.messageKey + QLatin1Char('|') + box.captionKey + QLatin1Char('|') +
                       s(icons[static_cast<int>(box.icon)]);
    }
    void runRequest(const std::function<void()>& request) override {
        m_inRequest = true;
        request();
        m_inRequest = false;
    }
    // As the console does: its seven pages are the views it knows.
    void readPageAgain(int tab) override {
        if (tab >= 0 && tab < 7)
            hostLog << s("tab ") + QString::number(tab);
    }
    int viewInSight() override { return 0; }
    QString newPassword() override { return s("new"); }
    bool addressFromDhcp() override { return automatic; }
    QString newAddress() override { return s("10.0.0.7"); }
    void findUnitAgain() override { hostLog << s("scan"); }
    void unitUnreachable() override { hostLog << s("flag"); }

    // Client
    void setCredentials(const QString& user, const QString& password) override {
        clientLog << s("credentials ") + user + QLatin1Char(':') + password;
    }
    void setReferer(const QString& referer) override { clientLog << s("referer ") + referer; }
    Web::Error Get(const QString& url) override {
        note(s("get ") + url);
        m_current = script[std::min<qsizetype>(gets++, script.size() - 1)];
        return {m_current.error, {}};
    }
    int lastStatus() const override { return m_current.lastStatus; }
    QByteArray headerText() const override { return m_current.header; }
    QStringList followedLocations() const override { return m_current.locations; }
    Web::Error Connect(const QString& host, quint16 port, int timeoutMs) override {
        note(QStringLiteral("connect %1:%2 %3").arg(host).arg(port).arg(timeoutMs));
        m_connected = m_current.reachable;
        return {m_connected ? ErrorKind::None : ErrorKind::Connect, {}};
    }
    bool connected() const override { return m_connected; }
    void Disconnect() override {
        note(s("disconnect"));
        m_connected = false;
    }

private:
    void note(const QString& call) { clientLog << (m_inRequest ? call : s("outside runRequest: ") + call); }

    Exchange m_current;
    bool m_connected = false;
    bool m_inRequest = false;
};

Web::Settings noPause() {
    Web::Settings settings;
    settings.pauseMs = 0;
    return settings;
}

struct Fixture {
    Web::DeviceContext device{s("127.0.0.2"), s("admin"), s("old")};
    Web::Settings settings = noPause();
    Fake fake;
    Web::CgiSender sender{fake, device, fake, settings};
};

const char* const kFtpUrl =
    "http://127.0.0.2/nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_del&FTP_AC_LIST=1";

struct RuleCase {
    const char* name;
    const char* page;
    const char* url;
    Exchange exchange;
    int tab;
    SendCgiResult result;
    QStringList hostLog;
    bool automatic = false;
    const char* ipAfter = "127.0.0.2";
    const char* passwordAfter = "old";
};

void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.name;
}

class PageRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(PageRules, ResultWindowCallsAndDevice) {
    const auto& c = GetParam();
    Fixture f;
    f.fake.script = {c.exchange};
    f.fake.automatic = c.automatic;
    EXPECT_EQ(f.sender.SendCgi(s(c.url), s(c.page), c.tab), c.result);
    EXPECT_EQ(f.fake.hostLog, c.hostLog);
    EXPECT_EQ(f.fake.gets, 1);
    EXPECT_EQ(f.device.ip, s(c.ipAfter));
    EXPECT_EQ(f.device.password, s(c.passwordAfter));
    EXPECT_FALSE(f.fake.clientLog.join(QLatin1Char(',')).contains(s("outside")));
}

const QStringList kNoCalls;
const Exchange kGone{.error = ErrorKind::Connect, .lastStatus = 0, .header = "", .reachable = false};

INSTANTIATE_TEST_SUITE_P(
    Pages, PageRules,
    ::testing::Values(
        RuleCase{"maintain.htm returns at once",
                 "maintain.htm",
                 "http://127.0.0.2/man.cgi",
                 {},
                 2,
                 SendCgiResult::Done,
                 kNoCalls},
        RuleCase{"other page: the tab is read again",
                 "smb.htm",
                 "http://127.0.0.2/nas.cgi",
                 {},
                 3,
                 SendCgiResult::Done,
                 {s("tab 3")}},
        RuleCase{"tab outside 0..6: nothing read",
                 "smb.htm",
                 "http://127.0.0.2/nas.cgi",
                 {},
                 7,
                 SendCgiResult::Done,
                 kNoCalls},
        RuleCase{"ftp.htm: failure page in the header", "ftp.htm", kFtpUrl, kRefused, 4, SendCgiResult::Refused,
                 kNoCalls},
        RuleCase{"ftp.htm: failure page reached by redirect", "ftp.htm", kFtpUrl,
                 Exchange{.locations = {s("http://127.0.0.2/fail.htm")}}, 4, SendCgiResult::Refused, kNoCalls},
        // Silence is no refusal: said at once, never sent again.
        RuleCase{"ftp.htm: no answer",
                 "ftp.htm",
                 kFtpUrl,
                 Exchange{.error = ErrorKind::Read, .lastStatus = 0},
                 4,
                 SendCgiResult::Done,
                 {s("The unit did not answer the change|Action|error"), s("tab 4")}},
        RuleCase{
            "ftp.htm: a failed answer", "ftp.htm", kFtpUrl,
            Exchange{.error = ErrorKind::Malformed, .lastStatus = 500, .header = "HTTP/1.0 500 Error", .locations = {}},
            4, SendCgiResult::Refused, kNoCalls},
        RuleCase{"ftp.htm: an error after a 302 is no failure",
                 "ftp.htm",
                 kFtpUrl,
                 Exchange{.error = ErrorKind::TooManyRedirects, .lastStatus = 302, .header = "Location: ftp.htm"},
                 4,
                 SendCgiResult::Done,
                 {s("The unit's answer did not confirm the change|Action|information"), s("tab 4")}},
        RuleCase{"ftp.htm: accepted",
                 "ftp.htm",
                 kFtpUrl,
                 Exchange{.locations = {s("ftp.htm")}},
                 4,
                 SendCgiResult::Done,
                 {s("tab 4")}},
        RuleCase{"ftp.htm: ftps_user_enabled is never refused",
                 "ftp.htm",
                 "http://127.0.0.2/nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_enabled&FTP_AC_LIST=0",
                 kRefused,
                 4,
                 SendCgiResult::Done,
                 {s("tab 4")}},
        RuleCase{"/ftp.htm is not ftp.htm", "/ftp.htm", kFtpUrl, kRefused, 4, SendCgiResult::Done, {s("tab 4")}},
        RuleCase{"probe fails: reported once, no re-read",
                 "smb.htm",
                 "http://127.0.0.2/nas.cgi",
                 kGone,
                 0,
                 SendCgiResult::Unreachable,
                 {s("Connection Fail|Connect|error"), s("flag")}},
        RuleCase{"sys_auth.htm keeps the new password",
                 "sys_auth.htm",
                 "http://127.0.0.2/man.cgi",
                 {},
                 0,
                 SendCgiResult::Done,
                 {s("tab 0")},
                 false,
                 "127.0.0.2",
                 "new"},
        RuleCase{"if_cgi.htm, static: the new address, whatever the probe",
                 "if_cgi.htm",
                 "http://127.0.0.2/if.cgi",
                 kGone,
                 1,
                 SendCgiResult::Done,
                 {s("IP has been change, reconnect it success|IP Infomation|question")},
                 false,
                 "10.0.0.7"},
        RuleCase{"sys_auth.htm refused by the unit: the old password stays",
                 "sys_auth.htm",
                 "http://127.0.0.2/man.cgi",
                 kRefused,
                 0,
                 SendCgiResult::Done,
                 {s("The unit did not accept the new password|Administrator|information"), s("tab 0")}},
        RuleCase{"if_cgi.htm refused by the unit: same address, the tab read again",
                 "if_cgi.htm",
                 "http://127.0.0.2/if.cgi",
                 kRefused,
                 1,
                 SendCgiResult::Done,
                 {s("The unit did not accept the IP settings|IP Infomation|information"), s("tab 1")},
                 true},
        RuleCase{"if_cgi.htm, automatic: back to the scan window",
                 "if_cgi.htm",
                 "http://127.0.0.2/dhcpc.cgi",
                 kGone,
                 1,
                 SendCgiResult::Done,
                 {s("Automatic IP, re-scan it|IP Infomation|question"), s("scan")},
                 true}),
    [](const ::testing::TestParamInfo<RuleCase>& p) { return "case" + std::to_string(p.index); });

TEST(SendCgi, SendsWithTheOldCredentialsAndProbesTheDevicePort) {
    Fixture f;
    f.settings.devicePort = 8080;
    f.settings.probeTimeoutMs = 250;
    Web::CgiSender sender(f.fake, f.device, f.fake, f.settings);
    const QString url = s("http://127.0.0.2:8080/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply");
    sender.SendCgi(url, s("sys_auth.htm"), 0);
    // The Referer carries the address alone, as for a unit on port 80.
    EXPECT_EQ(f.fake.clientLog, QStringList({s("credentials admin:old"), s("referer http://127.0.0.2/sys_auth.htm"),
                                             s("get ") + url, s("connect 127.0.0.2:8080 250"), s("disconnect")}));
}

TEST(SendCgi, NoAddressSendsNothing) {
    Fixture f;
    f.device.ip.clear();
    EXPECT_EQ(f.sender.SendCgi(s("http:///nas.cgi"), s("smb.htm"), 3), SendCgiResult::Done);
    EXPECT_EQ(f.fake.gets, 0);
    EXPECT_EQ(f.fake.hostLog, QStringList{s("IP Address Error!|Action|error")});
}

struct RepeatCase {
    const char* name;
    QList<Exchange> script;
    bool withRetry; // SendWithRetry, else SendRepeated
    SendCgiResult result;
    int gets;
    QStringList hostLog;
};

void PrintTo(const RepeatCase& c, std::ostream* os) {
    *os << c.name;
}

class Repetition : public ::testing::TestWithParam<RepeatCase> {};

TEST_P(Repetition, EndsAtFifteenOrAtTheFirstOtherResult) {
    const auto& c = GetParam();
    Fixture f;
    f.fake.script = c.script;
    const QString url = s(kFtpUrl);
    EXPECT_EQ(c.withRetry ? f.sender.SendWithRetry(url, s("ftp.htm"), 4) : f.sender.SendRepeated(url, s("ftp.htm"), 0),
              c.result);
    EXPECT_EQ(f.fake.gets, c.gets);
    EXPECT_EQ(f.fake.hostLog, c.hostLog);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, Repetition,
    ::testing::Values(
        RepeatCase{
            "always refused, then the sheet is read", {kRefused}, true, SendCgiResult::Refused, 15, {s("tab 4")}},
        RepeatCase{"always refused, no extra read", {kRefused}, false, SendCgiResult::Refused, 15, kNoCalls},
        RepeatCase{
            "accepted on the third", {kRefused, kRefused, Exchange{}}, true, SendCgiResult::Done, 3, {s("tab 0")}},
        RepeatCase{"unreachable on the Status tab: once",
                   {kGone},
                   true,
                   SendCgiResult::Unreachable,
                   1,
                   {s("Connection Fail|Connect|error"), s("flag")}}),
    [](const ::testing::TestParamInfo<RepeatCase>& p) { return "case" + std::to_string(p.index); });

} // namespace
