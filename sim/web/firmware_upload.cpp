#include "sim/web/firmware_upload.h"

#include <QDate>
#include <QList>
#include <QTime>

namespace Sim {

namespace {

constexpr QByteArrayView kVersionMarker = "ZUREDOR-FIRMWARE ";
constexpr qsizetype kBoundaryHyphens = 25;
constexpr qsizetype kBoundaryDigits = 17;
constexpr QByteArrayView kBoundaryPrefix = "multipart/form-data; boundary=";
constexpr QByteArrayView kFileLinePrefix = "Content-Disposition: form-data; name=\"filename\"; filename=\"";

bool isDigits(QByteArrayView text) {
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return !text.isEmpty();
}

// A piece of what arrived, short and printable, for the log.
QString shown(QByteArrayView bytes) {
    constexpr qsizetype kShown = 60;
    QString out = QStringLiteral("\"");
    for (char c : bytes.first(qMin(bytes.size(), kShown))) {
        const auto u = static_cast<unsigned char>(c);
        out += u >= 0x20 && u < 0x7f ? QString(QLatin1Char(c))
                                     : QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
    }
    return out + (bytes.size() > kShown ? QStringLiteral("...\"") : QStringLiteral("\""));
}

} // namespace

QString firmwareVersionIn(QByteArrayView imageStart) {
    const QByteArrayView window = imageStart.first(qMin(imageStart.size(), kVersionWindowBytes));
    const qsizetype marker = window.indexOf(kVersionMarker);
    if (marker < 0)
        return {};
    const qsizetype start = marker + kVersionMarker.size();
    for (qsizetype i = start; i < window.size() && i - start <= kMaxVersionBytes; ++i) {
        const char c = window[i];
        if (c == '\r' || c == '\n' || c == '\0')
            return i > start ? QString::fromLatin1(window.sliced(start, i - start)) : QString();
        if (c <= ' ' || c > '~')
            return {};
    }
    // Too long, or cut off by the end of the window.
    return {};
}

bool isUploadBoundary(QByteArrayView boundary) {
    if (boundary.size() != kBoundaryHyphens + kBoundaryDigits)
        return false;
    for (char c : boundary.first(kBoundaryHyphens)) {
        if (c != '-')
            return false;
    }
    const QByteArrayView digits = boundary.sliced(kBoundaryHyphens);
    if (!isDigits(digits))
        return false;
    const QString text = QString::fromLatin1(digits);
    return QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd")).isValid() &&
           QTime::fromString(text.mid(8), QStringLiteral("HHmmsszzz")).isValid();
}

UploadHeader readUploadHeader(QByteArrayView head, QByteArrayView unitAddress) {
    UploadHeader header;
    QList<QByteArrayView> lines;
    for (qsizetype from = 0;;) {
        const qsizetype end = head.indexOf("\r\n", from);
        lines.append(head.sliced(from, (end < 0 ? head.size() : end) - from));
        if (end < 0)
            break;
        from = end + 2;
    }
    // Read on their own, so that a head refused for its layout can still be drained.
    for (QByteArrayView line : lines) {
        if (line.startsWith("Content-Type: ") && line.sliced(14).startsWith(kBoundaryPrefix) &&
            isUploadBoundary(line.sliced(14 + kBoundaryPrefix.size())))
            header.boundary = line.sliced(14 + kBoundaryPrefix.size()).toByteArray();
        if (line.size() > 15 && line.first(15).compare("Content-Length:", Qt::CaseInsensitive) == 0) {
            const QByteArrayView digits = line.sliced(15).trimmed();
            if (isDigits(digits) && digits.size() <= 18)
                header.contentLength = digits.toLongLong();
        }
    }

    const QByteArray address = unitAddress.toByteArray();
    struct Expected {
        const char* name;
        QByteArray line; // empty: no line is right
    };
    const Expected expected[] = {
        {"the request line", "POST /man.cgi HTTP/1.0"},
        {"the Host line", "Host: " + address},
        {"the Accept line", "Accept: text/html, */*"},
        {"the Referer line", "Referer: http://" + address + "/maintain.htm"},
        {"the User-Agent line", "User-Agent: Mozilla/3.0 (compatible; Indy Library)"},
        {"the Content-Type line",
         header.boundary.isEmpty() ? QByteArray() : "Content-Type: " + kBoundaryPrefix.toByteArray() + header.boundary},
        {"the Content-Length line",
         header.contentLength < 0 ? QByteArray() : "Content-Length: " + QByteArray::number(header.contentLength)},
    };
    constexpr qsizetype kExpected = std::size(expected);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArrayView line = lines[i];
        if (line.contains('\r') || line.contains('\n')) {
            header.problem = QStringLiteral("header line %1 has a CR or LF of its own").arg(i + 1);
            return header;
        }
        // Authorization comes last, and only when there is a user name to send.
        if (i >= kExpected) {
            if (i > kExpected || !line.startsWith("Authorization: Basic ")) {
                header.problem = QStringLiteral("header line %1 should not be there: %2").arg(i + 1).arg(shown(line));
                return header;
            }
            continue;
        }
        if (expected[i].line.isEmpty() || line != expected[i].line) {
            header.problem = QStringLiteral("header line %1 should be %2, is %3")
                                 .arg(i + 1)
                                 .arg(QLatin1String(expected[i].name))
                                 .arg(shown(line));
            return header;
        }
    }
    if (lines.size() < kExpected)
        header.problem = QStringLiteral("the head ends before %1").arg(QLatin1String(expected[lines.size()].name));
    return header;
}

FirmwareUpload::FirmwareUpload(QByteArray boundary, qint64 contentLength, qint64 maxImageBytes)
    : m_boundary(std::move(boundary)), m_contentLength(contentLength), m_maxImageBytes(maxImageBytes) {}

FirmwareUpload::State FirmwareUpload::feed(QByteArrayView bytes) {
    Q_ASSERT(bytes.size() <= remaining());
    m_received += bytes.size();
    if (m_state == State::Reading && m_lineIndex < kFormLines)
        bytes = takeForm(bytes);
    if (m_state == State::Reading && m_lineIndex == kFormLines)
        takeImage(bytes);
    if (m_state == State::Reading && remaining() == 0)
        finish();
    return m_state;
}

void FirmwareUpload::refuse(const QString& reason) {
    if (m_state != State::Reading)
        return;
    m_state = State::Refused;
    m_reason = reason;
    m_line.clear();
    m_window.clear();
}

// Whole CR LF lines up to the image; returns what follows them.
QByteArrayView FirmwareUpload::takeForm(QByteArrayView bytes) {
    while (!bytes.isEmpty() && m_state == State::Reading && m_lineIndex < kFormLines) {
        const qsizetype newline = bytes.indexOf('\n');
        const qsizetype take = newline < 0 ? bytes.size() : newline + 1;
        if (m_line.size() + take > kMaxLineBytes + 2) {
            refuse(QStringLiteral("body line %1 is longer than %2 bytes").arg(m_lineIndex + 1).arg(kMaxLineBytes));
            return {};
        }
        m_line.append(bytes.first(take));
        m_formBytes += take;
        bytes = bytes.sliced(take);
        if (newline < 0)
            break;
        const QByteArrayView line = QByteArrayView(m_line).chopped(m_line.endsWith("\r\n") ? 2 : 1);
        if (!m_line.endsWith("\r\n") || line.contains('\r')) {
            refuse(QStringLiteral("body line %1 does not end in CR LF: %2").arg(m_lineIndex + 1).arg(shown(line)));
            return {};
        }
        takeLine(line);
        m_line.clear();
        ++m_lineIndex;
        if (m_state == State::Reading && m_lineIndex == kFormLines)
            startImage();
    }
    return bytes;
}

// Four parts of four lines: the boundary, the part's head, an empty line and
// the value; the file part has its Content-Type where a field has its empty line.
void FirmwareUpload::takeLine(QByteArrayView line) {
    static constexpr const char* kFields[] = {"redirect", "failure", "type"};
    static constexpr const char* kFieldHeads[] = {"the redirect field's head", "the failure field's head",
                                                  "the type field's head"};
    const int part = m_lineIndex / 4;
    const int row = m_lineIndex % 4;
    if (row == 0) {
        expectLine(line, m_boundary, "the boundary");
        return;
    }
    if (part < 3) {
        const QByteArray name = kFields[part];
        if (row == 1) {
            expectLine(line, "Content-Disposition: form-data; name=\"" + name + '"', kFieldHeads[part]);
        } else if (row == 2) {
            expectLine(line, "", "empty");
        } else if (part == 2) {
            expectLine(line, "file_upload", "file_upload");
        } else if (line.isEmpty()) {
            refuse(QStringLiteral("the %1 field is empty").arg(QLatin1String(kFields[part])));
        } else {
            (part == 0 ? m_redirect : m_failure) = line.toByteArray();
        }
        return;
    }
    if (row == 1) {
        if (!line.startsWith(kFileLinePrefix) || !line.endsWith('"') || line.size() <= kFileLinePrefix.size() + 1) {
            refuse(QStringLiteral("body line %1 should name the file, is %2").arg(m_lineIndex + 1).arg(shown(line)));
            return;
        }
        m_fileName = line.sliced(kFileLinePrefix.size()).chopped(1).toByteArray();
    } else if (row == 2) {
        expectLine(line, "Content-Type: application/octet-stream", "the file's Content-Type");
    } else {
        expectLine(line, "", "empty");
    }
}

void FirmwareUpload::expectLine(QByteArrayView line, QByteArrayView expected, const char* what) {
    if (line != expected) {
        refuse(QStringLiteral("body line %1 should be %2, is %3")
                   .arg(m_lineIndex + 1)
                   .arg(QLatin1String(what))
                   .arg(shown(line)));
    }
}

QByteArray FirmwareUpload::closingLines() const {
    return "\r\n--\r\n" + m_boundary + "\r\n";
}

void FirmwareUpload::startImage() {
    m_imageBytes = m_contentLength - m_formBytes - closingLines().size();
    if (m_imageBytes < 0) {
        refuse(QStringLiteral("Content-Length %1 leaves no room for the closing lines").arg(m_contentLength));
    } else if (m_imageBytes == 0) {
        refuse(QStringLiteral("the image is empty"));
    } else if (m_imageBytes > m_maxImageBytes) {
        m_state = State::TooLarge;
        m_reason =
            QStringLiteral("an image of %1 bytes is over the limit of %2").arg(m_imageBytes).arg(m_maxImageBytes);
    }
}

void FirmwareUpload::takeImage(QByteArrayView bytes) {
    const qsizetype inImage = qsizetype(qMin<qint64>(bytes.size(), m_imageBytes - m_imageReceived));
    if (m_window.size() < kVersionWindowBytes)
        m_window.append(bytes.first(qMin(inImage, kVersionWindowBytes - m_window.size())));
    m_imageReceived += inImage;
    // Content-Length leaves exactly the closing lines' size after the image.
    m_tail.append(bytes.sliced(inImage));
}

void FirmwareUpload::finish() {
    if (m_lineIndex < kFormLines) {
        refuse(QStringLiteral("the body ends in line %1, before the image").arg(m_lineIndex + 1));
        return;
    }
    if (m_tail != closingLines()) {
        refuse(QStringLiteral("the image is not followed by the \"--\" and boundary lines; the body ends %1")
                   .arg(shown(m_tail)));
        return;
    }
    m_version = firmwareVersionIn(m_window);
    m_window.clear();
    m_state = State::Accepted;
}

} // namespace Sim
