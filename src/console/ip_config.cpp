#include "console/ip_config.h"

#include "web/page_values.h"

namespace Console {

namespace {

QString value(QByteArrayView page, const char* name) {
    return QString::fromUtf8(Web::PageValue(page, QByteArray(name) + "=\""));
}

QString param(const char* name, const QString& text) {
    return QLatin1Char('&') + QLatin1String(name) + QLatin1Char('=') + Web::EscapeQueryValue(text);
}

} // namespace

QString addressChangePage() {
    return QStringLiteral("if_cgi.htm");
}

IpConfigView readIpConfigPage(QByteArrayView page) {
    IpConfigView v;
    v.automatic = value(page, "ip_type") == QLatin1String("DHCP CLIENT");
    v.address.ip = value(page, "ip");
    v.address.mask = value(page, "submask");
    v.address.gateway = value(page, "gateway");
    v.address.primaryDns = value(page, "pdns");
    v.address.secondaryDns = value(page, "sdns");
    return v;
}

// Exact bytes: docs/protocol.md, "Status and IP Config changes".
CgiChange automaticAddressChange(const UnitAddress& unit) {
    return {Web::CgiRequest(unit.ip, unit.port, QStringLiteral("dhcpc.cgi"), QStringLiteral("if_cfg.htm"),
                            QStringLiteral("dhcpc_apply"), QStringLiteral("&ifname=")),
            addressChangePage()};
}

CgiChange staticAddressChange(const UnitAddress& unit, const StaticAddress& address) {
    return {Web::CgiRequest(unit.ip, unit.port, QStringLiteral("if.cgi"), QStringLiteral("if_cfg.htm"),
                            QStringLiteral("wan_fixip_apply"),
                            param("ip", address.ip) + param("submask", address.mask) +
                                param("gateway", address.gateway) + param("pdns", address.primaryDns) +
                                param("sdns", address.secondaryDns)),
            addressChangePage()};
}

} // namespace Console
