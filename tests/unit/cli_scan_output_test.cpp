#include "scan_command.h"
#include "terminal_text.h"
#include "unit_cache.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

Discovery::DeviceRow row(const char* ip, QByteArray host, QByteArray group = "WG", QByteArray firmware = "1.0") {
    return {QString::fromLatin1(ip), {std::move(host), std::move(group), std::move(firmware)}};
}

// Where each line's group-name column starts, counted in characters as a terminal shows them.
QList<qsizetype> groupColumnStarts(const QByteArray& table, const QList<QString>& groups) {
    QList<qsizetype> starts;
    const QList<QByteArray> lines = table.split('\n');
    for (int i = 0; i < groups.size(); ++i)
        starts.append(QString::fromUtf8(lines[i]).indexOf(groups[i]));
    return starts;
}

TEST(ScanTable, ColumnsLineUpInCharactersNotBytes) {
    const QByteArray table = Cli::scanTable({row("127.0.0.2", "Caf\xC3\xA9\xC3\xA9", "G1"), // 6 characters, 8 bytes
                                             row("127.0.0.3", "Plain-", "G2")});
    const auto starts =
        groupColumnStarts(table, {QStringLiteral("Group Name"), QStringLiteral("G1"), QStringLiteral("G2")});
    EXPECT_EQ(starts[1], starts[0]) << table.toStdString();
    EXPECT_EQ(starts[2], starts[0]) << table.toStdString();
}

TEST(ScanTable, WidestTextWidensItsColumnAndLastColumnHasNoPadding) {
    const QByteArray table = Cli::scanTable({row("127.0.0.200", "ABCDEFGHIJKLMNOP", "G", "1")});
    EXPECT_EQ(table, QByteArray("IP Address   HD Name           Group Name  Firmware Version\n"
                                "127.0.0.200  ABCDEFGHIJKLMNOP  G           1\n"));
}

TEST(ScanTable, BytesThatAreNotUtf8GoOutAsReceived) {
    const QByteArray table = Cli::scanTable({row("127.0.0.2", "caf\xE9", "g\xFF")});
    EXPECT_TRUE(table.contains("caf\xE9  ")) << "one byte, one column";
    EXPECT_TRUE(table.contains("g\xFF  "));
}

TEST(ScanTable, ControlCharactersInNamesAreShownEscaped) {
    const QByteArray table = Cli::scanTable({row("127.0.0.2", "A\x1b[2JB", "\xe2\x80\xaeG"), // UTF-8: ESC, RLO
                                             row("127.0.0.3", "caf\xe9\x9b", "x\ny")});      // a single-byte code page
    EXPECT_EQ(table, QByteArray("IP Address  HD Name    Group Name  Firmware Version\n"
                                "127.0.0.2   A\\x1b[2JB  \\u202eG     1.0\n"
                                "127.0.0.3   caf\xe9\\x9b   x\\x0ay      1.0\n"));
}

TEST(TerminalText, OnlyControlsAreEscaped) {
    const struct {
        QByteArray in;
        QByteArray out;
    } cases[] = {
        {"plain \xc3\xa9 and a\ttab", "plain \xc3\xa9 and a\ttab"},
        {"\x01\x1f\x7f", "\\x01\\x1f\\x7f"},
        {"\xc2\x80\xc2\x9f\xc2\xa0", "\\x80\\x9f\xc2\xa0"}, // C1 escaped, NBSP kept
        {"\xe2\x80\xa9\xe2\x80\xaa\xe2\x80\xae\xe2\x80\xaf", "\xe2\x80\xa9\\u202a\\u202e\xe2\x80\xaf"},
        {"\xe2\x81\xa5\xe2\x81\xa6\xe2\x81\xa9\xe2\x81\xaa", "\xe2\x81\xa5\\u2066\\u2069\xe2\x81\xaa"},
        {"caf\xe9\x85\x1b", "caf\xe9\\x85\\x1b"}, // not UTF-8: one character per byte
        {"\xe2\x80", "\xe2\\x80"},                // cut short: single-byte, and 0x80 is a C1 control
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cli::terminalSafe(c.in), c.out) << c.in.toPercentEncoding().toStdString();
}

TEST(ScanTable, NoRowsIsTheTitleLineAlone) {
    EXPECT_EQ(Cli::scanTable({}), QByteArray("IP Address  HD Name  Group Name  Firmware Version\n"));
}

TEST(ScanJson, EveryTextSurvivesAsValidJson) {
    const QByteArray json = Cli::scanJson({row("127.0.0.2", "a\"b\\c\x01", "caf\xE9", "\xE2\x82\xAC 1.0")});
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    ASSERT_TRUE(document.isArray());
    ASSERT_EQ(document.array().size(), 1);
    const QJsonObject object = document.array().at(0).toObject();
    EXPECT_EQ(object.keys(), (QStringList{QStringLiteral("firmwareVersion"), QStringLiteral("groupName"),
                                          QStringLiteral("hostName"), QStringLiteral("ip")}));
    EXPECT_EQ(object.value(QStringLiteral("ip")).toString(), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(object.value(QStringLiteral("hostName")).toString(), QStringLiteral("a\"b\\c\x01"));
    EXPECT_EQ(object.value(QStringLiteral("groupName")).toString(), QString::fromLatin1("caf\xE9"));
    EXPECT_EQ(object.value(QStringLiteral("firmwareVersion")).toString(), QString::fromUtf8("\xE2\x82\xAC 1.0"));
}

TEST(ScanJson, NoRowsIsAnEmptyArray) {
    const QJsonDocument document = QJsonDocument::fromJson(Cli::scanJson({}));
    ASSERT_TRUE(document.isArray());
    EXPECT_TRUE(document.array().isEmpty());
}

} // namespace

// ---- the units a scan leaves for the shell's completion

namespace {

TEST(UnitCache, KeepsAddressesAndOnlyNamesAShellTakesAsTheyStand) {
    const struct {
        const char* name;
        Discovery::DeviceRow row;
        QByteArray line;
    } cases[] = {
        {"a plain name", row("127.0.0.2", "ZurEdor-1"), "127.0.0.2\tZurEdor-1\n"},
        {"every character allowed", row("10.1.2.3", "a.b_c=d-9"), "10.1.2.3\ta.b_c=d-9\n"},
        {"a blank", row("127.0.0.2", "My NAS"), "127.0.0.2\n"},
        {"a tab and a line end", row("127.0.0.2", "a\tb\nc"), "127.0.0.2\n"},
        {"a command substitution", row("127.0.0.2", "$(reboot)"), "127.0.0.2\n"},
        {"an escape sequence", row("127.0.0.2", "\x1b]0;x\x07"), "127.0.0.2\n"},
        {"UTF-8", row("127.0.0.2", "Caf\xC3\xA9"), "127.0.0.2\n"},
        {"an option's look", row("127.0.0.2", "--yes"), "127.0.0.2\n"},
        {"no name", row("127.0.0.2", ""), "127.0.0.2\n"},
        {"a name past 64 bytes", row("127.0.0.2", QByteArray(65, 'n')), "127.0.0.2\n"},
        {"an address that is not dotted IPv4", row("::ffff:127.0.0.2", "N"), ""},
        {"a short form", row("127.1", "N"), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cli::unitCacheText({c.row}), c.line) << c.name;
}

TEST(UnitCache, IsKeptWhereTheXdgRulesSay) {
    const struct {
        std::vector<std::pair<const char*, const char*>> variables;
        QString path;
    } cases[] = {
        {{{"XDG_CACHE_HOME", "/c"}, {"HOME", "/h"}}, QStringLiteral("/c/zuredor/units")},
        {{{"HOME", "/h"}}, QStringLiteral("/h/.cache/zuredor/units")},
        {{{"XDG_CACHE_HOME", "relative"}, {"HOME", "/h"}}, QStringLiteral("/h/.cache/zuredor/units")},
        {{}, QString()},
#ifdef Q_OS_WIN
        {{{"LOCALAPPDATA", "C:\\u\\Local"}, {"HOME", "/h"}}, QStringLiteral("C:/u/Local/zuredor/units")},
        {{{"XDG_CACHE_HOME", "/c"}, {"LOCALAPPDATA", "C:\\u"}}, QStringLiteral("/c/zuredor/units")},
#else
        {{{"LOCALAPPDATA", "/l"}}, QString()},
#endif
    };
    for (const auto& c : cases) {
        QProcessEnvironment environment;
        for (const auto& [name, value] : c.variables)
            environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
        EXPECT_EQ(Cli::unitCachePath(environment), c.path);
    }
}

} // namespace
