#pragma once

#include "console/cgi_change.h"

#include <QByteArrayView>

namespace Console {

// Reads of the utility page while it gives no address: the unit may still be
// taking one. Bounded so a unit that never answers ends the procedure.
inline constexpr int kIpConfigReads = 3;

// The page SendCgi knows an address change by; the request itself redirects to if_cfg.htm.
QString addressChangePage();

struct StaticAddress {
    QString ip;
    QString mask;
    QString gateway;
    QString primaryDns;
    QString secondaryDns;
};

// What the IP Config tab shows.
struct IpConfigView {
    bool automatic = false; // ip_type is exactly "DHCP CLIENT"
    StaticAddress address;
};

IpConfigView readIpConfigPage(QByteArrayView page);

// The unit takes its address from a DHCP server; "ifname" stays empty.
CgiChange automaticAddressChange(const UnitAddress& unit);
// The five fields as typed; the unit judges them.
CgiChange staticAddressChange(const UnitAddress& unit, const StaticAddress& address);

} // namespace Console
