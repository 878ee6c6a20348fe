#include "sim/web/cgi_actions.h"

#include <QHostAddress>

#include <optional>

namespace Sim {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

QByteArray percentDecode(QByteArrayView text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
            out += char(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

CgiParams CgiParams::parse(QByteArrayView query) {
    CgiParams params;
    for (QByteArrayView item : QByteArray(query.data(), query.size()).split('&')) {
        if (item.isEmpty())
            continue;
        const qsizetype eq = item.indexOf('=');
        const QByteArrayView name = eq < 0 ? item : item.first(eq);
        const QByteArrayView value = eq < 0 ? QByteArrayView() : item.sliced(eq + 1);
        params.m_items.append({percentDecode(name), percentDecode(value)});
    }
    return params;
}

bool CgiParams::has(QByteArrayView name) const {
    for (const auto& item : m_items) {
        if (item.first == name)
            return true;
    }
    return false;
}

QByteArray CgiParams::bytes(QByteArrayView name) const {
    for (const auto& item : m_items) {
        if (item.first == name)
            return item.second;
    }
    return {};
}

namespace {

constexpr qsizetype kMaxFolders = 32;
constexpr qsizetype kMaxFtpAccounts = 16;
constexpr qsizetype kMaxNameBytes = 12;
constexpr qsizetype kMaxPasswordBytes = 12;

const CgiResult kRefused{};
const CgiResult kDone{true, UnitEffect::None};

bool isNameCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_') ||
           c == QLatin1Char('=');
}

bool onlyNameCharacters(const QString& text) {
    for (QChar c : text) {
        if (!isNameCharacter(c))
            return false;
    }
    return true;
}

bool isFolderName(const QString& name) {
    return !name.isEmpty() && name.toUtf8().size() <= kMaxNameBytes && onlyNameCharacters(name);
}

bool isPassword(const QString& password) {
    if (password.toUtf8().size() > kMaxPasswordBytes)
        return false;
    for (QChar c : password) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

// Decimal with an optional sign; leading zeros are fine, anything else is not.
std::optional<int> toInt(const QString& text) {
    qsizetype i = 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative || text.startsWith(QLatin1Char('+')))
        i = 1;
    if (i == text.size() || text.size() - i > 9)
        return std::nullopt;
    int n = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return std::nullopt;
        n = n * 10 + (text[i].unicode() - '0');
    }
    return negative ? -n : n;
}

std::optional<int> intInRange(const CgiCall& call, QByteArrayView name, int low, int high) {
    const std::optional<int> n = toInt(call.params.value(name));
    if (!n || *n < low || *n > high)
        return std::nullopt;
    return n;
}

// ENABLE or DISABLE, as the console sends switches.
std::optional<bool> onOff(const CgiCall& call, QByteArrayView name) {
    const QByteArray v = call.params.bytes(name);
    if (v == "ENABLE")
        return true;
    if (v == "DISABLE")
        return false;
    return std::nullopt;
}

bool isDottedQuad(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        const std::optional<int> n = toInt(part);
        if (!n || part.startsWith(QLatin1Char('+')) || part.startsWith(QLatin1Char('-')) || *n > 255)
            return false;
    }
    return true;
}

bool isNetmask(const QString& text) {
    if (!isDottedQuad(text))
        return false;
    const quint32 mask = QHostAddress(text).toIPv4Address();
    // Ones from the top, then zeros: inverting and adding one gives a power of two.
    const quint32 rest = ~mask;
    return mask != 0 && (rest & (rest + 1)) == 0;
}

bool isServerName(const QString& name) {
    if (name.isEmpty() || name.toUtf8().size() > 64)
        return false;
    for (QChar c : name) {
        const bool ascii = c.unicode() < 0x80;
        if (!ascii || (!c.isLetterOrNumber() && c != QLatin1Char('.') && c != QLatin1Char('-')))
            return false;
    }
    return true;
}

CgiResult cifsConfigApply(UnitState& s, const CgiCall& call) {
    const QString host = call.params.value("hostname");
    const QString group = call.params.value("group_name");
    if (!isUnitName(host) || !isUnitName(group))
        return kRefused;
    s.hostName = host;
    s.groupName = group;
    return kDone;
}

CgiResult authApply(UnitState& s, const CgiCall& call) {
    const QString password = call.params.value("TF_password");
    if (password.isEmpty() || password != call.params.value("TF_passwordl") || !isPassword(password))
        return kRefused;
    s.adminPassword = password;
    return kDone;
}

CgiResult sntpApply(UnitState& s, const CgiCall& call) {
    const std::optional<bool> sntp = onOff(call, "R_sntp");
    const std::optional<int> mode = intInRange(call, "R_sntp_server", 0, 1);
    const std::optional<int> zone = intInRange(call, "sntp_timezone", -12, 12);
    if (!sntp || !mode || !zone)
        return kRefused;
    const QString server = call.params.value(*mode == 0 ? "Sntp_ip" : "sntp_input");
    if (!isServerName(server))
        return kRefused;

    s.clock.sntpEnabled = *sntp;
    s.clock.manualServer = *mode == 1;
    s.clock.server = server;
    s.clock.zoneHours = *zone;
    if (*sntp) {
        // A unit with time service is exactly on time in its zone.
        s.clock.offsetMs = qint64(*zone) * 3600 * 1000;
        return kDone;
    }
    const std::optional<int> year = intInRange(call, "day0", 1970, 2037);
    const std::optional<int> month = intInRange(call, "day1", 1, 12);
    const std::optional<int> day = intInRange(call, "day2", 1, 31);
    const std::optional<int> hour = intInRange(call, "time0", 0, 23);
    const std::optional<int> minute = intInRange(call, "time1", 0, 59);
    const std::optional<int> second = intInRange(call, "time2", 0, 59);
    if (!year || !month || !day || !hour || !minute || !second)
        return kRefused;
    const QDate date(*year, *month, *day);
    if (!date.isValid())
        return kRefused;
    // The typed time is the unit's local time; keep it as the distance from UTC.
    const QDateTime typed(date, QTime(*hour, *minute, *second), Qt::UTC);
    s.clock.offsetMs = call.nowUtc.toUTC().msecsTo(typed);
    return kDone;
}

CgiResult dhcpsApply(UnitState& s, const CgiCall& call) {
    const std::optional<bool> on = onOff(call, "R_dhcps");
    if (!on)
        return kRefused;
    if (call.params.has("TF_ippoolmin") || call.params.has("TF_ippoolmax")) {
        const std::optional<int> low = intInRange(call, "TF_ippoolmin", 1, 254);
        const std::optional<int> high = intInRange(call, "TF_ippoolmax", 1, 254);
        if (!low || !high || *low > *high)
            return kRefused;
    }
    for (const char* lease : {"TF_lease_day", "TF_lease_hr", "TF_lease_min"}) {
        if (call.params.has(lease) && !intInRange(call, lease, 0, 999))
            return kRefused;
    }
    s.dhcpServer = *on;
    return kDone;
}

CgiResult nasLangApply(UnitState& s, const CgiCall& call) {
    const std::optional<int> lang = intInRange(call, "lang", 0, int(s.languages.size()) - 1);
    if (!lang)
        return kRefused;
    s.defaultLanguage = *lang;
    return kDone;
}

CgiResult dhcpcApply(UnitState& s, const CgiCall&) {
    s.address.dhcpClient = true;
    return {true, UnitEffect::MoveToDhcpAddress};
}

CgiResult wanFixipApply(UnitState& s, const CgiCall& call) {
    const QString ip = call.params.value("ip");
    const QString mask = call.params.value("submask");
    if (!isDottedQuad(ip) || !isNetmask(mask))
        return kRefused;
    const quint32 address = QHostAddress(ip).toIPv4Address();
    if (address == 0 || address == 0xffffffffu)
        return kRefused;
    for (const char* optional : {"gateway", "pdns", "sdns"}) {
        const QString v = call.params.value(optional);
        if (!v.isEmpty() && !isDottedQuad(v))
            return kRefused;
    }
    s.address.dhcpClient = false;
    s.address.ip = ip;
    s.address.mask = mask;
    s.address.gateway = call.params.value("gateway");
    s.address.primaryDns = call.params.value("pdns");
    s.address.secondaryDns = call.params.value("sdns");
    return {true, UnitEffect::MoveToStaticAddress};
}

// SMB: publish (share_list + add) or withdraw (allow_share + del) one folder.
CgiResult nasApply(UnitState& s, const CgiCall& call) {
    if (call.params.has("add")) {
        const QString folder = call.params.value("share_list");
        if (!s.folders.contains(folder) || s.sharedFolders.contains(folder))
            return kRefused;
        s.sharedFolders.append(folder);
        return kDone;
    }
    if (call.params.has("del")) {
        const QString folder = call.params.value("allow_share");
        if (folder == kPublicFolder || !s.sharedFolders.removeOne(folder))
            return kRefused;
        s.sharePasswords.remove(folder);
        return kDone;
    }
    return kRefused;
}

CgiResult fmMkdirApply(UnitState& s, const CgiCall& call) {
    const QString folder = call.params.value("folder");
    if (!isFolderName(folder) || s.folders.contains(folder) || s.folders.size() >= kMaxFolders)
        return kRefused;
    s.folders.append(folder);
    return kDone;
}

// The new name comes in folder=, the old one in to_name=.
CgiResult fmRenameApply(UnitState& s, const CgiCall& call) {
    const QString to = call.params.value("folder");
    const QString from = call.params.value("to_name");
    if (!s.folders.contains(from) || !isFolderName(to) || s.folders.contains(to))
        return kRefused;
    s.renameFolderEverywhere(from, to);
    return kDone;
}

CgiResult fmRmdirApply(UnitState& s, const CgiCall& call) {
    const QString folder = call.params.value("folder");
    if (!s.folders.contains(folder))
        return kRefused;
    s.forgetFolderEverywhere(folder);
    return kDone;
}

CgiResult nasMod(UnitState& s, const CgiCall& call) {
    const QString folder = call.params.value("folder");
    const QString password = call.params.value("password1");
    if ((folder != kPublicFolder && !s.sharedFolders.contains(folder)) || password != call.params.value("password2") ||
        !isPassword(password))
        return kRefused;
    if (password.isEmpty())
        s.sharePasswords.remove(folder);
    else
        s.sharePasswords.insert(folder, password);
    return kDone;
}

CgiResult ftpsStateApply(UnitState& s, const CgiCall& call) {
    const std::optional<bool> on = onOff(call, "ftps_set");
    const std::optional<int> port = intInRange(call, "ftps_port", 21, 65500);
    if (!on || !port || (*port != 21 && *port < 1025))
        return kRefused;
    s.ftp.enabled = *on;
    s.ftp.port = *port;
    return kDone;
}

CgiResult ftpsAnonymousApply(UnitState& s, const CgiCall& call) {
    const std::optional<bool> on = onOff(call, "ftp_anon_stu");
    const QByteArray access = call.params.bytes("ftp_a_att");
    const QString home = call.params.value("home");
    if (!on || (access != "RO" && access != "RW"))
        return kRefused;
    if (!s.folders.contains(home) && !(home.isEmpty() && s.folders.isEmpty()))
        return kRefused;
    s.ftp.anonymous = *on;
    s.ftp.anonymousReadOnly = access == "RO";
    s.ftp.anonymousHome = home;
    return kDone;
}

CgiResult ftpsUseridSet(UnitState& s, const CgiCall& call) {
    const std::optional<int> id = intInRange(call, "ftps_user_id", 0, kNewFtpAccountId);
    if (!id || (*id != kNewFtpAccountId && s.findFtpAccountById(*id) < 0))
        return kRefused;
    s.ftp.selectedAccount = *id;
    return kDone;
}

// Creates an account, or changes the password and access of an existing one.
CgiResult ftpsUserAdd(UnitState& s, const CgiCall& call) {
    const QString name = call.params.value("Account");
    const QByteArray access = call.params.bytes("ftp_att");
    if (access != "R" && access != "W")
        return kRefused;
    const bool hasPassword = call.params.has("Account_passwd");
    const QString password = call.params.value("Account_passwd");
    if (hasPassword && !isPassword(password))
        return kRefused;

    const int index = s.findFtpAccount(name);
    // The create dialog sends no password: a name already in use is refused
    // rather than have that account's access set behind its back.
    if (index >= 0 && !hasPassword)
        return kRefused;
    if (index >= 0) {
        FtpAccount& account = s.ftp.accounts[index];
        account.readOnly = access == "R";
        account.password = password;
        return kDone;
    }
    if (!isFolderName(name) || s.ftp.accounts.size() >= kMaxFtpAccounts)
        return kRefused;
    int id = 1;
    while (s.findFtpAccountById(id) >= 0)
        ++id;
    s.ftp.accounts.append({id, name, password, access == "R", true, {}});
    if (s.ftp.selectedAccount == kNewFtpAccountId)
        s.ftp.selectedAccount = id;
    return kDone;
}

// Names the account by its row in the list, not by its id.
CgiResult ftpsUserEnabled(UnitState& s, const CgiCall& call) {
    const std::optional<int> row = intInRange(call, "FTP_AC_LIST", 0, int(s.ftp.accounts.size()) - 1);
    if (!row)
        return kRefused;
    FtpAccount& account = s.ftp.accounts[*row];
    account.enabled = !account.enabled;
    return kDone;
}

CgiResult ftpsUserDel(UnitState& s, const CgiCall& call) {
    const std::optional<int> id = toInt(call.params.value("FTP_AC_LIST"));
    const int index = id ? s.findFtpAccountById(*id) : -1;
    if (index < 0)
        return kRefused;
    s.ftp.accounts.removeAt(index);
    return kDone;
}

CgiResult ftpsAddShare(UnitState& s, const CgiCall& call) {
    const int index = s.findFtpAccount(call.params.value("account"));
    const QString folder = call.params.value("account_List");
    if (index < 0 || !s.folders.contains(folder) || s.ftp.accounts[index].folders.contains(folder))
        return kRefused;
    s.ftp.accounts[index].folders.append(folder);
    return kDone;
}

CgiResult ftpsDelShare(UnitState& s, const CgiCall& call) {
    const int index = s.findFtpAccount(call.params.value("account"));
    if (index < 0 || !s.ftp.accounts[index].folders.removeOne(call.params.value("account_List")))
        return kRefused;
    return kDone;
}

CgiResult ideSet(UnitState& s, const CgiCall& call) {
    const std::optional<int> idle = intInRange(call, "idle", 0, 60);
    if (!idle || (*idle > 0 && *idle < 5))
        return kRefused;
    s.disk.idleMinutes = *idle;
    return kDone;
}

// Every folder and share goes, and a running scan with them.
CgiResult ideInit(UnitState& s, const CgiCall&) {
    while (!s.folders.isEmpty())
        s.forgetFolderEverywhere(s.folders.constLast());
    s.sharePasswords.clear();
    s.ftp.anonymousHome.clear();
    // What a fresh file system itself takes.
    s.disk.usedMb = s.disk.totalMb / 500;
    s.disk.scanLines.clear();
    s.disk.scanStartedUtc = {};
    ++s.disk.formats;
    return kDone;
}

// A unit scans one surface at a time. The third kind of unit has a worn disk.
CgiResult ideScandiskStart(UnitState& s, const CgiCall& call) {
    if (scanRunning(s.disk, call.nowUtc))
        return kRefused;
    s.disk.scanLines =
        diskScanResult(unitLocalTime(s, call.nowUtc), s.disk.totalMb, (s.unitNumber - 1) % 4 == 2 ? 2 : 0);
    s.disk.scanStartedUtc = call.nowUtc;
    return kDone;
}

// Refused whenever the page says DISABLE but for an empty result, which clears to nothing.
CgiResult ideFixdiskStart(UnitState& s, const CgiCall& call) {
    if (s.disk.clearLocked || scanRunning(s.disk, call.nowUtc))
        return kRefused;
    s.disk.scanLines.clear();
    s.disk.scanStartedUtc = {};
    return kDone;
}

CgiResult rebootUnit(UnitState&, const CgiCall&) {
    return {true, UnitEffect::Reboot};
}

// The factory settings are saved now and used from the next start on: until
// then the unit keeps its names, password and address, so the console can
// still reboot it with the credentials it has.
CgiResult defaultSetting(UnitState& s, const CgiCall&) {
    s.factoryResetPending = true;
    return kDone;
}

} // namespace

bool isUnitName(const QString& name) {
    return !name.isEmpty() && name.toUtf8().size() <= 15 && !name.front().isDigit() && onlyNameCharacters(name);
}

const QList<CgiActionEntry>& cgiActions() {
    static const QList<CgiActionEntry> actions{
        {"nas.cgi", "cifs_config_apply", cifsConfigApply},
        {"nas.cgi", "nas_lang_apply", nasLangApply},
        {"nas.cgi", "nas_apply", nasApply},
        {"nas.cgi", "nas_mod", nasMod},
        {"nas.cgi", "fm_mkdir_apply", fmMkdirApply},
        {"nas.cgi", "fm_rename_apply", fmRenameApply},
        {"nas.cgi", "fm_rmdir_apply", fmRmdirApply},
        {"nas.cgi", "ftps_state_apply", ftpsStateApply},
        {"nas.cgi", "ftps_anonymous_apply", ftpsAnonymousApply},
        {"nas.cgi", "ftps_userid_set", ftpsUseridSet},
        {"nas.cgi", "ftps_user_add", ftpsUserAdd},
        {"nas.cgi", "ftps_user_enabled", ftpsUserEnabled},
        {"nas.cgi", "ftps_user_del", ftpsUserDel},
        {"nas.cgi", "ftps_add_share", ftpsAddShare},
        {"nas.cgi", "ftps_del_share", ftpsDelShare},
        {"nas.cgi", "ide_set", ideSet},
        {"nas.cgi", "IDE_init", ideInit},
        {"nas.cgi", "ide_scandisk_start", ideScandiskStart},
        {"nas.cgi", "ide_fixdisk_start", ideFixdiskStart},
        {"man.cgi", "auth_apply", authApply},
        {"man.cgi", "sntp_apply", sntpApply},
        {"man.cgi", "reboot", rebootUnit},
        {"man.cgi", "default_setting", defaultSetting},
        {"dhcps.cgi", "dhcps_apply", dhcpsApply},
        {"dhcpc.cgi", "dhcpc_apply", dhcpcApply},
        {"if.cgi", "wan_fixip_apply", wanFixipApply},
    };
    return actions;
}

bool isCgiProgram(QByteArrayView program) {
    return program == "nas.cgi" || program == "man.cgi" || program == "dhcps.cgi" || program == "dhcpc.cgi" ||
           program == "if.cgi";
}

CgiResult runCgiAction(UnitState& state, const CgiCall& call) {
    const QByteArray type = call.params.bytes("type");
    for (const CgiActionEntry& entry : cgiActions()) {
        if (call.program != entry.program || type != entry.type)
            continue;
        // Actions may change the copy while they check; only an accepted one is kept.
        UnitState changed = state;
        const CgiResult result = entry.run(changed, call);
        if (result.accepted)
            state = std::move(changed);
        return result;
    }
    return kRefused;
}

} // namespace Sim
