// The shipped translations: well-formed files, a line for every text the
// program shows, and captions that still fit their controls once translated.

#include "app/app_windows.h"
#include "base/localize.h"
#include "console/page_control.h"
#include "discovery/scan_window.h"
#include "login/device_login_window.h"
#include "mount/drives_window.h"
#include "mount/mount_window.h"
#include "support/source_texts.h"
#include "support/test_ports.h"
#include "ui/app_style.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace {

const QString kSource = QStringLiteral(ZUREDOR_SOURCE_DIR);

QStringList shippedLanguages() {
    return QDir(kSource + QStringLiteral("/languages")).entryList(QDir::Files, QDir::Name);
}

QByteArray shippedFile(const QString& language) {
    QFile file(kSource + QStringLiteral("/languages/") + language);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Key to translation; the test of the format says what is wrong with a line.
std::map<QString, QString> entries(const QByteArray& file) {
    std::map<QString, QString> map;
    for (QByteArray line : file.split('\n')) {
        line.chop(line.endsWith('\r') ? 1 : 0);
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            map.emplace(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return map;
}

Base::NetworkSettings loopbackSettings() {
    Base::NetworkSettings settings;
    settings.broadcast = {QStringLiteral("127.255.255.255")};
    settings.discoveryPort = TestSupport::freeUdpPort();
    settings.devicePort = TestSupport::freeTcpPort();
    return settings;
}

// Every window built and each shown once, as the program does on its way.
void showEveryWindow(App::WindowSet& windows) {
    for (QWidget* window : QList<QWidget*>{&windows.scanWindow(), &windows.deviceLogin(), &windows.mountWindow(),
                                           &windows.drivesWindow()}) {
        window->show();
        window->hide();
    }
}

// The texts the windows ask LocalizeText for, with no language file in sight.
QSet<QString> textsTheWindowsAskFor() {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Base::reloadLanguageFile();
    QSet<QString> asked;
    Base::recordLookups([&asked](const QString& text) { asked.insert(text); });
    {
        App::WindowSet windows(loopbackSettings(), [] {});
        showEveryWindow(windows);
    }
    Base::recordLookups(nullptr);
    QDir::setCurrent(previous);
    return asked;
}

TEST(Translations, ShipFiveLanguages) {
    EXPECT_EQ(shippedLanguages(), QStringList({QStringLiteral("de"), QStringLiteral("es"), QStringLiteral("fr"),
                                               QStringLiteral("ja"), QStringLiteral("zh_CN")}));
}

TEST(Translations, AreLanguageFilesTheLookupReadsAsWritten) {
    std::map<QString, QSet<QString>> keysOf;
    for (const QString& language : shippedLanguages()) {
        const std::string name = language.toStdString();
        const QByteArray file = shippedFile(language);
        ASSERT_FALSE(file.isEmpty()) << name;
        EXPECT_FALSE(file.startsWith("\xEF\xBB\xBF")) << name << ": a byte-order mark hides the first key";
        EXPECT_TRUE(file.endsWith("\r\n")) << name << ": the last line loses two characters without CR LF";
        QSet<QString> keys;
        int number = 0;
        for (const QByteArray& raw : file.split('\n')) {
            ++number;
            if (raw.isEmpty() && number > file.count('\n'))
                break; // after the last line end
            const std::string where = name + ":" + std::to_string(number);
            ASSERT_TRUE(raw.endsWith('\r')) << where << ": no CR LF";
            const QByteArray line = raw.chopped(1);
            EXPECT_LE(line.size() + 2, 1023) << where << ": longer than the lookup reads as one line";
            EXPECT_EQ(QString::fromUtf8(line).toUtf8(), line) << where << ": not UTF-8";
            const qsizetype eq = line.indexOf('=');
            ASSERT_GT(eq, 0) << where << ": no key and =";
            const QString key = QString::fromUtf8(line.left(eq));
            const QString translation = QString::fromUtf8(line.mid(eq + 1));
            EXPECT_FALSE(translation.isEmpty()) << where << ": an empty translation shows the English text";
            EXPECT_FALSE(keys.contains(key)) << where << ": a second line for " << key.toStdString();
            keys.insert(key);
            // What the program reads back from the file is what was written.
            EXPECT_EQ(Base::LocalizeFromBytes(file, key), translation) << where;
        }
        keysOf[language] = keys;
    }
    for (const auto& [language, keys] : keysOf)
        EXPECT_EQ(keys, keysOf.begin()->second)
            << language.toStdString() << " and " << keysOf.begin()->first.toStdString() << " translate other texts";
}

struct ScanCase {
    const char* name;
    QByteArray source;
    QStringList texts;
};

TEST(Translations, SourceScanFindsTheTextsOfBoxes) {
    const ScanCase cases[] = {
        {"a refusal built in place",
         "x f() { return Base::Refusal{QStringLiteral(\"Msg\"), QStringLiteral(\"Cap\"), Base::Icon::Error}; }",
         {QStringLiteral("Cap"), QStringLiteral("Msg")}},
        {"constants and pieces, the untranslated ones left out",
         "const char* const kCap = \"Cap\";\n"
         "Base::Refusal f() {\n"
         "    return {QStringLiteral(\"Msg\"), QString::fromLatin1(kCap), Base::Icon::Question,\n"
         "            {{QStringLiteral(\"\\n\"), false}, {QStringLiteral(\"More\"), true},\n"
         "             {QStringLiteral(\" (%1) x\").arg(n), false}}};\n"
         "}\n",
         {QStringLiteral("Cap"), QStringLiteral("More"), QStringLiteral("Msg")}},
        {"a helper's arguments",
         "Base::Refusal box(const char* m, const char* c) { return {QString::fromLatin1(m), QString::fromLatin1(c)}; "
         "}\n"
         "Base::Refusal q() { return box(\"Question?\", \"Title\"); }\n",
         {QStringLiteral("Question?"), QStringLiteral("Title")}},
        {"a member's definition",
         "Base::Refusal Rules::q() const { return {QStringLiteral(\"Member\"), kWhere}; }\n"
         "constexpr char kWhere[] = \"Where\";\n",
         {QStringLiteral("Member"), QStringLiteral("Where")}},
        {"a rule whose result holds a refusal, its default argument too",
         "struct Result { std::optional<Base::Refusal> refusal; };\n"
         "Result rule(const QString& t, const char* c, const char* m = \"Default words.\");\n"
         "void use() { auto r = rule(field->text(), \"Caption\"); }\n",
         {QStringLiteral("Caption"), QStringLiteral("Default words.")}},
        {"an overload that takes text counts only with a refusal built in the call",
         "void say(const QString& words);\nvoid say(const Base::Refusal& box);\n"
         "void f() { host.say(QStringLiteral(\"printed as it is\")); host.say({QStringLiteral(\"Boxed\"), c}); }\n",
         {QStringLiteral("Boxed")}},
        {"a member's call inside a refusal's call looks something up",
         "int refuse(const GlobalOptions& g, const QString& ip, const Base::Refusal& r);\n"
         "int f() { return refuse(call.global, call.arguments.text(\"IP\"), {QStringLiteral(\"Words\"), kCap}); }\n"
         "const QString kCap = QStringLiteral(\"Cap\");\n",
         {QStringLiteral("Cap"), QStringLiteral("Words")}},
        {"a class that passes refusals around holds none",
         "class Host { public: virtual void showMessage(const Base::Refusal& box) = 0; };\n"
         "Page::Page(Host& host) : Base(host, \"ObjectName\", \"Caption\") {}\n"
         "void g(Host& host) { make(host, \"Other\"); }\n",
         {}},
        {"LocalizeText and the boxes' helpers",
         "void f() { t->setText(Base::LocalizeText(QStringLiteral(\"Scan\"))); "
         "Ui::showLocalized(QStringLiteral(\"Shown\"), QStringLiteral(\"Box\"), Base::Icon::Error); }",
         {QStringLiteral("Box"), QStringLiteral("Scan"), QStringLiteral("Shown")}},
        {"requests, comments and includes are no texts",
         "#include \"base/refusal.h\"\n"
         "// Base::Refusal{QStringLiteral(\"commented\")}\n"
         "/* LocalizeText(\"block\") */\n"
         "QString u() { return Web::CgiRequest(ip, QStringLiteral(\"nas.cgi\"), \"type\"); }\n",
         {}},
    };
    for (const ScanCase& c : cases) {
        const QMap<QString, QString> found = TestSupport::textsForBoxes({{QStringLiteral("case.cpp"), c.source}});
        EXPECT_EQ(found.keys(), c.texts) << c.name;
    }
}

TEST(Translations, HaveALineForEveryTextTheProgramShows) {
    const QSet<QString> windows = textsTheWindowsAskFor();
    const QMap<QString, QString> boxes =
        TestSupport::textsForBoxesIn({kSource + QStringLiteral("/src"), kSource + QStringLiteral("/cli")});
    // Both ways of finding texts must have found what they are known to find.
    // Captions with trailing blanks are asked for as language files write them.
    for (const char* known : {"Scan", "Management", "Disk Utility", "Folder Name", "Sleep Time", "Account List ",
                              "Sharing List ", "Sharing List", "(21 or 1025-65500) "})
        EXPECT_TRUE(windows.contains(QString::fromLatin1(known))) << known;
    for (const char* known : {"Connection fail", "Over Maximum 12 characters.", "Upload Firmware Successful.",
                              "Only English characters or numbers accepted.", "Are you sure?"})
        EXPECT_TRUE(boxes.contains(QString::fromLatin1(known))) << known;

    QMap<QString, QString> shown = boxes;
    for (const QString& text : windows)
        shown.insert(text, QStringLiteral("a window"));
    for (const QString& language : shippedLanguages()) {
        const std::map<QString, QString> lines = entries(shippedFile(language));
        QStringList missing;
        for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
            if (lines.count(it.key()) == 0)
                missing << QStringLiteral("\"%1\" (%2)").arg(it.key(), it.value());
        }
        EXPECT_TRUE(missing.isEmpty()) << language.toStdString() << " has no line for "
                                       << missing.join(QStringLiteral(", ")).toStdString();
    }
}

TEST(Translations, QtOwnWordsFollowTheLanguageFile) {
    QTemporaryDir dir;
    const QString shipped = kSource + QStringLiteral("/languages");
    QByteArray olderJapanese = shippedFile(QStringLiteral("ja"));
    olderJapanese.replace("Scan=", "Scan (old)=");
    const struct {
        const char* name;
        QString path; // of the file LocalizeText reads; empty: none
        QByteArray bytes;
        QStringList names;
    } cases[] = {
        {"a shipped file",
         shipped + QStringLiteral("/zh_CN"),
         shippedFile(QStringLiteral("zh_CN")),
         {QStringLiteral("zh_CN"), QStringLiteral("zh")}},
        {"a copy of an older shipped file",
         dir.filePath(QStringLiteral("language")),
         olderJapanese,
         {QStringLiteral("ja")}},
        {"a file of its own is in the system's language",
         dir.filePath(QStringLiteral("language")),
         "Scan=Cerca\r\n",
         {QStringLiteral("it_IT"), QStringLiteral("it")}},
        {"an empty file keeps English", dir.filePath(QStringLiteral("language")), "\r\n", {}},
        {"no file keeps English", {}, {}, {}},
    };
    for (const auto& c : cases) {
        Base::LanguagePlaces places;
        places.shippedFolder = shipped;
        places.systemLanguage = QStringLiteral("it_IT.UTF-8");
        EXPECT_EQ(Base::languageNames(places, {c.path, c.bytes}), c.names) << c.name;
    }

    // The buttons of a box and the file dialog, in German and without a language file. A build has no
    // shipped folder to recognise the copy by: the system's language names it.
    const QString previous = QDir::currentPath();
    const QByteArray system = qgetenv("LC_ALL");
    qputenv("LC_ALL", "de_DE.UTF-8");
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const bool german : {true, false}) {
        QFile::remove(QStringLiteral("language"));
        if (german) {
            ASSERT_TRUE(QFile::copy(shipped + QStringLiteral("/de"), QStringLiteral("language")));
        }
        Base::reloadLanguageFile();
        Ui::installQtTranslations(*qApp);
        QMessageBox box(QMessageBox::Question, QStringLiteral("x"), QStringLiteral("x"),
                        QMessageBox::Ok | QMessageBox::Cancel);
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        const auto* types = files.findChild<QLabel*>(QStringLiteral("fileTypeLabel"));
        ASSERT_NE(types, nullptr);
        const QStringList shown{box.button(QMessageBox::Cancel)->text().remove(u'&'), types->text()};
        EXPECT_EQ(shown, german ? QStringList({QStringLiteral("Abbrechen"), QStringLiteral("Dateien des Typs:")})
                                : QStringList({QStringLiteral("Cancel"), QStringLiteral("Files of type:")}));
    }
    QDir::setCurrent(previous);
    qputenv("LC_ALL", system);
    Base::reloadLanguageFile();
    Ui::installQtTranslations(*qApp);
}

// ---- the translated captions fit their controls

// The text's width and the room a control gives it; a description of any that does not fit.
std::optional<QString> overflow(QWidget* widget) {
    const QFontMetrics metrics(widget->font());
    int need = 0;
    int room = 0;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
        if (label->wordWrap()) {
            need = label->heightForWidth(label->width());
            room = label->height();
        } else {
            for (const QString& line : text.split(QLatin1Char('\n')))
                need = std::max(need, metrics.horizontalAdvance(line));
            room = label->contentsRect().width();
            if (text.count(QLatin1Char('\n')) > 0 &&
                (text.count(QLatin1Char('\n')) + 1) * metrics.lineSpacing() > label->height())
                return QStringLiteral("\"%1\" (%2) has more lines than room").arg(text, widget->objectName());
        }
    } else if (qobject_cast<QRadioButton*>(widget) || qobject_cast<QCheckBox*>(widget)) {
        text = static_cast<QAbstractButton*>(widget)->text();
        need = widget->sizeHint().width();
        room = widget->width();
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        text = button->text();
        // As the style sizes a button: the text, its margin and the frame on both sides.
        need = metrics.horizontalAdvance(text) + widget->style()->pixelMetric(QStyle::PM_ButtonMargin) +
               2 * widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        room = button->width();
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        text = group->title();
        need = metrics.horizontalAdvance(text) + 16;
        room = group->width();
    } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
        for (int i = 0; i < header->count(); ++i) {
            const QString title = header->model()->headerData(i, header->orientation()).toString();
            const int width = header->fontMetrics().horizontalAdvance(title) + 8;
            if (!header->isSectionHidden(i) && width > header->sectionSize(i))
                return QStringLiteral("column \"%1\" needs %2 of %3").arg(title).arg(width).arg(header->sectionSize(i));
        }
        return std::nullopt;
    } else if (auto* tabs = qobject_cast<Console::PageControl*>(widget)) {
        // With every tab shown, as when Modify FTP is open.
        QTabBar* bar = tabs->tabBar();
        QStringList captions;
        for (int i = 0; i < bar->count(); ++i) {
            bar->setTabVisible(i, true);
            captions << bar->tabText(i);
            need += bar->fontMetrics().horizontalAdvance(bar->tabText(i)) + 4;
        }
        text = captions.join(QLatin1Char('|'));
        room = tabs->width() - 4;
    }
    if (text.isEmpty() || need <= room)
        return std::nullopt;
    return QStringLiteral("\"%1\" (%2) needs %3 of %4").arg(text, widget->objectName()).arg(need).arg(room);
}

// The program's own words a control shows: its caption, its items, its column titles.
QStringList textsOf(QWidget* widget) {
    QStringList texts;
    if (auto* label = qobject_cast<QLabel*>(widget))
        texts << label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        texts << button->text();
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        texts << group->title();
    else if (auto* box = qobject_cast<QComboBox*>(widget)) {
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
    } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
        for (int i = 0; i < header->count(); ++i)
            texts << header->model()->headerData(i, header->orientation()).toString();
    }
    return texts;
}

class TranslatedWindows : public ::testing::TestWithParam<QString> {};

TEST_P(TranslatedWindows, CaptionsFitTheirControls) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    if (!GetParam().isEmpty()) {
        ASSERT_TRUE(QFile::copy(kSource + QStringLiteral("/languages/") + GetParam(), QStringLiteral("language")));
    }
    Base::reloadLanguageFile();
    const std::map<QString, QString> lines = entries(shippedFile(GetParam()));
    QStringList overflows;
    QStringList english; // texts the file translates, shown untranslated
    int checked = 0;
    {
        App::WindowSet windows(loopbackSettings(), [] {});
        showEveryWindow(windows);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName().startsWith(QLatin1String("TForm")) ||
                window->objectName() == QLatin1String("DrivesWindow")) {
                for (QWidget* widget : window->findChildren<QWidget*>()) {
                    ++checked;
                    if (const auto problem = overflow(widget))
                        overflows << window->objectName() + QStringLiteral(": ") + *problem;
                    // The administrator login keeps the words of its layout in every language.
                    const bool translates = window->objectName() != QLatin1String("TForm3");
                    for (const QString& text : textsOf(widget)) {
                        const auto line = lines.find(text);
                        if (translates && !GetParam().isEmpty() && line != lines.end() && line->second != text)
                            english << QStringLiteral("\"%1\" (%2)").arg(text, widget->objectName());
                    }
                }
            }
        }
    }
    QDir::setCurrent(previous);
    Base::reloadLanguageFile();
    EXPECT_GT(checked, 300) << "the eleven windows' controls";
    EXPECT_TRUE(overflows.isEmpty()) << overflows.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(english.isEmpty()) << "left in English: " << english.join(QStringLiteral(", ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedWindows,
                         ::testing::Values(QString(), QStringLiteral("de"), QStringLiteral("es"), QStringLiteral("fr"),
                                           QStringLiteral("ja"), QStringLiteral("zh_CN")),
                         [](const ::testing::TestParamInfo<QString>& p) {
                             return p.param.isEmpty() ? std::string("English") : p.param.toStdString();
                         });

} // namespace
