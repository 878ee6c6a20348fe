// The simulated unit's utility page and CGI programs, read and driven over
// loopback the way the console reads and sends them.
#include "sim/web/unit_web_server.h"
#include "support/test_ports.h"

#include <QRegularExpression>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>

using namespace Sim;
using TestSupport::waitUntil;

namespace {

const QHostAddress kUnitAddress(QStringLiteral("127.0.0.3"));

// Every variable the console reads from the page.
const char* const kConsoleVariables[] = {
    "host_name",
    "group_name",
    "sntp_time",
    "sntp_day0",
    "sntp_day1",
    "sntp_day2",
    "sntp_time0",
    "sntp_time1",
    "sntp_time2",
    "sntp_auto",
    "sntp_timeserver",
    "sntp_server",
    "sntp_zone",
    "ip_addr",
    "dhcps_option",
    "firm_ver",
    "disk_id",
    "free_size",
    "total_size",
    "default_lang",
    "lang_list",
    "ip_type",
    "ip",
    "submask",
    "gateway",
    "pdns",
    "sdns",
    "share_list",
    "allow_share",
    "ftps_status",
    "ftps_port",
    "ftp_anon_stu",
    "ftp_a_att",
    "ftps_dir_list",
    "ftps_home_def",
    "ftp_ac_list",
    "ftps_account",
    "ftps_account_passwd",
    "ftps_att",
    "ftps_share_list",
    "disk_idle_value",
    "disk_fix_enable",
    "disk_scan",
};

// Sends one request, returns everything until the unit closes.
QByteArray exchange(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    QByteArray received;
    bool closed = false;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { received += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, [&] { closed = true; });
    socket.connectToHost(kUnitAddress, port);
    if (!waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 3000))
        return {};
    socket.write(request);
    waitUntil([&] { return closed; }, 3000);
    return received;
}

QByteArray get(const QByteArray& target) {
    return "GET " + target + " HTTP/1.1\r\nHost:127.0.0.3\r\nConnection: Keep-Alive\r\nAuthorization: Basic " +
           QByteArray("admin:admin").toBase64() + "\r\n\r\n";
}

QByteArray locationOf(const QByteArray& answer) {
    const qsizetype at = answer.indexOf("\r\nLocation: ");
    return at < 0 ? QByteArray() : answer.mid(at + 12, answer.indexOf("\r\n", at + 2) - at - 12);
}

// The console's reading: from the first "name=\"" to the next "\";" CR LF.
QByteArray pageValue(const QByteArray& page, const QByteArray& name) {
    const QByteArray key = name + "=\"";
    const qsizetype at = page.indexOf(key);
    if (at < 0)
        return {};
    const qsizetype end = page.indexOf("\";\r\n", at + key.size());
    return end < 0 ? QByteArray() : page.mid(at + key.size(), end - at - key.size());
}

// The value attribute of each option, in order.
QList<QByteArray> optionValues(QByteArray list) {
    QList<QByteArray> names;
    while (list.contains("value=\"")) {
        const qsizetype start = list.indexOf("value=\"") + 7;
        const qsizetype end = list.indexOf("\">");
        names.append(list.mid(start, end - start));
        list = list.mid(end + 2);
    }
    return names;
}

struct AccountRow {
    QByteArray user, password, access, state, value;
};

// The account list cut by its fixed &nbsp; columns, as the FTP page does it.
QList<AccountRow> accountRows(QByteArray list) {
    const QByteArray nbsp = "&nbsp;";
    QList<AccountRow> rows;
    while (list.contains("value=\"")) {
        AccountRow row;
        const qsizetype start = list.indexOf("value=\"") + 7;
        const qsizetype end = list.indexOf("\">");
        row.value = list.mid(start, end - start);
        const qsizetype close = list.indexOf("</option>");
        QByteArray text = list.mid(end + 2, close - end - 2);
        if (text.contains(nbsp)) {
            row.user = text.left(text.indexOf(nbsp));
            text = text.mid(row.user.size() + 6 * (21 - row.user.size()));
        }
        QByteArray* columns[] = {&row.password, &row.access};
        for (QByteArray* column : columns) {
            if (text.contains(nbsp)) {
                *column = text.left(text.indexOf(nbsp));
                text = text.mid(column->size() + 66);
            }
        }
        if (text.contains(nbsp))
            row.state = text.left(text.indexOf(nbsp));
        rows.append(row);
        list = list.mid(close + 2);
    }
    return rows;
}

// Everything but the running clock, to tell whether a refused change left the unit alone.
QByteArray withoutClock(const QByteArray& page) {
    QByteArray out;
    for (const QByteArray& line : page.split('\n')) {
        if (!line.startsWith("sntp_time") && !line.startsWith("sntp_day"))
            out += line + '\n';
    }
    return out;
}

class SimWebPage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(start(1)); }

    bool start(int unit) {
        m_server = std::make_unique<UnitWebServer>(defaultUnitState(unit, kUnitAddress));
        m_port = TestSupport::freeTcpPort();
        return m_server->listen(kUnitAddress, m_port);
    }
    QByteArray page() {
        const QByteArray answer = exchange(m_port, get("/utility_use.htm"));
        return answer.mid(answer.indexOf("<HTML>"));
    }
    QByteArray send(const QByteArray& target) { return locationOf(exchange(m_port, get(target))); }

    std::unique_ptr<UnitWebServer> m_server;
    quint16 m_port = 0;
};

TEST_F(SimWebPage, EveryUnitWritesEveryVariableOnALineOfItsOwnInItsFormat) {
    const QRegularExpression dotted(QStringLiteral("^(\\d{1,3}\\.){3}\\d{1,3}$"));
    const QList<QPair<QByteArray, QRegularExpression>> formats = {
        {"host_name", QRegularExpression(QStringLiteral("^[A-Za-z][A-Za-z0-9=_-]{0,14}$"))},
        {"sntp_time", QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))},
        {"sntp_day0", QRegularExpression(QStringLiteral("^\\d{4}$"))},
        {"sntp_day1", QRegularExpression(QStringLiteral("^\\d\\d$"))},
        {"sntp_time2", QRegularExpression(QStringLiteral("^\\d\\d$"))},
        {"sntp_auto", QRegularExpression(QStringLiteral("^(checked)?$"))},
        {"sntp_timeserver", QRegularExpression(QStringLiteral("^[01]$"))},
        {"sntp_zone", QRegularExpression(QStringLiteral("^-?\\d{1,2}$"))},
        {"ip_addr", dotted},
        {"ip", dotted},
        {"submask", dotted},
        {"dhcps_option", QRegularExpression(QStringLiteral("^(checked)?$"))},
        {"free_size", QRegularExpression(QStringLiteral("^ +\\d+\\.\\d GB$"))},
        {"total_size", QRegularExpression(QStringLiteral("^\\d+\\.\\d GB$"))},
        {"default_lang", QRegularExpression(QStringLiteral("^\\d+$"))},
        {"lang_list", QRegularExpression(QStringLiteral("^[^#]+(#[^#]+)+$"))},
        {"ip_type", QRegularExpression(QStringLiteral("^(DHCP CLIENT|FIXED IP)$"))},
        {"share_list", QRegularExpression(QStringLiteral("^(<option value=\"([^\"]+)\">\\2</option>)+$"))},
        {"allow_share", QRegularExpression(QStringLiteral("^<option value=\"0\">[^<]+</option>"))},
        {"ftps_status", QRegularExpression(QStringLiteral("^(ENABLE|DISABLE)$"))},
        {"ftps_port", QRegularExpression(QStringLiteral("^\\d+$"))},
        {"disk_fix_enable", QRegularExpression(QStringLiteral("^(ENABLE|DISABLE)$"))},
    };

    for (int unit = 1; unit <= 4; ++unit) {
        SCOPED_TRACE(unit);
        ASSERT_TRUE(start(unit));
        const QByteArray text = page();
        ASSERT_TRUE(text.startsWith("<HTML>"));
        for (const char* name : kConsoleVariables) {
            SCOPED_TRACE(name);
            // Found first at the start of its own line: no other name ends in it earlier.
            const qsizetype at = text.indexOf(QByteArray(name) + "=\"");
            ASSERT_GT(at, 0);
            EXPECT_EQ(text[at - 1], '\n');
            EXPECT_EQ(text.indexOf("\r\n", at), text.indexOf("\";\r\n", at) + 2);
        }
        for (const auto& [name, format] : formats) {
            const QString value = QString::fromUtf8(pageValue(text, name));
            EXPECT_TRUE(format.match(value).hasMatch()) << name.constData() << " = \"" << value.toStdString() << '"';
        }
        // The idle time is read up to its own closing quote.
        const QByteArray idle = pageValue(text, "disk_idle_value");
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+$"))
                        .match(QString::fromUtf8(idle.left(idle.indexOf("\";"))))
                        .hasMatch());
        EXPECT_EQ(QString::fromUtf8(pageValue(text, "ip_addr")), kUnitAddress.toString());
        // A unit with a scan result shows it over several lines; one without may clear nothing.
        const QByteArray scan = pageValue(text, "disk_scan");
        EXPECT_EQ(pageValue(text, "disk_fix_enable") == "ENABLE", scan.count('\n') >= 2);
        EXPECT_EQ(pageValue(text, "ftps_dir_list"), pageValue(text, "share_list"));
    }
}

TEST_F(SimWebPage, AccountListColumnsLineUp) {
    for (int unit = 1; unit <= 3; ++unit) {
        SCOPED_TRACE(unit);
        ASSERT_TRUE(start(unit));
        const QList<AccountRow> rows = accountRows(pageValue(page(), "ftp_ac_list"));
        const QList<FtpAccount>& accounts = m_server->state().ftp.accounts;
        ASSERT_EQ(rows.size(), accounts.size());
        ASSERT_FALSE(rows.isEmpty());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].user, accounts[i].name.toUtf8());
            EXPECT_EQ(rows[i].password, accounts[i].password.toUtf8());
            EXPECT_EQ(rows[i].access, accounts[i].readOnly ? "Read Only" : "Read/Write");
            EXPECT_EQ(rows[i].state, accounts[i].enabled ? "Enable" : "Disable");
            EXPECT_EQ(rows[i].value, QByteArray::number(accounts[i].id));
        }
    }
}

TEST_F(SimWebPage, ChosenAccountIsDescribedWithItsFolders) {
    EXPECT_EQ(pageValue(page(), "ftps_account"), "");
    ASSERT_EQ(send("/nas.cgi?redirect=ftp_mod.htm&failure=fail.htm&type=ftps_userid_set&ftps_user_id=1"),
              "ftp_mod.htm");
    ASSERT_EQ(send("/nas.cgi?redirect=ftp_mod.htm&failure=fail.htm&type=ftps_add_share&account=alice&account_List="
                   "Photos&op_add=Add"),
              "ftp_mod.htm");
    const QByteArray text = page();
    EXPECT_EQ(pageValue(text, "ftps_account"), "alice");
    EXPECT_EQ(pageValue(text, "ftps_account_passwd"), "wonder1");
    EXPECT_EQ(pageValue(text, "ftps_att"), "checked");
    // The account page takes the visible name up to the blank before the closing tag.
    EXPECT_EQ(pageValue(text, "ftps_share_list"),
              "<option value=\"Documents\">Documents </option><option value=\"Photos\">Photos </option>");
}

TEST_F(SimWebPage, AcceptedChangeRedirectsAndShowsInTheNextRead) {
    struct Case {
        QByteArray target;
        QByteArray redirect;
        QByteArray variable;
        QByteArray expected;
    };
    const Case cases[] = {
        {"/nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1&hostname=Vault-7&group_name="
         "HOME_NET",
         "id.htm", "host_name", "Vault-7"},
        {"/nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1&hostname=ABCDEFGHIJKLMNO&group_"
         "name=a=b",
         "id.htm", "host_name", "ABCDEFGHIJKLMNO"},
        {"/dhcps.cgi?redirect=status.htm&failure=fail.htm&type=dhcps_apply&R_dhcps=ENABLE&TF_wins=&TF_ippoolmin=2&TF_"
         "ippoolmax=254&TF_lease_day=1&TF_lease_hr=0&TF_lease_min=0",
         "status.htm", "dhcps_option", "checked"},
        {"/nas.cgi?redirect=status.htm&failure=fail.htm&type=nas_lang_apply&lang=5", "status.htm", "default_lang", "5"},
        {"/man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&sntp_time=&day0=&day1=&day2=&time0=&time1="
         "&time2=&R_sntp=ENABLE&R_sntp_server=1&Sntp_ip=pool.ntp.org&sntp_input=ntp.lan.example&sntp_timezone=-5",
         "sys_sntp.htm", "sntp_server", "ntp.lan.example"},
        {"/man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&sntp_time=&day0=2031&day1=7&day2=04&time0="
         "12&time1=30&time2=00&R_sntp=DISABLE&R_sntp_server=0&Sntp_ip=pool.ntp.org&sntp_input=&sntp_timezone=3",
         "sys_sntp.htm", "sntp_day0", "2031"},
        {"/nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set=DISABLE&ftps_port=01025", "ftp.htm",
         "ftps_port", "1025"},
        {"/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_mkdir_apply&folder=New%2dDir%5f2&to_name=", "smb.htm",
         "share_list",
         "<option value=\"Documents\">Documents</option><option value=\"Music\">Music</option><option "
         "value=\"Photos\">Photos</option><option value=\"Backup\">Backup</option><option "
         "value=\"New-Dir_2\">New-Dir_2</option>"},
        {"/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&allow_share=Documents&del=Remove", "smb.htm",
         "allow_share", "<option value=\"0\">PUBLIC</option><option value=\"Music\">Music</option>"},
        {"/nas.cgi?redirect=sto.htm&failure=fail.htm&type=ide_fixdisk_start", "sto.htm", "disk_fix_enable", "DISABLE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.constData());
        ASSERT_TRUE(start(1));
        EXPECT_NE(pageValue(page(), c.variable), c.expected);
        EXPECT_EQ(send(c.target), c.redirect);
        EXPECT_EQ(pageValue(page(), c.variable), c.expected);
    }

    // The typed clock goes on running from the typed time.
    ASSERT_TRUE(start(1));
    send(cases[5].target);
    EXPECT_TRUE(pageValue(page(), "sntp_time").startsWith("2031/07/04 12:3"));
}

TEST_F(SimWebPage, RefusedChangeGoesToTheFailurePageAndChangesNothing) {
    const QByteArray id = "/nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1";
    const QByteArray sntp = "/man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&R_sntp=ENABLE&"
                            "R_sntp_server=0&Sntp_ip=pool.ntp.org&sntp_input=";
    const QByteArray sntpOff = "/man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&R_sntp=DISABLE&"
                               "R_sntp_server=0&Sntp_ip=pool.ntp.org&sntp_timezone=0&time0=1&time1=2&time2=3";
    const QByteArray lang = "/nas.cgi?redirect=status.htm&failure=fail.htm&type=nas_lang_apply&lang=";
    const QByteArray auth = "/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply";
    const QByteArray targets[] = {
        id + "&hostname=&group_name=HOME",
        id + "&hostname=7up&group_name=HOME",
        id + "&hostname=ABCDEFGHIJKLMNOP&group_name=HOME",
        id + "&hostname=bad.name&group_name=HOME",
        id + "&hostname=Unit+One&group_name=HOME",
        id + "&hostname=Caf%c3%a9&group_name=HOME",
        id + "&hostname=Vault&group_name=",
        id + "&hostname=Vault&group_name=9lives",
        auth + "&TF_password=abc&TF_passwordl=abC",
        auth + "&TF_password=&TF_passwordl=",
        auth + "&TF_password=thirteen_char&TF_passwordl=thirteen_char",
        sntp + "&sntp_timezone=13",
        sntp + "&sntp_timezone=x",
        sntpOff + "&day0=2031&day1=2&day2=30",
        sntpOff + "&day0=2031&day1=13&day2=1",
        lang + "6",
        lang + "-1",
        "/dhcps.cgi?redirect=status.htm&failure=fail.htm&type=dhcps_apply&R_dhcps=on",
        "/nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set=ENABLE&ftps_port=1024",
        "/nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_state_apply&ftps_set=ENABLE&ftps_port=65501",
        "/nas.cgi?redirect=sto.htm&failure=fail.htm&type=ide_set&idle=4",
        // The account dialog's request for a name in use would otherwise make bob read-only.
        "/nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_add&Account=bob&ftp_att=R",
        "/nas.cgi?redirect=ftp.htm&failure=fail.htm&type=ftps_user_add&Account=a.b&ftp_att=R",
        "/nas.cgi?redirect=smb.htm&failure=fail.htm&type=nas_apply&allow_share=0&del=Remove",
        "/if.cgi?redirect=if_cfg.htm&failure=fail.htm&type=wan_fixip_apply&ip=127.0.0.256&submask=255.0.0.0",
        "/if.cgi?redirect=if_cfg.htm&failure=fail.htm&type=wan_fixip_apply&ip=127.0.0.9&submask=255.0.255.0",
        "/nas.cgi?redirect=status.htm&failure=fail.htm&type=no_such_action",
        "/nas.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply&TF_password=a&TF_passwordl=a",
        "/nas.cgi?redirect=status.htm&failure=fail.htm",
    };
    const QByteArray before = withoutClock(page());
    for (const QByteArray& target : targets) {
        SCOPED_TRACE(target.constData());
        EXPECT_EQ(send(target), "fail.htm");
        EXPECT_EQ(withoutClock(page()), before);
    }
    // The failure page is the one the request names.
    EXPECT_EQ(send(lang + "9&failure=oops.htm"), "fail.htm");
    EXPECT_EQ(send("/nas.cgi?redirect=status.htm&failure=nope.htm&type=nas_lang_apply&lang=9"), "nope.htm");
}

TEST_F(SimWebPage, NewPasswordIsNeededAtTheNextLogin) {
    // "n@w pass" as the console encodes it.
    EXPECT_EQ(send("/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply&TF_password=n%40w+pass&TF_"
                   "passwordl=n%40w+pass"),
              "sys_auth.htm");
    EXPECT_TRUE(exchange(m_port, get("/utility_use.htm")).startsWith("HTTP/1.0 401 "));
    const QByteArray login = "GET /utility_use.htm HTTP/1.1\r\nHost:127.0.0.3\r\nAuthorization: Basic " +
                             QByteArray("admin:n@w pass").toBase64() + "\r\n\r\n";
    EXPECT_TRUE(exchange(m_port, login).startsWith("HTTP/1.0 200 "));
}

TEST_F(SimWebPage, RenamingAFolderFollowsItEverywhere) {
    ASSERT_EQ(send("/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rename_apply&folder=Papers&to_name=Documents"),
              "smb.htm");
    const QByteArray text = page();
    EXPECT_EQ(optionValues(pageValue(text, "share_list")), (QList<QByteArray>{"Papers", "Music", "Photos", "Backup"}));
    EXPECT_EQ(optionValues(pageValue(text, "allow_share")), (QList<QByteArray>{"0", "Papers", "Music"}));
    EXPECT_EQ(pageValue(text, "ftps_home_def"), "Papers");
    EXPECT_EQ(m_server->state().ftp.accounts[0].folders, QStringList{QStringLiteral("Papers")});

    ASSERT_EQ(send("/nas.cgi?redirect=smb.htm&failure=fail.htm&type=fm_rmdir_apply&folder=Papers&to_name="), "smb.htm");
    EXPECT_EQ(optionValues(pageValue(page(), "allow_share")), (QList<QByteArray>{"0", "Music"}));
    EXPECT_TRUE(m_server->state().ftp.accounts[0].folders.isEmpty());
}

} // namespace
