#pragma once

#include <QByteArray>
#include <QHash>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <vector>

namespace Base {

// The language file is read only up to this size; a larger one leaves every text English.
inline constexpr qsizetype kLanguageFileCap = qsizetype{4} * 1024 * 1024;

// Where the language file is looked for, in this order. The first place that
// holds anything of that name decides: a file there that cannot be read
// leaves the texts English, as a bad "language" in the current directory
// always did, rather than quietly taking the next place.
struct LanguagePlaces {
    QString currentDirectory = QStringLiteral("language"); // by that bare name, as it always was
    QString userChoice;                                    // the user's own choice: ~/.config/zuredor/language
    QString shippedFolder;                                 // the translations the program ships, one file per language
    QString systemLanguage;                                // LC_ALL, LC_MESSAGES or LANG, such as "de_DE.UTF-8"
};

// The places of this process: the configuration folder from XDG_CONFIG_HOME
// (or ~/.config), the shipped translations beside the installed program, the
// language from the environment as the C library ranks it.
LanguagePlaces languagePlaces(const QProcessEnvironment& environment);

// The names of shipped files that serve a system language, best first:
// "de_DE.UTF-8" gives de_DE and de. None for C, POSIX or a malformed value.
QStringList shippedFileNames(const QString& systemLanguage);

// The language file the places give: its path (empty for none) and its bytes.
struct LanguageFile {
    QString path;
    QByteArray bytes;
};
LanguageFile readLanguageFile(const LanguagePlaces& places);

// The language a language file is written in, for the words Qt itself brings
// (its buttons and file dialog): names to try, best first, none for English.
// A shipped file and a copy of one (even of an older release: the shipped
// file it shares the most lines with) are known; any other file with text
// is taken to be in the system language; no file or an empty one is English.
QStringList languageNames(const LanguagePlaces& places, const LanguageFile& file);

// The names languageNames gives for this process's language file.
QStringList languageInUse();

// The translation of a display text from the language file, or the text
// itself. The file is chosen and read at the first call and kept: only a
// regular file (links followed) of at most kLanguageFileCap bytes.
QString LocalizeText(const QString& text);

// The next LocalizeText reads the file again, for tests that write one.
void reloadLanguageFile();

// Every text LocalizeText is asked for goes to `recorder` until another one
// (or none) is set: the translations' test learns from it what the windows show.
void recordLookups(std::function<void(const QString&)> recorder);

// The same lookup over file contents already in memory.
QString LocalizeFromBytes(const QByteArray& file, const QString& text);

// A language file parsed once, answering exactly as LocalizeFromBytes on the
// same bytes, with a table lookup in place of a walk through every line. Files
// of 2 GiB or more are taken as empty.
class LanguageTable final {
public:
    LanguageTable() = default;
    explicit LanguageTable(QByteArray file);

    QString lookup(const QString& text) const;

private:
    // Offsets are 32 bits, which keeps the table small: the file is at most a few MiB.
    // The first line of a key, or a later one when the bytes of an earlier one
    // may not hold the key (invalid UTF-8 decodes to U+FFFD).
    struct KeyedLine {
        qint32 rawStart;
        qint32 textStart; // in m_keyedText; the line ends where the next one starts
        qint32 keyLength;
        qint32 next; // the following line of the same key, when this one may not match; -1 for none
        qint32 last; // on the first line of a key: the end of that chain
        bool keyBytesExact;
    };
    // A line without "=": holding the text, it ends the search.
    struct BareLine {
        qint32 rawStart;
        qint32 textStart; // in m_bareText
    };

    void addKeyedLine(qint32 rawStart, QByteArrayView raw, const QString& line, qsizetype eq);
    qsizetype textEnd(const KeyedLine& line) const;
    QByteArrayView rawLine(qsizetype start) const;
    bool bareLineBefore(const QString& text, QByteArrayView needle, qsizetype rawLimit) const;

    QByteArray m_file;
    QString m_keyedText; // the kept lines with "=", back to back
    QString m_bareText;  // each line followed by a line feed, which no line holds
    std::vector<KeyedLine> m_keyed;
    std::vector<BareLine> m_bare; // empty ones left out: only an empty text is in them
    qsizetype m_firstBare = -1;   // raw start of the first line without "=", empty or not
    QHash<QStringView, qint32> m_firstWithKey;
};

} // namespace Base
