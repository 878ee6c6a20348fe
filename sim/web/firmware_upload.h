#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace Sim {

// An image names its version with "ZUREDOR-FIRMWARE " followed by 1 to 30
// visible ASCII characters and a CR, LF or NUL, all within its first 64 KiB.
inline constexpr qsizetype kVersionWindowBytes = qsizetype{64} * 1024;
inline constexpr qsizetype kMaxVersionBytes = 30; // what the discovery answer's field holds
QString firmwareVersionIn(QByteArrayView imageStart);

// 25 hyphens and the 17 digits of a local time, yyyymmddhhmmsszzz.
bool isUploadBoundary(QByteArrayView boundary);

// The head of an upload, held against the one the program sends to the unit.
struct UploadHeader {
    QByteArray boundary;       // empty when the Content-Type line does not carry a proper one
    qint64 contentLength = -1; // -1 when missing or not plain decimal digits
    QString problem;           // the first way the head differs; empty when it does not
};

// `head` runs from the request line to the last header line, without the empty
// line. Whether the Authorization line is right is left to the caller.
UploadHeader readUploadHeader(QByteArrayView head, QByteArrayView unitAddress);

// A firmware upload's body, read as it arrives: the form fields, the file's
// head, its first 64 KiB and the closing lines are kept; the rest of the image
// is only counted. The image's size follows from Content-Length, so the bulk
// of it is never searched.
class FirmwareUpload final {
public:
    enum class State { Reading, Accepted, Refused, TooLarge };

    static constexpr qsizetype kMaxLineBytes = 4096; // a form line, the file's path included
    static constexpr int kFormLines = 16;            // from the first boundary line to the image
    // The most a body holds besides the image.
    static constexpr qint64 kMaxOverheadBytes = kFormLines * (kMaxLineBytes + 2) + 64;

    FirmwareUpload(QByteArray boundary, qint64 contentLength, qint64 maxImageBytes);

    // Takes the body's next bytes, no more than remaining(). Once refused, what
    // is left of the body is only counted.
    State feed(QByteArrayView bytes);
    void refuse(const QString& reason);

    State state() const { return m_state; }
    qint64 remaining() const { return m_contentLength - m_received; }
    const QString& reason() const { return m_reason; }
    const QByteArray& redirect() const { return m_redirect; }
    const QByteArray& failure() const { return m_failure; }
    const QByteArray& fileName() const { return m_fileName; }
    qint64 imageBytes() const { return m_imageBytes; } // -1 until the file's head is in
    const QString& version() const { return m_version; }

private:
    QByteArrayView takeForm(QByteArrayView bytes);
    void takeLine(QByteArrayView line);
    void expectLine(QByteArrayView line, QByteArrayView expected, const char* what);
    void startImage();
    void takeImage(QByteArrayView bytes);
    void finish();
    QByteArray closingLines() const;

    QByteArray m_boundary;
    qint64 m_contentLength;
    qint64 m_maxImageBytes;
    State m_state = State::Reading;
    QString m_reason;

    qint64 m_received = 0;
    int m_lineIndex = 0;
    QByteArray m_line; // the form line being read
    qint64 m_formBytes = 0;

    qint64 m_imageBytes = -1;
    qint64 m_imageReceived = 0;
    QByteArray m_window; // the image's first bytes, for the version
    QByteArray m_tail;   // what follows the image

    QByteArray m_redirect;
    QByteArray m_failure;
    QByteArray m_fileName;
    QString m_version;
};

} // namespace Sim
