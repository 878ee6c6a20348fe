#include "web/http_answer.h"

namespace Web {

namespace {

// A header or chunk-size line longer than this is not from a sane server.
constexpr qsizetype kMaxHeaderSize = qsizetype{64} * 1024;
constexpr qsizetype kMaxChunkLine = 1024;
constexpr int kMaxInterimAnswers = 16;

const QByteArrayView kHttpPrefix("http/");

bool startsLikeHttp(QByteArrayView raw) {
    const qsizetype n = std::min(raw.size(), kHttpPrefix.size());
    return raw.first(n).compare(kHttpPrefix.first(n), Qt::CaseInsensitive) == 0;
}

// A line's length without its CR LF or bare LF.
qsizetype lineLength(QByteArrayView raw, qsizetype start, qsizetype lf) {
    qsizetype end = lf;
    if (end > start && raw[end - 1] == '\r')
        --end;
    return end - start;
}

std::optional<qint64> parseHexSize(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 15)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

std::optional<qint64> parseDecimal(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

AnswerAssembler::State AnswerAssembler::append(QByteArrayView piece) {
    if (m_state != State::NeedMore)
        return m_state;
    m_raw.append(piece);
    if (m_framing == Framing::Unknown)
        findHeaderEnd();
    if (m_framing == Framing::Chunked)
        advanceChunks();
    else if (m_framing == Framing::Length || m_framing == Framing::NoBody)
        advanceLength();
    return m_state;
}

void AnswerAssembler::findHeaderEnd() {
    if (!startsLikeHttp(m_raw)) {
        // No status line: an old-style answer that only the close can end.
        m_framing = Framing::UntilClose;
        return;
    }
    qsizetype lineStart = m_scanFrom;
    while (true) {
        const qsizetype lf = m_raw.indexOf('\n', lineStart);
        if (lf < 0)
            break;
        if (lineStart > 0 && lineLength(m_raw, lineStart, lf) == 0) {
            m_headerLines = lineStart;
            m_headerSize = lf + 1;
            parseHeader();
            if (m_state == State::NeedMore && m_statusCode >= 100 && m_statusCode < 200)
                skipInterimAnswer();
            return;
        }
        lineStart = lf + 1;
    }
    m_scanFrom = lineStart;
    if (m_raw.size() > kMaxHeaderSize)
        fail(QStringLiteral("header longer than %1 bytes").arg(kMaxHeaderSize));
}

// A 1xx answer ("100 Continue") only announces the real one, which follows it.
void AnswerAssembler::skipInterimAnswer() {
    if (++m_interimAnswers > kMaxInterimAnswers) {
        fail(QStringLiteral("more than %1 interim answers").arg(kMaxInterimAnswers));
        return;
    }
    m_discarded += m_headerSize;
    m_raw.remove(0, m_headerSize);
    m_framing = Framing::Unknown;
    m_scanFrom = 0;
    m_headerSize = -1;
    m_headerLines = -1;
    m_expectedSize = -1;
    m_statusCode = -1;
    m_fields.clear();
    findHeaderEnd();
}

void AnswerAssembler::parseHeader() {
    const QByteArrayView header = QByteArrayView(m_raw).first(m_headerLines);
    qsizetype start = 0;
    bool first = true;
    std::optional<qint64> contentLength;
    bool chunked = false;
    while (start < header.size()) {
        qsizetype lf = header.indexOf('\n', start);
        if (lf < 0)
            lf = header.size();
        const QByteArrayView line = header.sliced(start, lineLength(header, start, lf));
        start = lf + 1;
        if (first) {
            first = false;
            const QList<QByteArray> words = line.toByteArray().simplified().split(' ');
            bool ok = false;
            const int code = words.size() >= 2 ? words[1].toInt(&ok) : 0;
            m_statusCode = ok ? code : -1;
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.first(colon).trimmed().toByteArray();
        const QByteArray value = line.sliced(colon + 1).trimmed().toByteArray();
        m_fields.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            const auto length = parseDecimal(value);
            if (!length || (contentLength && *contentLength != *length)) {
                fail(QStringLiteral("bad Content-Length: %1").arg(QString::fromLatin1(value)));
                return;
            }
            contentLength = length;
        } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
            const QList<QByteArray> codings = value.split(',');
            chunked = codings.last().trimmed().compare("chunked", Qt::CaseInsensitive) == 0;
        }
    }
    if (m_statusCode == 204 || m_statusCode == 304) {
        m_framing = Framing::NoBody;
        m_expectedSize = m_headerSize;
    } else if (chunked) {
        m_framing = Framing::Chunked;
        m_chunkPos = m_headerSize;
    } else if (contentLength) {
        m_framing = Framing::Length;
        m_expectedSize = m_headerSize + *contentLength;
    } else {
        m_framing = Framing::UntilClose;
    }
}

void AnswerAssembler::advanceLength() {
    if (m_raw.size() >= m_expectedSize) {
        m_end = m_expectedSize;
        m_state = State::Complete;
    }
}

void AnswerAssembler::advanceChunks() {
    while (m_state == State::NeedMore) {
        switch (m_chunkPhase) {
        case ChunkPhase::SizeLine:
        case ChunkPhase::Trailer: {
            const qsizetype lf = m_raw.indexOf('\n', m_chunkPos);
            if (lf < 0) {
                if (m_raw.size() - m_chunkPos > kMaxChunkLine)
                    fail(QStringLiteral("chunk line longer than %1 bytes").arg(kMaxChunkLine));
                return;
            }
            QByteArrayView line = QByteArrayView(m_raw).sliced(m_chunkPos, lineLength(m_raw, m_chunkPos, lf));
            m_chunkPos = lf + 1;
            if (m_chunkPhase == ChunkPhase::Trailer) {
                if (line.isEmpty()) {
                    m_end = m_chunkPos;
                    m_state = State::Complete;
                }
                break;
            }
            const qsizetype semicolon = line.indexOf(';');
            if (semicolon >= 0)
                line = line.first(semicolon);
            const auto size = parseHexSize(line.trimmed());
            if (!size) {
                fail(QStringLiteral("bad chunk size: %1").arg(QString::fromLatin1(line.toByteArray())));
                return;
            }
            m_chunkLeft = *size;
            m_chunkPhase = m_chunkLeft == 0 ? ChunkPhase::Trailer : ChunkPhase::Data;
            break;
        }
        case ChunkPhase::Data: {
            const qint64 take = std::min<qint64>(m_chunkLeft, m_raw.size() - m_chunkPos);
            m_body.append(QByteArrayView(m_raw).sliced(m_chunkPos, take));
            m_chunkPos += take;
            m_chunkLeft -= take;
            if (m_chunkLeft > 0)
                return;
            m_chunkPhase = ChunkPhase::DataEnd;
            break;
        }
        case ChunkPhase::DataEnd: {
            const qsizetype left = m_raw.size() - m_chunkPos;
            if (left < 1)
                return;
            if (m_raw[m_chunkPos] == '\n') {
                m_chunkPos += 1;
            } else if (m_raw[m_chunkPos] == '\r') {
                if (left < 2)
                    return;
                if (m_raw[m_chunkPos + 1] != '\n') {
                    fail(QStringLiteral("chunk not followed by a line end"));
                    return;
                }
                m_chunkPos += 2;
            } else {
                fail(QStringLiteral("chunk longer than its size"));
                return;
            }
            m_chunkPhase = ChunkPhase::SizeLine;
            break;
        }
        }
    }
}

void AnswerAssembler::fail(const QString& problem) {
    m_problem = problem;
    m_state = State::Malformed;
}

bool AnswerAssembler::completeAtClose() const {
    if (m_state == State::Complete)
        return true;
    if (m_state == State::Malformed || m_raw.isEmpty())
        return false;
    // An unfinished header says nothing about the length either.
    return m_framing == Framing::UntilClose || m_framing == Framing::Unknown;
}

QByteArray AnswerAssembler::headerText() const {
    if (m_headerLines < 0)
        return {};
    QByteArray text = m_raw.first(m_headerLines);
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    return text;
}

QByteArray AnswerAssembler::decoded() const {
    if (m_framing == Framing::Chunked)
        return m_raw.first(m_headerSize) + m_body;
    if (m_end >= 0)
        return m_raw.first(m_end);
    return m_raw;
}

QByteArray AnswerAssembler::body() const {
    const QByteArray whole = decoded();
    return m_headerSize >= 0 ? whole.sliced(m_headerSize) : whole;
}

} // namespace Web
