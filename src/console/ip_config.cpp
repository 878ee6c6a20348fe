#include "console/ip_config.h"

#include "web/page_values.h"

namespace Console {

namespace {
constexpr auto kTyped = Web::CgiParameters::Encoding::AsTyped;
constexpr auto kFixed = Web::CgiParameters::Encoding::Fixed;
} // namespace

QString addressChangePage() {
    return QStringLiteral("if_cgi.htm");
}

IpConfigView readIpConfigPage(QByteArrayView page) {
    IpConfigView v;
    v.automatic = Web::PageText(page, "ip_type") == QLatin1String("DHCP CLIENT");
    v.address.ip = Web::PageText(page, "ip");
    v.address.mask = Web::PageText(page, "submask");
    v.address.gateway = Web::PageText(page, "gateway");
    v.address.primaryDns = Web::PageText(page, "pdns");
    v.address.secondaryDns = Web::PageText(page, "sdns");
    return v;
}

// Exact bytes: docs/protocol.md, "Status and IP Config changes".
CgiChange automaticAddressChange(const UnitAddress& unit) {
    return {Web::CgiRequest(unit.ip, unit.port, QStringLiteral("dhcpc.cgi"), QStringLiteral("if_cfg.htm"),
                            QStringLiteral("dhcpc_apply"), Web::CgiParameters().add("ifname", {}, kFixed)),
            addressChangePage()};
}

CgiChange staticAddressChange(const UnitAddress& unit, const StaticAddress& address) {
    return {Web::CgiRequest(unit.ip, unit.port, QStringLiteral("if.cgi"), QStringLiteral("if_cfg.htm"),
                            QStringLiteral("wan_fixip_apply"),
                            Web::CgiParameters()
                                .add("ip", address.ip, kTyped)
                                .add("submask", address.mask, kTyped)
                                .add("gateway", address.gateway, kTyped)
                                .add("pdns", address.primaryDns, kTyped)
                                .add("sdns", address.secondaryDns, kTyped)),
            addressChangePage()};
}

} // namespace Console
