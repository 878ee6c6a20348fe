// The language file: the table built once answers as the walk through the lines does.
#include "fuzz_check.h"

#include "base/localize.h"

namespace {

// Texts to look up: the keys of the file's own lines and some near them, and a few fixed ones.
QStringList lookups(const QByteArray& file) {
    QStringList texts = {QString(), QStringLiteral("Scan"), QStringLiteral("="), QStringLiteral("\r"),
                         QStringLiteral("Login")};
    const QList<QByteArray> lines = file.split('\n');
    for (qsizetype i = 0; i < std::min<qsizetype>(lines.size(), 64); ++i) {
        const QString line = QString::fromUtf8(lines[i]);
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? line : line.left(eq);
        texts << key << line << key.left(key.size() / 2) << key.mid(1);
    }
    return texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray file = Fuzz::bytesOf(data, size).toByteArray();
    const Base::LanguageTable table(file);
    for (const QString& text : lookups(file)) {
        const QString walked = Base::LocalizeFromBytes(file, text);
        FUZZ_REQUIRE(table.lookup(text) == walked, "the table answers as the walk through the lines");
        if (walked != text) {
            FUZZ_REQUIRE(!walked.contains(QLatin1Char('\n')), "a translation is one line");
            FUZZ_REQUIRE(walked.size() <= file.size(), "a translation comes from the file");
        }
    }
    return 0;
}
