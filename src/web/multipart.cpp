#include "web/multipart.h"

#include "web/http_answer.h"
#include "web/http_request.h"
#include "web/raw_stream.h"
#include "web/tcp_exchange.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>

namespace Web {

namespace {

const char* const kCrLf = "\r\n";
constexpr qint64 kPieceSize = qint64{1024} * 1024;

QByteArray dispositionLine(const QByteArray& name) {
    return "Content-Disposition: form-data; name=\"" + name + '"';
}

QString socketFailure(int number, const QString& description) {
    return QStringLiteral("Socket Error # ") + QString::number(number) + QStringLiteral("\r\n") + description;
}

PostResult failed(PostResult::Outcome outcome, const RawStream& stream) {
    PostResult result;
    result.outcome = outcome;
    result.failureText = socketFailure(stream.errorNumber(), stream.errorText());
    return result;
}

} // namespace

QByteArray formFileName(QByteArrayView name) {
    QByteArray out;
    out.reserve(name.size());
    for (const char c : name) {
        if (c == '"')
            out += "%22";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else
            out += c;
    }
    return out;
}

PostResult judgePostAnswer(const AnswerAssembler& answer) {
    PostResult result;
    result.status = answer.statusCode();
    for (const auto& [name, value] : answer.fields()) {
        if (name.compare("Location", Qt::CaseInsensitive) == 0) {
            result.location = value;
            ++result.locations;
        }
    }
    const QByteArray header = answer.headerText();
    const QByteArray statusLine = header.left(header.indexOf('\n')).trimmed();
    const qsizetype blank = statusLine.indexOf(' ');
    result.failureText = blank < 0 ? QString() : QString::fromLatin1(statusLine.mid(blank + 1));
    const bool success = result.status >= 200 && result.status < 300 && result.location.isEmpty();
    result.outcome = success ? PostResult::Outcome::Completed : PostResult::Outcome::Answered;
    return result;
}

THttpDataStream::THttpDataStream(const QDateTime& created)
    : m_boundary(QByteArray(25, '-') + created.toString(QStringLiteral("yyyyMMddHHmmsszzz")).toLatin1()) {}

THttpDataStream::~THttpDataStream() = default;

QByteArray THttpDataStream::ContentType() const {
    return "multipart/form-data; boundary=" + m_boundary;
}

void THttpDataStream::append(QByteArray bytes) {
    m_size += bytes.size();
    if (!m_pieces.empty() && !m_pieces.back().source)
        m_pieces.back().bytes += bytes;
    else
        m_pieces.push_back({std::move(bytes), nullptr, 0});
}

void THttpDataStream::AddFormField(const QByteArray& name, const QByteArray& value) {
    append(m_boundary + kCrLf + dispositionLine(name) + kCrLf + kCrLf + value + kCrLf);
}

Error THttpDataStream::AddFile(const QByteArray& name, const QString& path, const QByteArray& contentType) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return {ErrorKind::Read, QStringLiteral("%1: %2").arg(path, file->errorString())};
    AddStream(name, QFile::encodeName(path), contentType, std::move(file));
    return {};
}

void THttpDataStream::AddStream(const QByteArray& name, const QByteArray& fileName, const QByteArray& contentType,
                                std::unique_ptr<QIODevice> source) {
    append(m_boundary + kCrLf + dispositionLine(name) + "; filename=\"" + formFileName(fileName) + '"' + kCrLf +
           "Content-Type: " + contentType + kCrLf + kCrLf);
    source->seek(0);
    const qint64 sourceSize = std::max<qint64>(source->size(), 0);
    m_size += sourceSize;
    m_pieces.push_back({{}, std::move(source), sourceSize});
    append(QByteArray(kCrLf));
}

void THttpDataStream::FinishBody() {
    append(QByteArray("--") + kCrLf + m_boundary + kCrLf);
    m_readPiece = 0;
    m_readOffset = 0;
    for (Piece& piece : m_pieces) {
        if (piece.source)
            piece.source->seek(0);
    }
}

qint64 THttpDataStream::read(char* data, qint64 maxSize) {
    while (m_readPiece < m_pieces.size()) {
        Piece& piece = m_pieces[m_readPiece];
        const qint64 pieceSize = piece.source ? piece.sourceSize : piece.bytes.size();
        const qint64 wanted = std::min(maxSize, pieceSize - m_readOffset);
        if (wanted <= 0) {
            // A file that grew would be sent at its first size, and called whole.
            if (piece.source && piece.source->size() != piece.sourceSize)
                return -1;
            ++m_readPiece;
            m_readOffset = 0;
            continue;
        }
        qint64 got = wanted;
        if (piece.source) {
            got = piece.source->read(data, wanted);
            if (got <= 0)
                return -1;
        } else {
            std::copy_n(piece.bytes.constData() + m_readOffset, wanted, data);
        }
        m_readOffset += got;
        return got;
    }
    return 0;
}

QByteArray MultipartPostHead(const QString& host, const QString& path, const THttpDataStream& body,
                             const PostFields& fields) {
    QByteArray head = "POST " + path.toUtf8() + " HTTP/1.0\r\n";
    head += "Host: " + host.toUtf8() + "\r\n";
    head += "Accept: text/html, */*\r\n";
    if (!fields.referer.isEmpty())
        head += "Referer: " + fields.referer.toUtf8() + "\r\n";
    head += "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    head += "Content-Type: " + body.ContentType() + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (!fields.userName.isEmpty())
        head += "Authorization: Basic " + BasicCredentials(fields.userName, fields.password) + "\r\n";
    head += "\r\n";
    return head;
}

PostResult PostMultipart(const QString& url, THttpDataStream& body, const PostFields& fields, const Settings& settings,
                         const std::function<void(qint64, qint64)>& progress) {
    const Result<HttpUrl> parsed = parseHttpUrl(url);
    if (!parsed.ok()) {
        PostResult result;
        result.failureText = parsed.error().detail;
        return result;
    }
    const HttpUrl& target = parsed.value();

    RawStream stream;
    if (!stream.connectTo(target.host, target.port, settings.connectTimeoutMs))
        return failed(PostResult::Outcome::Failed, stream);

    const qint64 total = body.size();
    QByteArray pending = MultipartPostHead(target.host, target.path, body, fields);
    qint64 offset = 0;
    bool sendingBody = false;
    qint64 sent = 0;
    AnswerAssembler answer;
    QByteArray piece(kPieceSize, '\0');
    while (true) {
        if (offset == pending.size()) {
            pending.resize(kPieceSize);
            const qint64 read = body.read(pending.data(), kPieceSize);
            if (read < 0) {
                PostResult result;
                result.failureText = QStringLiteral("The image file changed its size while it was sent");
                return result;
            }
            if (read == 0)
                break;
            pending.truncate(read);
            offset = 0;
            sendingBody = true;
        }
        const qint64 n = stream.sendSome(pending.constData() + offset, pending.size() - offset, fields.stallTimeoutMs);
        if (n == RawStream::kTimedOut) {
            PostResult result;
            result.outcome = PostResult::Outcome::Stalled;
            result.failureText = QStringLiteral("The unit took nothing for %1 s").arg(fields.stallTimeoutMs / 1000.0);
            return result;
        }
        if (n == RawStream::kFailed) {
            // An answer that came before the unit closed still says what it made of the image.
            const qint64 got = stream.receiveWaiting(piece.data(), piece.size());
            if (got > 0 && answer.append(QByteArrayView(piece.constData(), got)) != AnswerAssembler::State::Malformed &&
                answer.headerComplete())
                return judgePostAnswer(answer); // wholeBody stays false: the unit stopped the body
            return failed(stream.resetByPeer() ? PostResult::Outcome::Aborted : PostResult::Outcome::Failed, stream);
        }
        offset += n;
        if (sendingBody) {
            sent += n;
            if (progress)
                progress(sent, total);
        }
        // A unit that answers before it has the whole body has made up its mind; an
        // interim answer ("100 Continue") only says to go on.
        const qint64 early = stream.receiveWaiting(piece.data(), piece.size());
        if (early > 0 && answer.append(QByteArrayView(piece.constData(), early)) != AnswerAssembler::State::NeedMore)
            break;
        if (answer.headerComplete())
            break;
    }
    const bool wholeBody = sent == total;
    if (progress)
        progress(sent, total);

    // Writing an image into flash takes the unit a while: the first byte of its
    // answer may come long after the body, then it is read as any answer.
    QDeadlineTimer work(std::max(settings.workTimeoutMs, settings.readTimeoutMs));
    while (wholeBody && !answer.headerComplete() && answer.state() == AnswerAssembler::State::NeedMore &&
           answer.receivedSize() == 0) {
        const int sliceMs = static_cast<int>(std::min<qint64>(1000, work.remainingTime()));
        const qint64 got = sliceMs > 0 ? stream.receiveSome(piece.data(), piece.size(), sliceMs) : RawStream::kTimedOut;
        if (got > 0) {
            answer.append(QByteArrayView(piece.constData(), got));
            break;
        }
        if (got == RawStream::kFailed)
            return failed(stream.resetByPeer() ? PostResult::Outcome::Aborted : PostResult::Outcome::Failed, stream);
        if (got != RawStream::kTimedOut)
            break;
        if (work.hasExpired()) {
            PostResult result;
            result.wholeBody = true;
            result.failureText = QStringLiteral("The unit did not answer in time");
            return result;
        }
        if (progress)
            progress(sent, total);
    }
    QDeadlineTimer deadline(settings.exchangeTimeoutMs);
    while (answer.state() == AnswerAssembler::State::NeedMore && answer.receivedSize() < settings.readCap) {
        const int readMs = stepTimeout(settings.readTimeoutMs, deadline);
        const qint64 got = readMs > 0 ? stream.receiveSome(piece.data(), piece.size(), readMs) : RawStream::kTimedOut;
        if (got > 0) {
            answer.append(QByteArrayView(piece.constData(), got));
            continue;
        }
        if (answer.headerComplete())
            break;
        PostResult result;
        if (got == RawStream::kFailed)
            return failed(stream.resetByPeer() ? PostResult::Outcome::Aborted : PostResult::Outcome::Failed, stream);
        result.failureText = got == 0 ? QStringLiteral("The unit closed the connection without an answer")
                                      : QStringLiteral("The unit did not answer in time");
        return result;
    }
    if (!answer.headerComplete()) {
        PostResult result;
        result.failureText = QStringLiteral("The unit's answer could not be read");
        return result;
    }
    PostResult result = judgePostAnswer(answer);
    result.wholeBody = wholeBody;
    return result;
}

} // namespace Web
