#pragma once

#include <QString>
#include <QtGlobal>

namespace Web {

// A blocking TCP connection to a dotted IPv4 address, on the system's own
// socket calls so a failure keeps the number the system gave it: a reset by
// the peer is told apart from an orderly close. Never looks a name up.
class RawStream {
public:
    RawStream() = default;
    ~RawStream();
    RawStream(const RawStream&) = delete;
    RawStream& operator=(const RawStream&) = delete;

    // What a send or receive came to besides a byte count.
    static constexpr qint64 kFailed = -1;
    static constexpr qint64 kTimedOut = -2;

    bool connectTo(const QString& ipv4, quint16 port, int timeoutMs);
    // Some of the bytes, once the socket takes any within the time; kFailed or kTimedOut otherwise.
    qint64 sendSome(const char* data, qint64 size, int timeoutMs);
    // Some bytes, 0 for an orderly close, kFailed or kTimedOut.
    qint64 receiveSome(char* data, qint64 size, int timeoutMs);
    // Bytes that are there already, without waiting; 0 when none (or closed).
    qint64 receiveWaiting(char* data, qint64 size);

    // The system's number and words for the last failure.
    int errorNumber() const { return m_error; }
    QString errorText() const;
    // The last failure was the peer resetting or aborting the connection.
    bool resetByPeer() const;

private:
    bool wait(bool forWriting, int timeoutMs);
    void keepError();

    qintptr m_socket = -1;
    int m_error = 0;
};

} // namespace Web
