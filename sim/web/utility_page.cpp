#include "sim/web/utility_page.h"

namespace Sim {

namespace {

QByteArray checked(bool on) {
    return on ? QByteArrayLiteral("checked") : QByteArray();
}

QByteArray option(const QString& value, const QString& text) {
    return QByteArrayLiteral("<option value=\"") + value.toUtf8() + QByteArrayLiteral("\">") + text.toUtf8() +
           QByteArrayLiteral("</option>");
}

QByteArray optionList(const QStringList& names) {
    QByteArray list;
    for (const QString& name : names)
        list += option(name, name);
    return list;
}

// The account's folders are listed with a blank before the closing tag; the
// account page cuts the visible name at that blank.
QByteArray accountFolderList(const QStringList& names) {
    QByteArray list;
    for (const QString& name : names)
        list += option(name, name + QLatin1Char(' '));
    return list;
}

QByteArray nbsp(qsizetype count) {
    return QByteArrayLiteral("&nbsp;").repeated(count);
}

// Fixed columns padded with &nbsp;: the user name to 21 characters, then
// password, access and state each followed by eleven.
QByteArray accountList(const QList<FtpAccount>& accounts) {
    QByteArray list;
    for (const FtpAccount& account : accounts) {
        const QByteArray name = account.name.toUtf8();
        QByteArray row = name + nbsp(qMax<qsizetype>(0, 21 - name.size()));
        row += account.password.toUtf8() + nbsp(11);
        row += (account.readOnly ? QByteArrayLiteral("Read Only") : QByteArrayLiteral("Read/Write")) + nbsp(11);
        row += (account.enabled ? QByteArrayLiteral("Enable") : QByteArrayLiteral("Disable")) + nbsp(11);
        list += QByteArrayLiteral("<option value=\"") + QByteArray::number(account.id) + QByteArrayLiteral("\">") +
                row + QByteArrayLiteral("</option>");
    }
    return list;
}

QByteArray gigabytes(qint64 megabytes, int width) {
    return QString::asprintf("%*.1f GB", width, double(megabytes) / 1024.0).toUtf8();
}

QByteArray twoDigits(int n) {
    return QByteArray::number(n).rightJustified(2, '0');
}

} // namespace

PageVariables pageVariables(const UnitState& s, const QDateTime& nowUtc) {
    const QDateTime local = unitLocalTime(s, nowUtc);
    const QDate day = local.date();
    const QTime time = local.time();
    const QString current = s.currentAddress.toString();
    const bool dhcp = s.address.dhcpClient;
    const int account = s.findFtpAccountById(s.ftp.selectedAccount);
    const FtpAccount selected = account >= 0 ? s.ftp.accounts[account] : FtpAccount{};

    QByteArray allowShare = option(kPublicFolder, QStringLiteral("PUBLIC"));
    allowShare += optionList(s.sharedFolders);

    // share_list stands before ftps_share_list: a key is found by its first
    // occurrence and "share_list=\"" ends the longer name too.
    return {
        {"host_name", s.hostName.toUtf8()},
        {"group_name", s.groupName.toUtf8()},
        {"sntp_time", local.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")).toUtf8()},
        {"sntp_day0", QByteArray::number(day.year())},
        {"sntp_day1", twoDigits(day.month())},
        {"sntp_day2", twoDigits(day.day())},
        {"sntp_time0", twoDigits(time.hour())},
        {"sntp_time1", twoDigits(time.minute())},
        {"sntp_time2", twoDigits(time.second())},
        {"sntp_auto", checked(s.clock.sntpEnabled)},
        {"sntp_timeserver", s.clock.manualServer ? QByteArrayLiteral("1") : QByteArrayLiteral("0")},
        {"sntp_server", s.clock.server.toUtf8()},
        {"sntp_zone", QByteArray::number(s.clock.zoneHours)},
        {"ip_addr", current.toUtf8()},
        {"dhcps_option", checked(s.dhcpServer)},
        {"firm_ver", s.firmware.toUtf8()},
        {"disk_id", s.disk.id.toUtf8()},
        {"free_size", gigabytes(s.disk.totalMb - s.disk.usedMb, 8)},
        {"total_size", gigabytes(s.disk.totalMb, 0)},
        {"default_lang", QByteArray::number(s.defaultLanguage)},
        {"lang_list", s.languages.join(QLatin1Char('#')).toUtf8()},
        {"ip_type", dhcp ? QByteArrayLiteral("DHCP CLIENT") : QByteArrayLiteral("FIXED IP")},
        {"ip", dhcp ? current.toUtf8() : s.address.ip.toUtf8()},
        {"submask", dhcp ? QByteArrayLiteral("255.0.0.0") : s.address.mask.toUtf8()},
        {"gateway", dhcp ? QByteArrayLiteral("127.0.0.1") : s.address.gateway.toUtf8()},
        {"pdns", dhcp ? QByteArrayLiteral("127.0.0.1") : s.address.primaryDns.toUtf8()},
        {"sdns", dhcp ? QByteArray() : s.address.secondaryDns.toUtf8()},
        {"share_list", optionList(s.folders)},
        {"allow_share", allowShare},
        {"ftps_status", s.ftp.enabled ? QByteArrayLiteral("ENABLE") : QByteArrayLiteral("DISABLE")},
        {"ftps_port", QByteArray::number(s.ftp.port)},
        {"ftp_anon_stu", checked(s.ftp.anonymous)},
        {"ftp_a_att", checked(s.ftp.anonymousReadOnly)},
        {"ftps_dir_list", optionList(s.folders)},
        {"ftps_home_def", s.ftp.anonymousHome.toUtf8()},
        {"ftp_ac_list", accountList(s.ftp.accounts)},
        {"ftps_account", selected.name.toUtf8()},
        {"ftps_account_passwd", selected.password.toUtf8()},
        {"ftps_att", checked(account >= 0 && selected.readOnly)},
        {"ftps_share_list", accountFolderList(selected.folders)},
        // The console reads the idle time up to its own closing quote, so the
        // spin-down switch shares its line.
        {"disk_idle_value", QByteArray::number(s.disk.idleMinutes) + QByteArrayLiteral("\";disk_idle_stu=\"") +
                                checked(s.disk.idleMinutes > 0)},
        // Nothing to clear, a scan still running or a locked result: the console may not clear it.
        {"disk_fix_enable",
         scanResultClearable(s.disk, nowUtc) ? QByteArrayLiteral("ENABLE") : QByteArrayLiteral("DISABLE")},
        {"disk_scan", shownScanLines(s.disk, nowUtc).join(QLatin1Char('\n')).toUtf8()},
    };
}

QByteArray utilityPage(const UnitState& state, const QDateTime& nowUtc) {
    QByteArray page = QByteArrayLiteral("<HTML>\r\n"
                                        "<HEAD>\r\n"
                                        "<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
                                        "<TITLE>Utility</TITLE>\r\n"
                                        "<SCRIPT language=\"JavaScript\">\r\n");
    for (const auto& [name, value] : pageVariables(state, nowUtc))
        page += name + QByteArrayLiteral("=\"") + value + QByteArrayLiteral("\";\r\n");
    page += QByteArrayLiteral("</SCRIPT>\r\n"
                              "</HEAD>\r\n"
                              "<BODY></BODY>\r\n"
                              "</HTML>\r\n");
    return page;
}

} // namespace Sim
