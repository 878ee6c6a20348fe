#include "support/source_texts.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cctype>
#include <vector>

namespace TestSupport {

namespace {

struct Token {
    enum Kind { Identifier, Literal, Punctuation, Other } kind;
    QString text; // a literal's decoded contents
    int line;
};

bool isIdentifierStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isIdentifierPart(char c) {
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}

// A literal's bytes with its escapes undone; `at` is just after the opening quote.
QByteArray readLiteral(const QByteArray& s, qsizetype& at, int& line) {
    QByteArray bytes;
    while (at < s.size() && s[at] != '"') {
        char c = s[at++];
        if (c == '\n')
            ++line;
        if (c != '\\' || at >= s.size()) {
            bytes += c;
            continue;
        }
        c = s[at++];
        switch (c) {
        case 'n':
            bytes += '\n';
            break;
        case 't':
            bytes += '\t';
            break;
        case 'r':
            bytes += '\r';
            break;
        case 'x': {
            int value = 0;
            while (at < s.size() && std::isxdigit(static_cast<unsigned char>(s[at])))
                value = value * 16 + QByteArray(1, s[at++]).toInt(nullptr, 16);
            bytes += static_cast<char>(value);
            break;
        }
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7': {
            int value = c - '0';
            for (int digits = 1; digits < 3 && at < s.size() && s[at] >= '0' && s[at] <= '7'; ++digits)
                value = value * 8 + (s[at++] - '0');
            bytes += static_cast<char>(value);
            break;
        }
        default:
            bytes += c;
        }
    }
    ++at;
    return bytes;
}

std::vector<Token> tokenize(const QByteArray& s) {
    std::vector<Token> tokens;
    int line = 1;
    bool lineStart = true;
    for (qsizetype at = 0; at < s.size();) {
        const char c = s[at];
        if (c == '\n') {
            ++line;
            ++at;
            lineStart = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            ++at;
            continue;
        }
        if (s.sliced(at).startsWith("//")) {
            while (at < s.size() && s[at] != '\n')
                ++at;
            continue;
        }
        if (s.sliced(at).startsWith("/*")) {
            const qsizetype end = s.indexOf("*/", at + 2);
            const qsizetype stop = end < 0 ? s.size() : end + 2;
            line += static_cast<int>(s.mid(at, stop - at).count('\n'));
            at = stop;
            continue;
        }
        // Preprocessor lines, continuations included: an #include's path is no text.
        if (c == '#' && lineStart) {
            while (at < s.size() && (s[at] != '\n' || s[at - 1] == '\\')) {
                if (s[at] == '\n')
                    ++line;
                ++at;
            }
            continue;
        }
        lineStart = false;
        if (isIdentifierStart(c)) {
            const qsizetype start = at;
            while (at < s.size() && isIdentifierPart(s[at]))
                ++at;
            const QByteArray word = s.mid(start, at - start);
            if (at < s.size() && s[at] == '"' && word.endsWith('R')) {
                // R"delimiter(...)delimiter"
                const qsizetype open = s.indexOf('(', at);
                const QByteArray close = ')' + s.mid(at + 1, open - at - 1) + '"';
                const qsizetype end = s.indexOf(close, open);
                const QByteArray body = s.mid(open + 1, end - open - 1);
                tokens.push_back({Token::Literal, QString::fromUtf8(body), line});
                line += static_cast<int>(body.count('\n'));
                at = end + close.size();
                continue;
            }
            if (at < s.size() && s[at] == '"' && (word == "u8" || word == "u" || word == "U" || word == "L"))
                continue; // the literal follows
            tokens.push_back({Token::Identifier, QString::fromLatin1(word), line});
            continue;
        }
        if (c == '"') {
            ++at;
            const int startLine = line;
            const QString text = QString::fromUtf8(readLiteral(s, at, line));
            // "a" "b" is one literal.
            if (!tokens.empty() && tokens.back().kind == Token::Literal)
                tokens.back().text += text;
            else
                tokens.push_back({Token::Literal, text, startLine});
            continue;
        }
        if (c == '\'') {
            ++at;
            while (at < s.size() && s[at] != '\'')
                at += s[at] == '\\' ? 2 : 1;
            ++at;
            tokens.push_back({Token::Other, QStringLiteral("'c'"), line});
            continue;
        }
        if (c >= '0' && c <= '9') {
            while (at < s.size() && (isIdentifierPart(s[at]) || s[at] == '.' || s[at] == '\''))
                ++at;
            tokens.push_back({Token::Other, QStringLiteral("0"), line});
            continue;
        }
        if (s.sliced(at).startsWith("::") || s.sliced(at).startsWith("->")) {
            tokens.push_back({Token::Punctuation, QString::fromLatin1(s.mid(at, 2)), line});
            at += 2;
            continue;
        }
        tokens.push_back({Token::Punctuation, QString(QLatin1Char(c)), line});
        ++at;
    }
    return tokens;
}

struct SourceFile {
    QString name;
    std::vector<Token> tokens;
    std::vector<qsizetype> partner; // the matching bracket of each bracket, else -1
    QMap<QString, QString> constants;
};

bool is(const Token& token, const char* text) {
    return token.kind != Token::Literal && token.text == QLatin1String(text);
}

std::vector<qsizetype> matchBrackets(const std::vector<Token>& tokens) {
    std::vector<qsizetype> partner(tokens.size(), -1);
    std::vector<qsizetype> open;
    for (qsizetype i = 0; i < static_cast<qsizetype>(tokens.size()); ++i) {
        const Token& t = tokens[static_cast<std::size_t>(i)];
        if (t.kind != Token::Punctuation)
            continue;
        if (t.text == QLatin1String("(") || t.text == QLatin1String("{") || t.text == QLatin1String("[")) {
            open.push_back(i);
        } else if ((t.text == QLatin1String(")") || t.text == QLatin1String("}") || t.text == QLatin1String("]")) &&
                   !open.empty()) {
            partner[static_cast<std::size_t>(i)] = open.back();
            partner[static_cast<std::size_t>(open.back())] = i;
            open.pop_back();
        }
    }
    return partner;
}

// kName = "text", kName[] = "text", kName = QStringLiteral("text"), kName(QStringLiteral("text")).
void findConstants(SourceFile& file) {
    static const QRegularExpression constantName(QStringLiteral("^k[A-Z]\\w*$"));
    const auto& t = file.tokens;
    for (std::size_t i = 0; i + 2 < t.size(); ++i) {
        if (t[i].kind != Token::Identifier || !constantName.match(t[i].text).hasMatch())
            continue;
        std::size_t j = i + 1;
        if (is(t[j], "[") && j + 1 < t.size() && is(t[j + 1], "]"))
            j += 2;
        if (j >= t.size() || !(is(t[j], "=") || is(t[j], "(") || is(t[j], "{")))
            continue;
        // Only a wrapper's name and brackets between the sign and the literal.
        for (std::size_t k = j + 1; k < t.size() && k < j + 8; ++k) {
            if (t[k].kind == Token::Literal) {
                file.constants.insert(t[i].text, t[k].text);
                break;
            }
            if (t[k].kind != Token::Identifier && !is(t[k], "::") && !is(t[k], "("))
                break;
        }
    }
}

// Types that carry a refusal: Refusal itself, structs with one as a member, aliases of one.
// A class whose methods merely pass refusals around carries none.
QSet<QString> refusalTypes(const std::vector<SourceFile>& files) {
    QSet<QString> types{QStringLiteral("Refusal")};
    for (int round = 0; round < 3; ++round) {
        for (const SourceFile& file : files) {
            const auto& t = file.tokens;
            for (std::size_t i = 0; i + 2 < t.size(); ++i) {
                if (!(is(t[i], "struct") || is(t[i], "using")) || t[i + 1].kind != Token::Identifier)
                    continue;
                std::size_t open = i + 2;
                while (open < t.size() && !is(t[open], "{") && !is(t[open], ";") && !is(t[open], "="))
                    ++open;
                if (open >= t.size())
                    continue;
                const bool alias = is(t[i], "using");
                if (alias != is(t[open], "="))
                    continue;
                const std::size_t close = alias ? std::find_if(t.begin() + static_cast<qsizetype>(open), t.end(),
                                                               [](const Token& token) { return is(token, ";"); }) -
                                                      t.begin()
                                                : static_cast<std::size_t>(std::max<qsizetype>(file.partner[open], 0));
                // A member: a statement of the body with the type and no parameter list.
                bool member = false;
                bool parameters = false;
                bool mentioned = false;
                for (std::size_t k = open + 1; k < close && !member; ++k) {
                    if (is(t[k], ";") || is(t[k], "{") || is(t[k], "}")) {
                        member = mentioned && !parameters;
                        mentioned = parameters = false;
                    } else if (is(t[k], "(")) {
                        parameters = true;
                    } else if (types.contains(t[k].text)) {
                        mentioned = true;
                    }
                }
                if (member || (alias && mentioned))
                    types.insert(t[i + 1].text);
            }
        }
    }
    return types;
}

bool isKeyword(const QString& word) {
    static const QSet<QString> keywords{
        QStringLiteral("if"),     QStringLiteral("for"),           QStringLiteral("while"),
        QStringLiteral("switch"), QStringLiteral("return"),        QStringLiteral("sizeof"),
        QStringLiteral("catch"),  QStringLiteral("static_assert"), QStringLiteral("decltype"),
        QStringLiteral("Q_EMIT"), QStringLiteral("alignof"),       QStringLiteral("noexcept")};
    return keywords.contains(word);
}

struct Functions {
    QSet<QString> passing;   // return or take something carrying a refusal
    QSet<QString> plain;     // declared at least once without one: an overload that takes text
    QSet<QString> returning; // return a plain Refusal: their `return {...}` is one
};

// Declarations: a type, a name and a parameter list, with nothing else since the statement began.
void findFunctions(const SourceFile& file, const QSet<QString>& types, Functions& functions,
                   std::vector<std::pair<qsizetype, qsizetype>>& returnBodies) {
    const auto& t = file.tokens;
    for (std::size_t i = 1; i + 1 < t.size(); ++i) {
        if (t[i].kind != Token::Identifier || !is(t[i + 1], "(") || isKeyword(t[i].text))
            continue;
        std::size_t start = i;
        bool declaration = true;
        while (start > 0) {
            const Token& before = t[start - 1];
            if (is(before, ";") || is(before, "{") || is(before, "}") || is(before, ":"))
                break;
            if (is(before, "=") || is(before, "(") || is(before, ")") || is(before, ".") || is(before, "->") ||
                is(before, ",") || is(before, "return") || before.kind == Token::Literal) {
                declaration = false;
                break;
            }
            --start;
        }
        if (!declaration || start == i)
            continue;
        bool returnsRefusal = false;
        for (std::size_t k = start; k < i; ++k)
            returnsRefusal = returnsRefusal || types.contains(t[k].text);
        const qsizetype close = file.partner[i + 1];
        bool takesRefusal = false;
        for (qsizetype k = static_cast<qsizetype>(i) + 2; k < close; ++k)
            takesRefusal = takesRefusal || types.contains(t[static_cast<std::size_t>(k)].text);
        if (returnsRefusal || takesRefusal)
            functions.passing.insert(t[i].text);
        else
            functions.plain.insert(t[i].text);
        std::size_t type = i - 1; // past the qualifiers of a member's definition
        while (type >= 2 && is(t[type], "::") && t[type - 1].kind == Token::Identifier && type - 1 > start)
            type -= 2;
        if (!is(t[type], "Refusal"))
            continue;
        functions.returning.insert(t[i].text);
        std::size_t body = static_cast<std::size_t>(close) + 1;
        while (body < t.size() && (is(t[body], "const") || is(t[body], "override") || is(t[body], "noexcept")))
            ++body;
        if (body < t.size() && is(t[body], "{"))
            returnBodies.emplace_back(static_cast<qsizetype>(body), file.partner[body]);
    }
}

// Groups { ..., false }: a piece shown as it stands.
std::vector<bool> untranslatedPieces(const SourceFile& file) {
    const auto& t = file.tokens;
    std::vector<bool> skip(t.size(), false);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!is(t[i], "{") || file.partner[i] < 2)
            continue;
        const auto close = static_cast<std::size_t>(file.partner[i]);
        if (is(t[close - 1], "false") && is(t[close - 2], ",")) {
            for (std::size_t k = i; k <= close; ++k)
                skip[k] = true;
        }
    }
    return skip;
}

} // namespace

QMap<QString, QString> textsForBoxes(const QList<std::pair<QString, QByteArray>>& sources) {
    std::vector<SourceFile> files;
    QMap<QString, QStringList> constantsEverywhere;
    for (const auto& [name, bytes] : sources) {
        SourceFile file{name, tokenize(bytes), {}, {}};
        file.partner = matchBrackets(file.tokens);
        findConstants(file);
        for (auto it = file.constants.cbegin(); it != file.constants.cend(); ++it)
            constantsEverywhere[it.key()] << it.value();
        files.push_back(std::move(file));
    }
    const QSet<QString> types = refusalTypes(files);
    Functions functions;
    std::vector<std::vector<std::pair<qsizetype, qsizetype>>> returnBodies(files.size());
    for (std::size_t f = 0; f < files.size(); ++f)
        findFunctions(files[f], types, functions, returnBodies[f]);
    QSet<QString> calls = functions.passing;
    for (const char* name : {"LocalizeText", "showLocalized", "confirmLocalized"})
        calls.insert(QString::fromLatin1(name));

    QMap<QString, QString> texts;
    for (std::size_t f = 0; f < files.size(); ++f) {
        const SourceFile& file = files[f];
        const auto& t = file.tokens;
        std::vector<std::pair<qsizetype, qsizetype>> spans;
        for (std::size_t i = 0; i + 1 < t.size(); ++i) {
            if (t[i].kind != Token::Identifier)
                continue;
            std::size_t open = i + 1;
            if (t[i].text == QLatin1String("Refusal") || t[i].text == QLatin1String("MessagePart")) {
                if (t[open].kind == Token::Identifier && open + 1 < t.size())
                    ++open; // a variable's name
                if (!is(t[open], "{") && !is(t[open], "("))
                    continue;
            } else if (!calls.contains(t[i].text) || !is(t[open], "(")) {
                continue;
            } else if (functions.passing.contains(t[i].text) && functions.plain.contains(t[i].text)) {
                // Overloaded with one that takes text as it stands: only a refusal built in the call counts.
                const qsizetype close = file.partner[open];
                bool built = false;
                for (qsizetype k = static_cast<qsizetype>(open) + 1; k < close && !built; ++k)
                    built = is(t[static_cast<std::size_t>(k)], "{");
                if (!built)
                    continue;
            }
            spans.emplace_back(static_cast<qsizetype>(open), file.partner[open]);
        }
        for (const auto& [from, to] : returnBodies[f]) {
            for (qsizetype i = from; i + 1 < to; ++i) {
                if (is(t[static_cast<std::size_t>(i)], "return") && is(t[static_cast<std::size_t>(i + 1)], "{"))
                    spans.emplace_back(i + 1, file.partner[static_cast<std::size_t>(i + 1)]);
            }
        }
        const std::vector<bool> skip = untranslatedPieces(file);
        const auto take = [&](const QString& text, int line) {
            if (!std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); }))
                return;
            if (!texts.contains(text))
                texts.insert(text, file.name + QLatin1Char(':') + QString::number(line));
        };
        for (const auto& [from, to] : spans) {
            for (qsizetype k = from; k < to; ++k) {
                const Token& token = t[static_cast<std::size_t>(k)];
                if (skip[static_cast<std::size_t>(k)])
                    continue;
                // A member's call inside (arguments.text("IP")) looks something up: no text.
                if (is(token, "(") && k >= 2 && t[static_cast<std::size_t>(k - 1)].kind == Token::Identifier &&
                    (is(t[static_cast<std::size_t>(k - 2)], ".") || is(t[static_cast<std::size_t>(k - 2)], "->")) &&
                    !calls.contains(t[static_cast<std::size_t>(k - 1)].text)) {
                    k = file.partner[static_cast<std::size_t>(k)];
                    continue;
                }
                if (token.kind == Token::Literal) {
                    take(token.text, token.line);
                } else if (token.kind == Token::Identifier) {
                    // A constant of this file, or the one of that name anywhere.
                    if (file.constants.contains(token.text))
                        take(file.constants.value(token.text), token.line);
                    else if (constantsEverywhere.value(token.text).size() == 1)
                        take(constantsEverywhere.value(token.text).first(), token.line);
                }
            }
        }
    }
    return texts;
}

QMap<QString, QString> textsForBoxesIn(const QStringList& folders) {
    QList<std::pair<QString, QByteArray>> sources;
    for (const QString& folder : folders) {
        QDirIterator it(folder, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                sources.append({file.fileName(), file.readAll()});
        }
    }
    return textsForBoxes(sources);
}

} // namespace TestSupport
