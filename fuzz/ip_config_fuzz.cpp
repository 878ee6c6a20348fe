// The IP Config tab's reading of the utility page, and the address it sends back as shown.
#include "console_changes.h"

#include "console/ip_config.h"
#include "web/page_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView page = Fuzz::bytesOf(data, size);
    const Console::IpConfigView v = Console::readIpConfigPage(page);
    FUZZ_REQUIRE(v.automatic == (Web::PageValue(page, "ip_type=\"") == "DHCP CLIENT"),
                 "automatic only for exactly DHCP CLIENT");

    const Console::StaticAddress plain{QStringLiteral("10.0.0.2"), QStringLiteral("255.0.0.0"),
                                       QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1"), QStringLiteral("")};
    Fuzz::requireSameShape(Console::staticAddressChange(Fuzz::kUnit, v.address),
                           Console::staticAddressChange(Fuzz::kUnit, plain),
                           "the address as the page gave it cannot change the request");
    return 0;
}
