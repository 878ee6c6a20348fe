// The Status tab's reading of the utility page, and the changes it sends back.
#include "console_changes.h"

#include "base/list_bounds.h"
#include "console/status_actions.h"
#include "console/status_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView page = Fuzz::bytesOf(data, size);
    const Console::StatusView v = Console::readStatusPage(page);

    FUZZ_REQUIRE(v.listedServer >= 0 && v.listedServer < Console::kTimeServerCount, "a listed server exists");
    FUZZ_REQUIRE(v.zoneIndex >= 0 && v.zoneIndex < Console::kTimeZoneCount, "a zone entry exists");
    FUZZ_REQUIRE(v.languages.size() <= Base::kMaxListEntries, "the languages stay within the entry bound");
    qsizetype text = 0;
    for (const QString& language : v.languages) {
        text += language.size();
        FUZZ_REQUIRE(!language.contains(QLatin1Char('#')), "a language entry ends at its #");
    }
    FUZZ_REQUIRE(text <= Base::kMaxListText, "the languages stay within the text bound");
    FUZZ_REQUIRE(v.languageIndex >= -1 && v.languageIndex < v.languages.size(), "the selected language exists");
    FUZZ_REQUIRE(v.stop == Console::StatusView::Stop::None || v.languages.isEmpty(), "a stop fills nothing after it");
    const QString free = v.freeSize;
    FUZZ_REQUIRE(free.isEmpty() || (free.front().unicode() > 0x20 && free.back().unicode() > 0x20),
                 "the free size is shown trimmed");

    for (const QString& number : {v.year, v.month, v.hour}) {
        if (const std::optional<int> n = Console::frameworkInteger(number))
            FUZZ_REQUIRE(Console::frameworkInteger(QString::number(*n)) == n, "a converted number converts back");
    }

    const Console::Checked plainId =
        Console::identificationChange(Fuzz::kUnit, QStringLiteral("a"), QStringLiteral("b"));
    Fuzz::requireSameShape(Console::identificationChange(Fuzz::kUnit, v.hostName, v.groupName), Fuzz::plainOf(plainId),
                           "the names as the page gave them cannot change the request");

    Console::DateTimeInput input;
    input.sntpAuto = v.sntpAuto;
    input.serverFromList = false;
    input.manualServer = v.server;
    input.year = v.year;
    input.month = v.month;
    input.day = v.day;
    input.hour = v.hour;
    input.minute = v.minute;
    input.second = v.second;
    input.zoneIndex = v.zoneIndex;
    Console::DateTimeInput plainInput = input;
    plainInput.manualServer = QStringLiteral("pool.ntp.org");
    plainInput.year = QStringLiteral("2024");
    plainInput.month = plainInput.day = plainInput.hour = plainInput.minute = plainInput.second = QStringLiteral("1");
    Fuzz::requireSameShape(Console::dateTimeChange(Fuzz::kUnit, input),
                           Fuzz::plainOf(Console::dateTimeChange(Fuzz::kUnit, plainInput)),
                           "the date and time as the page gave them cannot change the request");
    return 0;
}
