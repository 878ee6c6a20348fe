#include "base/localize.h"

#include "base/user_folders.h"
#include "platform/regular_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <limits>
#include <optional>

namespace Base {

namespace {

QString decodeLine(QByteArrayView line) {
    // A byte-order mark must survive decoding: a key behind it never matches.
    static constexpr char kBom[] = "\xEF\xBB\xBF";
    if (line.startsWith(QByteArrayView(kBom, 3)))
        return QChar(0xFEFF) + QString::fromUtf8(line.sliced(3));
    return QString::fromUtf8(line);
}

enum class Place { Missing, Read, Unusable };

// One candidate file: Missing lets the search go on to the next place.
Place readPlace(const QString& path, QByteArray& bytes) {
    const Platform::BoundedFile file =
        Platform::ReadRegularFile(platformPath(path), static_cast<std::size_t>(kLanguageFileCap));
    switch (file.result) {
    case Platform::FileRead::Read:
        bytes = QByteArray(file.bytes.data(), static_cast<qsizetype>(file.bytes.size()));
        return Place::Read;
    case Platform::FileRead::NotRegular:
        qWarning("The language file %s is no regular file and is not read: texts stay English.", qPrintable(path));
        return Place::Unusable;
    case Platform::FileRead::TooLarge:
        qWarning("The language file %s is larger than %lld bytes and is not read: texts stay English.",
                 qPrintable(path), static_cast<long long>(kLanguageFileCap));
        return Place::Unusable;
    case Platform::FileRead::Failed:
        return Place::Unusable;
    case Platform::FileRead::Missing:
        break;
    }
    return Place::Missing;
}

struct LanguageCache {
    QMutex mutex;
    std::optional<LanguageTable> table;
    QStringList names; // of the table's language
    // Answers given: a text that no key holds may still be searched for in every line without "=".
    QHash<QString, QString> answers;
    std::function<void(const QString&)> recorder;
};

// The program asks for a few hundred texts; more than this are not kept.
constexpr qsizetype kMaxAnswers = 4096;

LanguageCache& languageCache() {
    static LanguageCache cache;
    return cache;
}

// The cache's table, read on first use; the mutex is held.
const LanguageTable& tableOf(LanguageCache& cache) {
    if (!cache.table) {
        const LanguagePlaces places = languagePlaces(QProcessEnvironment::systemEnvironment());
        LanguageFile file = readLanguageFile(places);
        cache.names = languageNames(places, file);
        cache.table.emplace(std::move(file.bytes));
    }
    return *cache.table;
}

QSet<QByteArrayView> linesOf(const QByteArray& file) {
    QSet<QByteArrayView> lines;
    for (qsizetype pos = 0; pos < file.size();) {
        qsizetype end = file.indexOf('\n', pos);
        end = end < 0 ? file.size() : end;
        lines.insert(QByteArrayView(file).sliced(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

} // namespace

LanguagePlaces languagePlaces(const QProcessEnvironment& environment) {
    LanguagePlaces places;
    if (const QString config = configFolder(environment); !config.isEmpty())
        places.userChoice = config + QStringLiteral("/language");
    // Beside the installed program, so that any install prefix finds its own.
    if (QCoreApplication::instance() != nullptr)
        places.shippedFolder = QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                               QStringLiteral(ZUREDOR_LANGUAGES_FROM_BIN));
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        places.systemLanguage = environment.value(QString::fromLatin1(name));
        if (!places.systemLanguage.isEmpty())
            break;
    }
#ifdef Q_OS_WIN
    // Windows keeps the user's language in its settings, not the environment.
    if (places.systemLanguage.isEmpty())
        places.systemLanguage = QLocale::system().name();
#endif
    return places;
}

QStringList shippedFileNames(const QString& systemLanguage) {
    // language[_territory][.codeset][@modifier]
    QString name = systemLanguage;
    name.truncate(name.indexOf(QLatin1Char('@')) < 0 ? name.size() : name.indexOf(QLatin1Char('@')));
    name.truncate(name.indexOf(QLatin1Char('.')) < 0 ? name.size() : name.indexOf(QLatin1Char('.')));
    // The value comes from the environment and names a file: letters and one underscore only.
    static const QRegularExpression shape(QStringLiteral("^([a-z]{2,3})(_(?:[A-Z]{2}|[0-9]{3}))?$"));
    const QRegularExpressionMatch match = shape.match(name);
    if (!match.hasMatch())
        return {};
    QStringList names;
    if (match.hasCaptured(2))
        names << name;
    names << match.captured(1);
    return names;
}

LanguageFile readLanguageFile(const LanguagePlaces& places) {
    QStringList candidates{places.currentDirectory};
    if (!places.userChoice.isEmpty())
        candidates << places.userChoice;
    if (!places.shippedFolder.isEmpty()) {
        for (const QString& name : shippedFileNames(places.systemLanguage))
            candidates << places.shippedFolder + QLatin1Char('/') + name;
    }
    LanguageFile file;
    for (const QString& candidate : candidates) {
        const Place place = readPlace(candidate, file.bytes);
        if (place == Place::Missing)
            continue;
        if (place == Place::Read)
            file.path = candidate;
        break;
    }
    return file;
}

QStringList languageNames(const LanguagePlaces& places, const LanguageFile& file) {
    if (file.path.isEmpty() || file.bytes.trimmed().isEmpty())
        return {};
    if (!places.shippedFolder.isEmpty()) {
        const QFileInfo info(file.path);
        const QDir shipped(places.shippedFolder);
        if (info.canonicalPath() == shipped.canonicalPath() && !shippedFileNames(info.fileName()).isEmpty())
            return shippedFileNames(info.fileName());
        // A copy: the shipped file it has the most lines in common with, if any.
        const QSet<QByteArrayView> lines = linesOf(file.bytes);
        QString best;
        qsizetype most = 0;
        for (const QString& name : shipped.entryList(QDir::Files, QDir::Name)) {
            QByteArray bytes;
            if (shippedFileNames(name).isEmpty() || readPlace(shipped.filePath(name), bytes) != Place::Read)
                continue;
            const qsizetype common = QSet<QByteArrayView>(linesOf(bytes)).intersect(lines).size();
            if (common > most) {
                most = common;
                best = name;
            }
        }
        if (!best.isEmpty())
            return shippedFileNames(best);
    }
    return shippedFileNames(places.systemLanguage);
}

QStringList languageInUse() {
    LanguageCache& cache = languageCache();
    const QMutexLocker lock(&cache.mutex);
    tableOf(cache);
    return cache.names;
}

QString LocalizeFromBytes(const QByteArray& file, const QString& text) {
    const QByteArray needle = text.toUtf8();
    QString result;
    qsizetype pos = 0;
    while (pos < file.size()) {
        qsizetype end = file.indexOf('\n', pos);
        const qsizetype next = end < 0 ? file.size() : end + 1;
        if (end < 0)
            end = file.size();
        QByteArrayView line(file.constData() + pos, end - pos);
        pos = next;
        // Only the terminator that is there is stripped: CR LF, a lone LF, or nothing on a last line.
        if (end < file.size() && line.endsWith('\r'))
            line.chop(1);
        if (!line.contains(QByteArrayView(needle)))
            continue;
        const QString decoded = decodeLine(line);
        if (!decoded.contains(text))
            continue;
        const qsizetype eq = decoded.indexOf(u'=');
        if (eq < 0)
            break;
        if (QStringView(decoded).left(eq) != text)
            continue;
        result = decoded.mid(eq + 1);
        break;
    }
    return result.isEmpty() ? text : result;
}

LanguageTable::LanguageTable(QByteArray file) : m_file(std::move(file)) {
    if (m_file.size() >= std::numeric_limits<qint32>::max())
        m_file.clear();
    // A line decodes to no more UTF-16 units than it has bytes: with this much room the
    // text never moves, and the keys can be views into it while it is still being written.
    m_keyedText.reserve(m_file.size());
    for (qsizetype pos = 0; pos < m_file.size();) {
        const QByteArrayView raw = rawLine(pos);
        const QString line = decodeLine(raw);
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            if (m_firstBare < 0)
                m_firstBare = pos;
            if (!line.isEmpty()) {
                m_bare.push_back({static_cast<qint32>(pos), static_cast<qint32>(m_bareText.size())});
                m_bareText += line;
                m_bareText += u'\n';
            }
        } else {
            addKeyedLine(static_cast<qint32>(pos), raw, line, eq);
        }
        const qsizetype lf = m_file.indexOf('\n', pos);
        pos = lf < 0 ? m_file.size() : lf + 1;
    }
    m_keyed.shrink_to_fit();
    m_bare.shrink_to_fit();
}

void LanguageTable::addKeyedLine(qint32 rawStart, QByteArrayView raw, const QString& line, qsizetype eq) {
    const QStringView key = QStringView(line).left(eq);
    const auto first = m_firstWithKey.constFind(key);
    qint32 tail = -1;
    if (first != m_firstWithKey.constEnd()) {
        tail = m_keyed[static_cast<std::size_t>(*first)].last;
        // A line that always matches hides every later line of its key.
        if (m_keyed[static_cast<std::size_t>(tail)].keyBytesExact)
            return;
    }
    const auto index = static_cast<qint32>(m_keyed.size());
    // Whether the key's own bytes are its UTF-8: then the byte check of the lookup always passes.
    const bool exact = key.toUtf8() == raw.first(raw.indexOf('='));
    const auto textStart = static_cast<qint32>(m_keyedText.size());
    m_keyed.push_back({rawStart, textStart, static_cast<qint32>(eq), -1, index, exact});
    m_keyedText += line;
    if (tail < 0) {
        m_firstWithKey.insert(QStringView(m_keyedText).sliced(textStart, eq), index);
        return;
    }
    m_keyed[static_cast<std::size_t>(tail)].next = index;
    m_keyed[static_cast<std::size_t>(*first)].last = index;
}

qsizetype LanguageTable::textEnd(const KeyedLine& line) const {
    const auto next = static_cast<std::size_t>(&line - m_keyed.data()) + 1;
    return next < m_keyed.size() ? m_keyed[next].textStart : m_keyedText.size();
}

QByteArrayView LanguageTable::rawLine(qsizetype start) const {
    qsizetype end = m_file.indexOf('\n', start);
    const bool terminated = end >= 0;
    if (!terminated)
        end = m_file.size();
    QByteArrayView line(m_file.constData() + start, end - start);
    // Only the terminator that is there is stripped: CR LF, a lone LF, or nothing on a last line.
    if (terminated && line.endsWith('\r'))
        line.chop(1);
    return line;
}

bool LanguageTable::bareLineBefore(const QString& text, QByteArrayView needle, qsizetype rawLimit) const {
    if (text.isEmpty())
        return m_firstBare >= 0 && m_firstBare < rawLimit;
    for (qsizetype from = 0;;) {
        const qsizetype at = m_bareText.indexOf(text, from);
        if (at < 0)
            return false;
        const auto line = std::prev(std::upper_bound(
            m_bare.begin(), m_bare.end(), at, [](qsizetype pos, const BareLine& b) { return pos < b.textStart; }));
        if (line->rawStart >= rawLimit)
            return false;
        if (rawLine(line->rawStart).contains(needle))
            return true;
        from = std::next(line) == m_bare.end() ? m_bareText.size() : std::next(line)->textStart;
    }
}

QString LanguageTable::lookup(const QString& text) const {
    // No line holds a line feed, so no line holds such a text.
    if (text.contains(u'\n'))
        return text;
    const QByteArray needle = text.toUtf8();
    const KeyedLine* match = nullptr;
    const auto first = m_firstWithKey.constFind(QStringView(text));
    for (qsizetype i = first == m_firstWithKey.constEnd() ? -1 : *first; i >= 0;) {
        const KeyedLine& line = m_keyed[static_cast<std::size_t>(i)];
        if (line.keyBytesExact || rawLine(line.rawStart).contains(QByteArrayView(needle))) {
            match = &line;
            break;
        }
        i = line.next;
    }
    // A line before it that holds the text but no "=" ends the search with the text itself.
    if (match == nullptr || bareLineBefore(text, needle, match->rawStart))
        return text;
    const qsizetype from = match->textStart + match->keyLength + 1;
    const qsizetype end = textEnd(*match);
    return from < end ? m_keyedText.sliced(from, end - from) : text;
}

QString LocalizeText(const QString& text) {
    LanguageCache& cache = languageCache();
    const QMutexLocker lock(&cache.mutex);
    if (cache.recorder)
        cache.recorder(text);
    const LanguageTable& table = tableOf(cache);
    if (const auto known = cache.answers.constFind(text); known != cache.answers.constEnd())
        return *known;
    if (cache.answers.size() >= kMaxAnswers)
        cache.answers.clear();
    return *cache.answers.insert(text, table.lookup(text));
}

void recordLookups(std::function<void(const QString&)> recorder) {
    LanguageCache& cache = languageCache();
    const QMutexLocker lock(&cache.mutex);
    cache.recorder = std::move(recorder);
}

void reloadLanguageFile() {
    LanguageCache& cache = languageCache();
    const QMutexLocker lock(&cache.mutex);
    cache.table.reset();
    cache.names.clear();
    cache.answers.clear();
}

} // namespace Base
