// A command's IP argument: which texts are a unit's host name, and what a scan's
// rows make of one.

#include "cli_options.h"
#include "unit_name.h"

#include <gtest/gtest.h>

namespace {

TEST(UnitArgument, AddressesAndPossibleHostNamesPassEverythingElseIsRefused) {
    const struct {
        QString text;
        bool accepted;
        const char* says; // part of the refusal
    } cases[] = {
        {QStringLiteral("192.168.1.20"), true, ""},
        {QStringLiteral("ZurEdor-1"), true, ""},
        {QStringLiteral("localhost"), true, ""}, // a unit may be called so; it is never looked up
        {QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"), true, ""},
        {QStringLiteral("ABCDEFGHIJKLMNOP"), true, ""},
        {QStringLiteral("ABCDEFGHIJKLMNOPQ"), false, "at most 16 characters"},
        {QStringLiteral("nas.local"), false, "no name is ever looked up in DNS"},
        {QStringLiteral("127.0.0"), false, "not a dotted IPv4 address"},
        {QStringLiteral("192.168.1.256"), false, "not a dotted IPv4 address"},
        {QStringLiteral("3232235796"), false, "not a dotted IPv4 address"},
        {QStringLiteral("::1"), false, "not a dotted IPv4 address"},
        {QStringLiteral("NAS\x1b[2J"), false, "no control characters"},
        {QString::fromUtf8("NAS\xE2\x80\xAE"), false, "no control characters"},
        {QString(), false, "give the unit's dotted IPv4 address or its host name"},
    };
    for (const auto& c : cases) {
        const auto refusal = Cli::unitArgumentRefusal(c.text);
        EXPECT_EQ(!refusal.has_value(), c.accepted) << c.text.toStdString();
        if (refusal) {
            EXPECT_TRUE(refusal->contains(QLatin1String(c.says))) << refusal->toStdString();
            EXPECT_FALSE(refusal->contains(u'\x1b')) << "the words quote the text escaped";
        }
    }
}

Discovery::DeviceRow row(const char* ip, QByteArray host) {
    return {QString::fromLatin1(ip), {std::move(host), "WG", "1.0"}};
}

TEST(UnitName, OneUnitOfThatNameGivesItsAddress) {
    const QList<Discovery::DeviceRow> rows{row("10.1.0.10", "LanA-1"), row("10.2.0.11", "LanB-2"),
                                           row("10.2.0.12", "lanb-2")};
    const Cli::FoundUnit found = Cli::judgeNamedRows(QStringLiteral("LanB-2"), rows, QStringLiteral("x"));
    EXPECT_EQ(found.exitCode, Cli::kExitDone);
    EXPECT_EQ(found.ip, QStringLiteral("10.2.0.11")) << "names compare exactly, as the scan shows them";
    EXPECT_EQ(found.words, QStringLiteral("\"LanB-2\" is 10.2.0.11"));
}

TEST(UnitName, NoUnitOfThatNameIsUnreachableAndSaysWhereTheQueryWent) {
    const Cli::FoundUnit found = Cli::judgeNamedRows(QStringLiteral("LanC-1"), {row("10.1.0.10", "LanA-1")},
                                                     QStringLiteral("255.255.255.255, 10.1.0.255"));
    EXPECT_EQ(found.exitCode, Cli::kExitUnreachable);
    EXPECT_TRUE(found.ip.isEmpty());
    EXPECT_TRUE(found.words.startsWith(QStringLiteral("no unit named \"LanC-1\" answered within 2.5 s")))
        << found.words.toStdString();
    EXPECT_TRUE(found.words.contains(QStringLiteral("255.255.255.255, 10.1.0.255")));
}

TEST(UnitName, TwoUnitsOfThatNameAreRefusedNamingBothAddresses) {
    const QList<Discovery::DeviceRow> rows{row("10.1.0.10", "SAME"), row("10.1.0.11", "OTHER"),
                                           row("10.2.0.10", "SAME")};
    const Cli::FoundUnit found = Cli::judgeNamedRows(QStringLiteral("SAME"), rows, QStringLiteral("x"));
    EXPECT_EQ(found.exitCode, Cli::kExitRefused);
    EXPECT_TRUE(found.ip.isEmpty());
    EXPECT_EQ(found.words,
              QStringLiteral("2 units are named \"SAME\": 10.1.0.10, 10.2.0.10; give the address of the one you mean"));
}

TEST(UnitName, ANameIsComparedAsTheScanShowsIt) {
    // A single-byte name shows as its characters; the same name typed in UTF-8 finds it.
    const QList<Discovery::DeviceRow> rows{row("10.1.0.10", "Caf\xE9"), row("10.1.0.11", "Caf\xC3\xA9-2")};
    EXPECT_EQ(Cli::judgeNamedRows(QString::fromUtf8("Caf\xC3\xA9"), rows, {}).ip, QStringLiteral("10.1.0.10"));
    EXPECT_EQ(Cli::judgeNamedRows(QString::fromUtf8("Caf\xC3\xA9-2"), rows, {}).ip, QStringLiteral("10.1.0.11"));
    // A name of 16 bytes fills its field with no NUL after it.
    EXPECT_EQ(Cli::judgeNamedRows(QStringLiteral("ABCDEFGHIJKLMNOP"), {row("10.1.0.12", "ABCDEFGHIJKLMNOP")}, {}).ip,
              QStringLiteral("10.1.0.12"));
}

} // namespace
