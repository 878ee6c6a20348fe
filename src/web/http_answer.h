#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>

namespace Web {

// Collects an HTTP answer piece by piece and says when it is whole: by its
// Content-Length, by its chunked coding, or (no length given, or no HTTP
// header at all) only when the peer closes. Undoes chunked coding and drops
// interim (1xx) answers before the real one.
class AnswerAssembler {
public:
    enum class State { NeedMore, Complete, Malformed };

    // A header or chunk-size line longer than this is not from a sane server.
    static constexpr qsizetype kMaxHeaderSize = qsizetype{64} * 1024;
    static constexpr qsizetype kMaxChunkLine = 1024;
    static constexpr int kMaxInterimAnswers = 16;

    State append(QByteArrayView piece);
    State state() const { return m_state; }

    // The peer closed: is what arrived a whole answer? False for nothing at all
    // and for an answer cut short of its own length or last chunk.
    bool completeAtClose() const;

    // Header plus declared body length once the header is read, else -1.
    qint64 expectedSize() const { return m_expectedSize < 0 ? -1 : m_expectedSize + m_discarded; }
    // Every byte taken in, interim answers included.
    qsizetype receivedSize() const { return m_raw.size() + m_discarded; }
    bool headerComplete() const { return m_headerSize >= 0; }

    // The header lines without the blank line that ends them, as received.
    QByteArray headerText() const;
    // The answer with chunked coding undone and anything after its end dropped.
    QByteArray decoded() const;
    // The same without the header.
    QByteArray body() const;
    // The header fields in order, names and values trimmed.
    const QList<QPair<QByteArray, QByteArray>>& fields() const { return m_fields; }
    // Second blank-separated word of the status line, or -1.
    int statusCode() const { return m_statusCode; }
    QString problem() const { return m_problem; }

private:
    enum class Framing { Unknown, UntilClose, Length, Chunked, NoBody };
    enum class ChunkPhase { SizeLine, Data, DataEnd, Trailer };

    void findHeaderEnd();
    void parseHeader();
    void skipInterimAnswer();
    void advanceChunks();
    void advanceLength();
    void fail(const QString& problem);

    QByteArray m_raw;
    State m_state = State::NeedMore;
    Framing m_framing = Framing::Unknown;
    qsizetype m_scanFrom = 0;
    qsizetype m_headerSize = -1;  // bytes up to and including the blank line
    qsizetype m_headerLines = -1; // bytes of the header lines alone
    qint64 m_expectedSize = -1;
    qsizetype m_end = -1;
    int m_statusCode = -1;
    QList<QPair<QByteArray, QByteArray>> m_fields;
    QString m_problem;
    qsizetype m_discarded = 0; // bytes of interim answers dropped from the front
    int m_interimAnswers = 0;

    ChunkPhase m_chunkPhase = ChunkPhase::SizeLine;
    qsizetype m_chunkPos = 0;
    qint64 m_chunkLeft = 0;
    QByteArray m_body;
};

} // namespace Web
