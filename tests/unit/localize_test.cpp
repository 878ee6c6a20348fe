#include "base/localize.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
    EXPECT_EQ(Base::LocalizeFromBytes(c.file, c.key), c.expected) << c.name;
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

TEST(LocalizeText, ReadsTheFileInTheCurrentDirectoryOnceUntilReloaded) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    Base::reloadLanguageFile();

    EXPECT_EQ(Base::LocalizeText(QStringLiteral("Scan")), QStringLiteral("Scan")) << "no file: English";

    QFile file(QStringLiteral("language"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Scan=Suchen\r\n");
    file.close();
    EXPECT_EQ(Base::LocalizeText(QStringLiteral("Scan")), QStringLiteral("Scan")) << "read once, at the first call";
    Base::reloadLanguageFile();
    EXPECT_EQ(Base::LocalizeText(QStringLiteral("Scan")), QStringLiteral("Suchen"));

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("Scan=Durchsuchen\r\n");
    file.close();
    EXPECT_EQ(Base::LocalizeText(QStringLiteral("Scan")), QStringLiteral("Suchen")) << "kept";
    Base::reloadLanguageFile();
    EXPECT_EQ(Base::LocalizeText(QStringLiteral("Scan")), QStringLiteral("Durchsuchen"));

    QDir::setCurrent(previous);
    Base::reloadLanguageFile();
}

// ---- the table answers as the walk through the lines does

const QByteArray kBom = "\xEF\xBB\xBF";

TEST(LanguageTable, AnswersAsLocalizeFromBytesOnTrickyFiles) {
    const QByteArray files[] = {
        "",
        "\n\n\r\n",
        "Scan=Suchen\r\nSet=Setzen",
        "Scan\r\nScan=Suchen\r\n",
        "Go=Scan\r\nScan\r\nScan=Suchen\r\n",
        "Scan Zur Edor - Version =Titel \r\nScan=Suchen\r\nScan=Zwei\r\n",
        "Scan=\r\nScan=Suchen\r\n",
        kBom + "Scan=Suchen\r\nScan=Zwei\r\n",
        "X=Y\r\n" + kBom + "Scan=Mitte\r\nScan=Suchen\n",
        "Scan=Suchen\r",
        "Scan\r=Suchen\n\rScan=Zwei\r\r\n",
        "=leer\r\nScan=Suchen\r\n",
        "Bare line\r\n=leer\r\n",
        "\xFF=kaputt\r\n\xEF\xBF\xBD=Ersatz\r\n",
        "\xFF=\xEF\xBF\xBD\r\n\xEF\xBF\xBD=Ersatz\r\n",
        "\xFF\r\n\xEF\xBF\xBD=Ersatz\r\n",
        "\xFF=a\r\n\xFF=\xEF\xBF\xBD!\r\n\xEF\xBF\xBD=c\r\n\xFF=d\r\n",
        "Gr\xC3\xB6\xC3\x9F=Size\r\nGr\xC3=halb\r\n",
        "a=1\nab\nabc=3\nb=2\nbc\nc=\n",
        "Scan=a=b\r\nScan Scan\r\n",
        "  Scan=Suchen\r\nScan =Blank\r\nScan=Suchen\r\n",
        QByteArray(1030, 'a') + "Scan=wrong\r\nScan=Suchen\r\n",
    };
    const QString texts[] = {
        QStringLiteral("Scan"),
        QStringLiteral("Set"),
        QStringLiteral("Scan Zur Edor - Version "),
        QStringLiteral("Go"),
        QString(),
        QStringLiteral("X"),
        QStringLiteral("a"),
        QStringLiteral("ab"),
        QStringLiteral("abc"),
        QStringLiteral("b"),
        QStringLiteral("bc"),
        QStringLiteral("c"),
        QStringLiteral("Scan\nSet"),
        QStringLiteral("Scan\r"),
        QStringLiteral("\rScan"),
        QStringLiteral("a=1"),
        QStringLiteral("Bare"),
        QString(QChar(0xFFFD)),
        QChar(0xFEFF) + QStringLiteral("Scan"),
        QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"),
        QStringLiteral("Gr") + QChar(0xFFFD),
        QStringLiteral("  Scan"),
        QStringLiteral("Scan "),
        QString(1030, QLatin1Char('a')),
    };
    for (const QByteArray& file : files) {
        const Base::LanguageTable table(file);
        for (const QString& text : texts)
            EXPECT_EQ(table.lookup(text), Base::LocalizeFromBytes(file, text))
                << "file " << file.toStdString() << " text " << text.toStdString();
    }
}

TEST(LanguageTable, AnswersAsLocalizeFromBytesOnRandomFiles) {
    // Files built from the pieces the rules turn on; every text a piece or two of them.
    const QByteArray pieces[] = {"a",    "b", "ab", "=",    "=",    "\r",   "\n",          "\n",
                                 "\r\n", " ", kBom, "\xFF", "\xC3", "\xA9", "\xEF\xBF\xBD"};
    const auto pick = [&](std::mt19937& random) {
        return pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
    };
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        QByteArray file;
        const int length = std::uniform_int_distribution<int>(0, 24)(random);
        for (int i = 0; i < length; ++i)
            file += pick(random);
        const Base::LanguageTable table(file);
        for (int t = 0; t < 6; ++t) {
            QByteArray textBytes = pick(random);
            if (t % 2 == 1)
                textBytes += pick(random);
            const QString text = QString::fromUtf8(textBytes);
            ASSERT_EQ(table.lookup(text), Base::LocalizeFromBytes(file, text))
                << "file " << file.toHex().toStdString() << " text " << textBytes.toHex().toStdString();
        }
    }
}

// ---- what the program reads as its language file

// Messages of the program while the object lives.
class CapturedWarnings {
public:
    CapturedWarnings() {
        s_lines.clear();
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& message) { s_lines << message; });
    }
    ~CapturedWarnings() { qInstallMessageHandler(m_previous); }
    static QStringList lines() { return s_lines; }

private:
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

// LocalizeText on a thread of its own, so that a call that never returns fails the test instead of hanging it.
std::optional<QString> localizeWithin(const QString& text, std::chrono::milliseconds limit, const QString& fifo) {
#ifdef Q_OS_WIN
    // No FIFO there to wait in; and a thread Qt did not start, that calls Qt, crashes or hangs
    // now and then at its end in mingw's Qt under Wine.
    Q_UNUSED(limit);
    Q_UNUSED(fifo);
    return Base::LocalizeText(text);
#else
    auto answer = std::make_shared<std::promise<QString>>();
    std::future<QString> result = answer->get_future();
    std::thread call([answer, text] { answer->set_value(Base::LocalizeText(text)); });
    const bool done = result.wait_for(limit) == std::future_status::ready;
    if (!done && !fifo.isEmpty()) {
        // The call waits in open() for a writer: give it one with nothing to say.
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    call.join();
    return done ? std::optional<QString>(result.get()) : std::nullopt;
#endif
}

struct FileCase {
    const char* name;
    // Makes "language" in the current directory.
    std::function<bool()> make;
    const char* expected;
    bool warned;
};

void PrintTo(const FileCase& c, std::ostream* out) {
    *out << c.name;
}

class LanguageFileKinds : public ::testing::TestWithParam<FileCase> {};

bool writeLanguage(const QByteArray& contents) {
    QFile file(QStringLiteral("language"));
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// A file of exactly `size` bytes that translates Scan on its first line.
QByteArray fileOfSize(qsizetype size) {
    QByteArray contents = "Scan=Suchen\r\n";
    contents += QByteArray(size - contents.size(), '#');
    return contents;
}

TEST_P(LanguageFileKinds, OnlyARegularFileWithinTheCapIsRead) {
    const FileCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const bool made = c.make();
    Base::reloadLanguageFile();
    std::optional<QString> answer;
    QStringList warnings;
    {
        CapturedWarnings captured;
        if (made)
            answer = localizeWithin(QStringLiteral("Scan"), std::chrono::seconds(3),
                                    dir.filePath(QStringLiteral("language")));
        warnings = CapturedWarnings::lines();
    }
    QDir::setCurrent(previous);
    Base::reloadLanguageFile();
    ASSERT_TRUE(made) << c.name;
    ASSERT_TRUE(answer.has_value()) << c.name << ": no answer within 3 s";
    EXPECT_EQ(*answer, QString::fromLatin1(c.expected)) << c.name;
    EXPECT_EQ(warnings.size(), c.warned ? 1 : 0) << c.name << ": " << warnings.join(QLatin1Char('|')).toStdString();
}

const FileCase kFileCases[] = {
    FileCase{"no file", [] { return true; }, "Scan", false},
    FileCase{"regular file", [] { return writeLanguage("Scan=Suchen\r\n"); }, "Suchen", false},
#ifndef Q_OS_WIN
    FileCase{"link to a regular file",
             [] {
                 return writeLanguage("Scan=Suchen\r\n") &&
                        QFile::rename(QStringLiteral("language"), QStringLiteral("real")) &&
                        QFile::link(QStringLiteral("real"), QStringLiteral("language"));
             },
             "Suchen", false},
#endif
    FileCase{"file at the cap", [] { return writeLanguage(fileOfSize(Base::kLanguageFileCap)); }, "Suchen", false},
    FileCase{"file one byte over the cap", [] { return writeLanguage(fileOfSize(Base::kLanguageFileCap + 1)); }, "Scan",
             true},
#ifndef Q_OS_WIN
    FileCase{"FIFO", [] { return ::mkfifo("language", 0600) == 0; }, "Scan", true},
    FileCase{"link to /dev/zero", [] { return QFile::link(QStringLiteral("/dev/zero"), QStringLiteral("language")); },
             "Scan", true},
#endif
    FileCase{"directory", [] { return QDir().mkdir(QStringLiteral("language")); }, "Scan", true}};

INSTANTIATE_TEST_SUITE_P(LanguageFile, LanguageFileKinds, ::testing::ValuesIn(kFileCases),
                         [](const ::testing::TestParamInfo<FileCase>& p) { return "case" + std::to_string(p.index); });

TEST(LocalizeText, AMillionLinesAtTheCapAnswerQuickly) {
    // One million short lines fill the cap; each call used to read the file and walk all of them.
    QByteArray contents;
    contents.reserve(Base::kLanguageFileCap);
    for (int i = 0; i < 1000000; ++i)
        contents += "k=v\n";
    contents += "Scan=Suchen\n";
    ASSERT_LE(contents.size(), Base::kLanguageFileCap);
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    ASSERT_TRUE(writeLanguage(contents));
    Base::reloadLanguageFile();
    EXPECT_EQ(Base::LocalizeText(QStringLiteral("Set")), QStringLiteral("Set"));
    // A call that read the file again would see the new bytes.
    ASSERT_TRUE(writeLanguage("Scan=Anders\n"));
    QElapsedTimer clock;
    clock.start();
    int untouched = 0;
    for (int i = 0; i < 2000; ++i) {
        const QString text = QStringLiteral("Set") + QString::number(i); // each a new text: no answer kept
        untouched += Base::LocalizeText(text) == text;
    }
    const qint64 elapsed = clock.elapsed();
    const QString scan = Base::LocalizeText(QStringLiteral("Scan"));
    QDir::setCurrent(previous);
    Base::reloadLanguageFile();
    EXPECT_EQ(untouched, 2000);
    EXPECT_EQ(scan, QStringLiteral("Suchen")) << "the file was read again";
    // The table answers these in a few milliseconds, under the sanitizers a few tens; a walk
    // through every line at each call, 2000 walks of a million lines, takes far longer.
    EXPECT_LT(elapsed, 3000);
}

} // namespace

// ---- which language file: the current directory, the user's choice, the system's language

namespace {

// Each place holds nothing, a language file with these bytes, or a folder in its way.
struct Holds {
    enum Kind { Nothing, File, Folder } kind = Nothing;
    QByteArray bytes = {};
};
Holds file(const char* bytes) {
    return {Holds::File, bytes};
}
const Holds kFolder{Holds::Folder};

struct PlaceCase {
    const char* name;
    Holds currentDirectory;
    Holds userChoice;
    std::vector<std::pair<const char*, Holds>> shipped;
    const char* systemLanguage;
    const char* expected; // "Scan" translated
    const char* chosen;   // the path read, from the test's folder; "" for none
    bool warned;
};

void PrintTo(const PlaceCase& c, std::ostream* out) {
    *out << c.name;
}

bool put(const QString& path, const Holds& holds) {
    if (holds.kind == Holds::Folder)
        return QDir().mkpath(path);
    if (holds.kind == Holds::Nothing)
        return true;
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(holds.bytes) == holds.bytes.size();
}

class LanguagePlaceOrder : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(LanguagePlaceOrder, TheFirstPlaceHoldingAFileDecides) {
    const PlaceCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Base::LanguagePlaces places{dir.filePath(QStringLiteral("work/language")),
                                      dir.filePath(QStringLiteral("config/zuredor/language")),
                                      dir.filePath(QStringLiteral("shipped")), QString::fromLatin1(c.systemLanguage)};
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("shipped"))));
    ASSERT_TRUE(put(places.currentDirectory, c.currentDirectory));
    ASSERT_TRUE(put(places.userChoice, c.userChoice));
    for (const auto& [name, holds] : c.shipped)
        ASSERT_TRUE(put(places.shippedFolder + QLatin1Char('/') + QString::fromLatin1(name), holds));

    Base::LanguageFile chosen;
    QStringList warnings;
    {
        CapturedWarnings captured;
        chosen = Base::readLanguageFile(places);
        warnings = CapturedWarnings::lines();
    }
    EXPECT_EQ(Base::LocalizeFromBytes(chosen.bytes, QStringLiteral("Scan")), QString::fromUtf8(c.expected));
    const QString expectedPath = *c.chosen ? dir.filePath(QString::fromLatin1(c.chosen)) : QString();
    EXPECT_EQ(chosen.path, expectedPath);
    EXPECT_EQ(warnings.size(), c.warned ? 1 : 0) << warnings.join(QLatin1Char('|')).toStdString();
}

const Holds kGerman = file("Scan=Suchen\r\n");

INSTANTIATE_TEST_SUITE_P(
    Places, LanguagePlaceOrder,
    ::testing::Values(
        PlaceCase{"nothing anywhere", {}, {}, {}, "de_DE.UTF-8", "Scan", "", false},
        PlaceCase{"the system's language", {}, {}, {{"de", kGerman}}, "de_DE.UTF-8", "Suchen", "shipped/de", false},
        PlaceCase{"a territory's own file first",
                  {},
                  {},
                  {{"de", kGerman}, {"de_AT", file("Scan=Suchen (AT)\r\n")}},
                  "de_AT.UTF-8",
                  "Suchen (AT)",
                  "shipped/de_AT",
                  false},
        PlaceCase{"the language's file for another territory",
                  {},
                  {},
                  {{"de", kGerman}},
                  "de_CH",
                  "Suchen",
                  "shipped/de",
                  false},
        PlaceCase{"a modifier", {}, {}, {{"de", kGerman}}, "de_DE@euro", "Suchen", "shipped/de", false},
        PlaceCase{"simplified Chinese",
                  {},
                  {},
                  {{"zh_CN", file("Scan=\xE6\x89\xAB\xE6\x8F\x8F\r\n")}},
                  "zh_CN.UTF-8",
                  "\xE6\x89\xAB\xE6\x8F\x8F",
                  "shipped/zh_CN",
                  false},
        PlaceCase{"traditional Chinese is not given the simplified file",
                  {},
                  {},
                  {{"zh_CN", file("Scan=\xE6\x89\xAB\xE6\x8F\x8F\r\n")}},
                  "zh_TW.UTF-8",
                  "Scan",
                  "",
                  false},
        PlaceCase{"C locale", {}, {}, {{"de", kGerman}, {"C", kGerman}}, "C.UTF-8", "Scan", "", false},
        PlaceCase{"a path for a language", {}, {}, {{"de", kGerman}}, "../shipped/de", "Scan", "", false},
        PlaceCase{"the user's choice before the system's language",
                  {},
                  file("Scan=Rechercher\r\n"),
                  {{"de", kGerman}},
                  "de_DE.UTF-8",
                  "Rechercher",
                  "config/zuredor/language",
                  false},
        PlaceCase{"an empty choice is English",
                  {},
                  file(""),
                  {{"de", kGerman}},
                  "de_DE.UTF-8",
                  "Scan",
                  "config/zuredor/language",
                  false},
        PlaceCase{"the current directory before everything",
                  file("Scan=Buscar\r\n"),
                  file("Scan=Rechercher\r\n"),
                  {{"de", kGerman}},
                  "de_DE.UTF-8",
                  "Buscar",
                  "work/language",
                  false},
        PlaceCase{"a folder in the current directory decides, English",
                  kFolder,
                  file("Scan=Rechercher\r\n"),
                  {{"de", kGerman}},
                  "de_DE.UTF-8",
                  "Scan",
                  "",
                  true},
        PlaceCase{"a folder as the user's choice decides, English",
                  {},
                  kFolder,
                  {{"de", kGerman}},
                  "de_DE.UTF-8",
                  "Scan",
                  "",
                  true},
        PlaceCase{"a folder as the shipped file", {}, {}, {{"de", kFolder}}, "de_DE", "Scan", "", true}),
    [](const ::testing::TestParamInfo<PlaceCase>& p) { return "case" + std::to_string(p.index); });

TEST(LanguagePlaces, FollowTheEnvironment) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, const char*>> variables;
        const char* userChoice;
        const char* systemLanguage;
    } cases[] = {
        {"XDG_CONFIG_HOME", {{"XDG_CONFIG_HOME", "/x"}, {"HOME", "/h"}}, "/x/zuredor/language", ""},
        {"home", {{"HOME", "/h"}}, "/h/.config/zuredor/language", ""},
        {"a relative XDG_CONFIG_HOME is ignored",
         {{"XDG_CONFIG_HOME", "x"}, {"HOME", "/h"}},
         "/h/.config/zuredor/language",
         ""},
        {"no home", {}, "", ""},
        {"LC_ALL first", {{"LC_ALL", "fr_FR"}, {"LC_MESSAGES", "de_DE"}, {"LANG", "es_ES"}}, "", "fr_FR"},
        {"then LC_MESSAGES", {{"LC_ALL", ""}, {"LC_MESSAGES", "de_DE"}, {"LANG", "es_ES"}}, "", "de_DE"},
        {"then LANG", {{"LANG", "ja_JP.UTF-8"}}, "", "ja_JP.UTF-8"},
#ifdef Q_OS_WIN
        // Without XDG_CONFIG_HOME, Windows' own place: the roaming application data.
        {"APPDATA", {{"APPDATA", "C:\\Users\\u\\AppData\\Roaming"}}, "C:/Users/u/AppData/Roaming/zuredor/language", ""},
        {"XDG_CONFIG_HOME, then APPDATA, then HOME",
         {{"XDG_CONFIG_HOME", "/x"}, {"APPDATA", "C:\\a"}, {"HOME", "/h"}},
         "/x/zuredor/language",
         ""},
        {"APPDATA before HOME", {{"APPDATA", "C:\\a"}, {"HOME", "/h"}}, "C:/a/zuredor/language", ""},
#else
        {"APPDATA is Windows' only", {{"APPDATA", "/a"}}, "", ""},
#endif
    };
#ifdef Q_OS_WIN
    // Windows keeps the user's language in its settings, and the translations beside the program.
    const QString systemDefault = QLocale::system().name();
    const QString shipped = QStringLiteral("/languages");
#else
    const QString systemDefault;
    const QString shipped = QStringLiteral("/../share/zuredor/languages");
#endif
    for (const auto& c : cases) {
        QProcessEnvironment environment;
        for (const auto& [name, value] : c.variables)
            environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
        const Base::LanguagePlaces places = Base::languagePlaces(environment);
        EXPECT_EQ(places.currentDirectory, QStringLiteral("language")) << c.name;
        EXPECT_EQ(places.userChoice, QString::fromLatin1(c.userChoice)) << c.name;
        EXPECT_EQ(places.systemLanguage, *c.systemLanguage ? QString::fromLatin1(c.systemLanguage) : systemDefault)
            << c.name;
        // Installed as bin/ and share/: the folder is found from the program, wherever the prefix.
        EXPECT_EQ(places.shippedFolder, QDir::cleanPath(QCoreApplication::applicationDirPath() + shipped)) << c.name;
    }
}

TEST(LanguagePlaces, ShippedFileNamesOfASystemLanguage) {
    const struct {
        const char* language;
        QStringList names;
    } cases[] = {
        {"de_DE.UTF-8", {QStringLiteral("de_DE"), QStringLiteral("de")}},
        {"ja", {QStringLiteral("ja")}},
        {"es_419.UTF-8", {QStringLiteral("es_419"), QStringLiteral("es")}},
        {"sr_RS@latin", {QStringLiteral("sr_RS"), QStringLiteral("sr")}},
        {"C", {}},
        {"POSIX", {}},
        {"", {}},
        {"de_DE/../../etc", {}},
        {"DE_de", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Base::shippedFileNames(QString::fromLatin1(c.language)), c.names) << c.language;
}

} // namespace
