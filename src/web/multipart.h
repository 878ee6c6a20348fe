#pragma once

#include "web/web_error.h"
#include "web/web_settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

namespace Web {

class AnswerAssembler;

// A multipart/form-data body laid out the way the unit's firmware form takes
// it (see docs/protocol.md, "Firmware upload"): every part opens with the
// boundary line itself, and the body ends with a "--" line and the boundary.
// Names and values go in unchanged. A file part is read from its source while
// the body is sent, so an image is never held in memory.
class THttpDataStream {
public:
    // The boundary is 25 hyphens and the creation time as yyyymmddhhmmsszzz.
    explicit THttpDataStream(const QDateTime& created = QDateTime::currentDateTime());
    ~THttpDataStream();
    THttpDataStream(const THttpDataStream&) = delete;
    THttpDataStream& operator=(const THttpDataStream&) = delete;

    const QByteArray& Boundary() const { return m_boundary; }
    QByteArray ContentType() const;

    void AddFormField(const QByteArray& name, const QByteArray& value);
    // Opens the file at once, and names it by the path as given (a quote, CR and
    // LF escaped as a browser does, so the name cannot add lines to the body); a
    // file that cannot be opened fails here, before anything is appended.
    Error AddFile(const QByteArray& name, const QString& path, const QByteArray& contentType);
    // A part holding the whole of a random-access source, from its first byte.
    void AddStream(const QByteArray& name, const QByteArray& fileName, const QByteArray& contentType,
                   std::unique_ptr<QIODevice> source);
    void FinishBody();

    // The body's size in bytes, all parts and the closing lines.
    qint64 size() const { return m_size; }
    // The next bytes of the body: 0 at its end, -1 when a source no longer has
    // the size it had when added (the body would no longer match its length).
    qint64 read(char* data, qint64 maxSize);

private:
    struct Piece {
        QByteArray bytes;                  // text of the body
        std::unique_ptr<QIODevice> source; // or a file's content
        qint64 sourceSize = 0;
    };
    void append(QByteArray bytes);

    QByteArray m_boundary;
    std::vector<Piece> m_pieces;
    qint64 m_size = 0;
    std::size_t m_readPiece = 0;
    qint64 m_readOffset = 0;
};

// How a multipart post ended.
struct PostResult {
    enum class Outcome {
        Completed, // a 2xx answer without a Location
        Answered,  // any other answer, redirects included; `status` and `location` say which
        Aborted,   // the unit reset or aborted the connection before it answered
        Failed,    // no connection, a broken body source, or another socket failure
        Stalled,   // the unit stopped taking the body
    };
    Outcome outcome = Outcome::Failed;
    int status = 0;
    QByteArray location;
    int locations = 0;      // Location fields in the answer: more than one names no one place
    bool wholeBody = false; // every byte of the body went out before the answer
    // The status line without its first word, or "Socket Error # " + the
    // platform's number + CR LF + its description.
    QString failureText;
};

struct PostFields {
    QString userName;
    QString password;
    QString referer;
    // The post fails as stalled when the unit takes no byte for this long.
    int stallTimeoutMs = 30000;
};

// The part's file name as a browser writes it into a form: a quote, CR and LF
// percent-escaped, every other byte as it is.
QByteArray formFileName(QByteArrayView name);

// Sends the body to the URL in one HTTP/1.0 POST (see docs/protocol.md,
// "Firmware upload") and reads the answer. Interim answers do not stop the
// body. Once the body is out, the unit may work (write its flash) for up to
// settings.workTimeoutMs before it answers. Blocking; `progress` is called from
// the calling thread with the body bytes the socket has taken so far, and
// about once a second while the answer is awaited.
PostResult PostMultipart(const QString& url, THttpDataStream& body, const PostFields& fields,
                         const Settings& settings = {},
                         const std::function<void(qint64 sent, qint64 total)>& progress = {});

// What the unit's answer to a post says, judged by its status: only a 2xx
// without a Location completes the post. For an answer whose header is whole.
PostResult judgePostAnswer(const AnswerAssembler& answer);

// The request head of that post, each line ending CR LF, the empty line included.
QByteArray MultipartPostHead(const QString& host, const QString& path, const THttpDataStream& body,
                             const PostFields& fields);

} // namespace Web
