// Lists cut from one value of the utility page: the entries as the page has
// them, and never more than the program keeps, whatever a unit sends.

#include "base/list_bounds.h"
#include "console/status_page.h"
#include "web/page_values.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr qsizetype kPageValueMax = 8 * 1024 * 1024;

// Cutting a list takes milliseconds here, a few hundred under the sanitizers; a cut that
// copies or searches the rest of the value for each of its 16 Ki entries takes far longer.
constexpr qint64 kLinearMs = 10000;

QStringList numbered(int count, const QString& prefix = QStringLiteral("L")) {
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << prefix + QString::number(i);
    return names;
}

// One list in the language list's form and in the shared folders' form.
QByteArray asLanguages(const QStringList& names) {
    return names.join(QLatin1Char('#')).toUtf8();
}
QByteArray asOptions(const QStringList& names) {
    QByteArray options;
    for (const QString& name : names)
        options += "<option value=\"" + name.toUtf8() + "\">" + name.toUtf8() + "</option>";
    return options;
}

struct ListCase {
    const char* name;
    std::function<QStringList()> names; // what the unit sends
    std::function<QStringList()> kept;  // what the program keeps
};

void PrintTo(const ListCase& c, std::ostream* out) {
    *out << c.name;
}

class PageLists : public ::testing::TestWithParam<ListCase> {};

TEST_P(PageLists, KeepTheEntriesUpToTheBounds) {
    const ListCase& c = GetParam();
    const QStringList names = c.names();
    const QStringList kept = c.kept();
    const QByteArray languages = asLanguages(names);
    const QByteArray options = asOptions(names);
    ASSERT_LE(languages.size(), kPageValueMax) << c.name;

    QElapsedTimer clock;
    clock.start();
    const QStringList fromLanguages = Console::languageEntries(QString::fromUtf8(languages));
    const QStringList fromOptions = Web::FolderNamesFromAllowShare(options);
    const qint64 elapsed = clock.elapsed();
    bool cut = false;
    Web::SplitOptionNames(options, &cut);
    EXPECT_EQ(cut, kept.size() < names.size()) << c.name << ": whether names were left off";

    EXPECT_EQ(fromLanguages, kept) << c.name;
    EXPECT_EQ(fromOptions, kept) << c.name;
    EXPECT_LE(fromLanguages.size(), Base::kMaxListEntries) << c.name;
    EXPECT_LE(fromOptions.size(), Base::kMaxListEntries) << c.name;
    EXPECT_LT(elapsed, kLinearMs) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    UnitPage, PageLists,
    ::testing::Values(
        ListCase{"a few names", [] { return numbered(3); }, [] { return numbered(3); }},
        ListCase{"names up to the count", [] { return numbered(Base::kMaxListEntries); },
                 [] { return numbered(Base::kMaxListEntries); }},
        ListCase{"one name past the count", [] { return numbered(Base::kMaxListEntries + 1); },
                 [] { return numbered(Base::kMaxListEntries); }},
        ListCase{"a million names", [] { return numbered(1000000); }, [] { return numbered(Base::kMaxListEntries); }},
        ListCase{"empty names past the count", [] { return QStringList(500000, QString()); },
                 [] { return QStringList(Base::kMaxListEntries, QString()); }},
        ListCase{"names filling the text", [] { return QStringList(4, QString(Base::kMaxListText / 4, u'x')); },
                 [] { return QStringList(4, QString(Base::kMaxListText / 4, u'x')); }},
        ListCase{"a name past the text ends the list",
                 [] {
                     return QStringList{QStringLiteral("A"), QString(Base::kMaxListText, u'x'), QStringLiteral("B")};
                 },
                 [] { return QStringList{QStringLiteral("A")}; }},
        ListCase{"one name of a whole page",
                 [] {
                     return QStringList{QString(kPageValueMax / 2 - 64, u'x'), QStringLiteral("B")};
                 },
                 [] { return QStringList(); }}),
    [](const ::testing::TestParamInfo<ListCase>& p) { return "case" + std::to_string(p.index); });

TEST(PageLists, EightMiBOfSeparatorsGiveTheBoundQuickly) {
    const QString separators(kPageValueMax, u'#');
    QByteArray options;
    while (options.size() + 9 <= kPageValueMax)
        options += "value=\"\">";
    QElapsedTimer clock;
    clock.start();
    const QStringList languages = Console::languageEntries(separators);
    const QStringList folders = Web::FolderNamesFromAllowShare(options);
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(languages, QStringList(Base::kMaxListEntries, QString()));
    EXPECT_EQ(folders, QStringList(Base::kMaxListEntries, QString()));
    EXPECT_LT(elapsed, kLinearMs);

    // The Status page of such a unit: its list, and the entry it selects.
    const QByteArray page = "<HTML>\r\ndefault_lang=\"3\";\r\nlang_list=\"" + separators.toUtf8() + "\";\r\n";
    const Console::StatusView v = Console::readStatusPage(page);
    EXPECT_EQ(v.languages.size(), Base::kMaxListEntries);
    EXPECT_EQ(v.languageIndex, 3);
}

} // namespace
