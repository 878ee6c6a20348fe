#include "app/localize.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    QByteArray file;
    QString key;
    QString expected;
};

class LocalizeCases : public ::testing::TestWithParam<Case> {};

TEST_P(LocalizeCases, Translates) {
    const Case& c = GetParam();
    EXPECT_EQ(App::LocalizeFromBytes(c.file, c.key), c.expected) << c.name;
}

const QByteArray kLongKey = QByteArray(1100, 'k');

INSTANTIATE_TEST_SUITE_P(
    LanguageFile, LocalizeCases,
    ::testing::Values(
        Case{"no entries", "", QStringLiteral("Scan"), QStringLiteral("Scan")},
        Case{"plain entry", "Scan=Suchen\r\n", QStringLiteral("Scan"), QStringLiteral("Suchen")},
        Case{"key inside a longer key is not a match", "Scan Zur Edor - Version =Titel \r\nScan=Suchen\r\n",
             QStringLiteral("Scan"), QStringLiteral("Suchen")},
        Case{"longer key with its trailing blank", "Scan=Suchen\r\nScan Zur Edor - Version =Suche Version \r\n",
             QStringLiteral("Scan Zur Edor - Version "), QStringLiteral("Suche Version ")},
        Case{"key inside a translation is skipped", "Go=Scan\r\nScan=Suchen\r\n", QStringLiteral("Scan"),
             QStringLiteral("Suchen")},
        Case{"empty translation shows the key", "Scan=\r\n", QStringLiteral("Scan"), QStringLiteral("Scan")},
        Case{"byte-order mark before the key never matches", "\xEF\xBB\xBFScan=Suchen\r\n", QStringLiteral("Scan"),
             QStringLiteral("Scan")},
        Case{"line after a byte-order mark still matches", "\xEF\xBB\xBFX=Y\r\nScan=Suchen\r\n", QStringLiteral("Scan"),
             QStringLiteral("Suchen")},
        Case{"first of two lines with the same key wins", "Scan=Eins\r\nScan=Zwei\r\n", QStringLiteral("Scan"),
             QStringLiteral("Eins")},
        Case{"line containing the key but no = ends the search", "Scan\r\nScan=Suchen\r\n", QStringLiteral("Scan"),
             QStringLiteral("Scan")},
        Case{"last line without terminator keeps every character", "Scan=Suchen", QStringLiteral("Scan"),
             QStringLiteral("Suchen")},
        Case{"lone LF terminator", "Scan=Suchen\nSet=Setzen\n", QStringLiteral("Set"), QStringLiteral("Setzen")},
        Case{"translation keeps later = signs", "Scan=a=b\r\n", QStringLiteral("Scan"), QStringLiteral("a=b")},
        Case{"UTF-8 translation", "Scan=\xE6\x90\x9C\xE5\xB0\x8B\r\n", QStringLiteral("Scan"),
             QString::fromUtf8("\xE6\x90\x9C\xE5\xB0\x8B")},
        Case{"UTF-8 key",
             "Gr\xC3\xB6\xC3\x9F"
             "e=Size\r\n",
             QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"
                               "e"),
             QStringLiteral("Size")},
        Case{"line over 1023 bytes is one line", kLongKey + "=" + QByteArray(50, 'x') + "\r\nScan=Suchen\r\n",
             QString::fromLatin1(kLongKey), QString(50, QLatin1Char('x'))},
        Case{"tail of a long line does not read as an entry of its own",
             QByteArray(1030, 'a') + "Scan=wrong\r\nScan=Suchen\r\n", QStringLiteral("Scan"), QStringLiteral("Suchen")},
        Case{"blank at the key's end counts", "Scan =Mit Leerzeichen\r\n", QStringLiteral("Scan"),
             QStringLiteral("Scan")}),
    [](const ::testing::TestParamInfo<Case>& p) { return "case" + std::to_string(p.index); });

TEST(LocalizeText, ReadsTheFileInTheCurrentDirectoryOnEveryCall) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    EXPECT_EQ(App::LocalizeText(QStringLiteral("Scan")), QStringLiteral("Scan")) << "no file: English";

    QFile file(QStringLiteral("language"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Scan=Suchen\r\n");
    file.close();
    EXPECT_EQ(App::LocalizeText(QStringLiteral("Scan")), QStringLiteral("Suchen"));

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("Scan=Durchsuchen\r\n");
    file.close();
    EXPECT_EQ(App::LocalizeText(QStringLiteral("Scan")), QStringLiteral("Durchsuchen")) << "nothing is cached";

    QDir::setCurrent(previous);
}

} // namespace
