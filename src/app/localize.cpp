#include "app/localize.h"

#include <QFile>

namespace App {

namespace {

QString decodeLine(QByteArrayView line) {
    // A byte-order mark must survive decoding: a key behind it never matches.
    static constexpr char kBom[] = "\xEF\xBB\xBF";
    if (line.startsWith(QByteArrayView(kBom, 3)))
        return QChar(0xFEFF) + QString::fromUtf8(line.sliced(3));
    return QString::fromUtf8(line);
}

} // namespace

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

QString LocalizeText(const QString& text) {
    QFile file(QStringLiteral("language"));
    if (!file.open(QIODevice::ReadOnly))
        return text;
    return LocalizeFromBytes(file.readAll(), text);
}

} // namespace App
