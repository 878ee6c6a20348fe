#include "web/raw_stream.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace Web {

namespace {

#ifdef Q_OS_WIN
using Handle = SOCKET;
int lastSystemError() {
    return WSAGetLastError();
}
void closeHandle(qintptr s) {
    closesocket(static_cast<Handle>(s));
}
int pollOne(qintptr s, bool forWriting, int timeoutMs) {
    WSAPOLLFD entry{static_cast<Handle>(s), static_cast<SHORT>(forWriting ? POLLWRNORM : POLLRDNORM), 0};
    return WSAPoll(&entry, 1, timeoutMs);
}
constexpr int kInProgress = WSAEWOULDBLOCK;
constexpr int kSendFlags = 0;
#else
int lastSystemError() {
    return errno;
}
void closeHandle(qintptr s) {
    ::close(static_cast<int>(s));
}
int pollOne(qintptr s, bool forWriting, int timeoutMs) {
    pollfd entry{static_cast<int>(s), static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready;
}
constexpr int kInProgress = EINPROGRESS;
// A peer that resets the connection must not end the process with SIGPIPE.
constexpr int kSendFlags = MSG_NOSIGNAL;
// strerror_r comes in two kinds: GNU's returns the text, POSIX's fills the buffer.
[[maybe_unused]] const char* strerrorText(const char* text, const char*) {
    return text;
}
[[maybe_unused]] const char* strerrorText(int, const char* buffer) {
    return buffer;
}
#endif

} // namespace

RawStream::~RawStream() {
    if (m_socket >= 0)
        closeHandle(m_socket);
}

void RawStream::keepError() {
    m_error = lastSystemError();
}

QString RawStream::errorText() const {
#ifdef Q_OS_WIN
    return QStringLiteral("Windows socket error %1").arg(m_error);
#else
    // Streams run on worker threads, and strerror's text may sit in a buffer that is shared between them.
    std::array<char, 256> buffer{};
    return QString::fromLocal8Bit(strerrorText(::strerror_r(m_error, buffer.data(), buffer.size()), buffer.data()));
#endif
}

bool RawStream::resetByPeer() const {
#ifdef Q_OS_WIN
    return m_error == WSAECONNRESET || m_error == WSAECONNABORTED;
#else
    return m_error == ECONNRESET || m_error == EPIPE || m_error == ECONNABORTED;
#endif
}

bool RawStream::wait(bool forWriting, int timeoutMs) {
    const int ready = pollOne(m_socket, forWriting, timeoutMs);
    if (ready < 0)
        keepError();
    return ready > 0;
}

bool RawStream::connectTo(const QString& ipv4, quint16 port, int timeoutMs) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, ipv4.toLatin1().constData(), &address.sin_addr) != 1) {
#ifdef Q_OS_WIN
        m_error = WSAEADDRNOTAVAIL;
#else
        m_error = EADDRNOTAVAIL;
#endif
        return false;
    }
    const auto s = ::socket(AF_INET, SOCK_STREAM, 0);
#ifdef Q_OS_WIN
    if (s == INVALID_SOCKET) {
#else
    if (s < 0) {
#endif
        keepError();
        return false;
    }
    m_socket = static_cast<qintptr>(s);
    // Connect without blocking, so the time-out holds.
#ifdef Q_OS_WIN
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
#else
    ::fcntl(static_cast<int>(s), F_SETFL, ::fcntl(static_cast<int>(s), F_GETFL) | O_NONBLOCK);
#endif
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    if (lastSystemError() != kInProgress) {
        keepError();
        return false;
    }
    if (!wait(true, timeoutMs)) {
        if (m_error == 0) {
#ifdef Q_OS_WIN
            m_error = WSAETIMEDOUT;
#else
            m_error = ETIMEDOUT;
#endif
        }
        return false;
    }
    int failure = 0;
#ifdef Q_OS_WIN
    int length = sizeof failure;
    ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &length);
#else
    socklen_t length = sizeof failure;
    ::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, &failure, &length);
#endif
    m_error = failure;
    return failure == 0;
}

qint64 RawStream::sendSome(const char* data, qint64 size, int timeoutMs) {
    if (!wait(true, timeoutMs))
        return m_error != 0 ? kFailed : kTimedOut;
    const auto sent = ::send(m_socket, data, static_cast<int>(std::min<qint64>(size, 1 << 30)), kSendFlags);
    if (sent < 0) {
        if (lastSystemError() == kInProgress || lastSystemError() == EAGAIN)
            return 0;
        keepError();
        return kFailed;
    }
    return sent;
}

qint64 RawStream::receiveSome(char* data, qint64 size, int timeoutMs) {
    if (!wait(false, timeoutMs))
        return m_error != 0 ? kFailed : kTimedOut;
    const auto got = ::recv(m_socket, data, static_cast<int>(std::min<qint64>(size, 1 << 30)), 0);
    if (got < 0) {
        keepError();
        return kFailed;
    }
    return got;
}

qint64 RawStream::receiveWaiting(char* data, qint64 size) {
    if (!wait(false, 0))
        return 0;
    const auto got = ::recv(m_socket, data, static_cast<int>(std::min<qint64>(size, 1 << 30)), 0);
    if (got < 0)
        keepError();
    return std::max<qint64>(got, 0);
}

} // namespace Web
