#include "web/tcp_exchange.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <algorithm>

namespace Web {

namespace {

constexpr qint64 kPieceSize = qint64{64} * 1024;

QString where(const QString& host, quint16 port) {
    return host + QLatin1Char(':') + QString::number(port);
}

} // namespace

int stepTimeout(int stepMs, const QDeadlineTimer& deadline) {
    if (deadline.isForever())
        return std::max(stepMs, 0);
    const qint64 left = deadline.remainingTime();
    return static_cast<int>(std::clamp<qint64>(left, 0, std::max(stepMs, 0)));
}

Error exchange(const QString& host, quint16 port, const QByteArray& request, const Settings& settings,
               const QDeadlineTimer& whole, AnswerAssembler& answer) {
    QDeadlineTimer deadline(settings.exchangeTimeoutMs);
    if (!whole.isForever() && whole.deadlineNSecs() < deadline.deadlineNSecs())
        deadline = whole;

    QTcpSocket socket;
    // Device traffic never goes through a proxy, whatever the environment says.
    socket.setProxy(QNetworkProxy::NoProxy);
    socket.setReadBufferSize(kPieceSize);

    const int connectMs = stepTimeout(settings.connectTimeoutMs, deadline);
    if (connectMs <= 0)
        return {ErrorKind::Timeout, QStringLiteral("no time left to connect to %1").arg(where(host, port))};
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(connectMs)) {
        if (socket.error() == QAbstractSocket::SocketTimeoutError)
            return {ErrorKind::Timeout,
                    QStringLiteral("no connection to %1 within %2 ms").arg(where(host, port)).arg(connectMs)};
        return {ErrorKind::Connect, QStringLiteral("%1: %2").arg(where(host, port), socket.errorString())};
    }

    if (socket.write(request) != request.size())
        return {ErrorKind::Write, socket.errorString()};
    while (socket.bytesToWrite() > 0) {
        const int writeMs = stepTimeout(settings.readTimeoutMs, deadline);
        if (writeMs <= 0 || !socket.waitForBytesWritten(writeMs)) {
            if (writeMs <= 0 || socket.error() == QAbstractSocket::SocketTimeoutError)
                return {ErrorKind::Timeout, QStringLiteral("request to %1 not sent in time").arg(where(host, port))};
            return {ErrorKind::Write, socket.errorString()};
        }
    }

    while (true) {
        if (socket.bytesAvailable() == 0) {
            const int readMs = stepTimeout(settings.readTimeoutMs, deadline);
            if (readMs <= 0)
                return {ErrorKind::Timeout,
                        QStringLiteral("answer from %1 not complete in time").arg(where(host, port))};
            if (!socket.waitForReadyRead(readMs)) {
                if (socket.bytesAvailable() > 0)
                    continue;
                if (socket.error() == QAbstractSocket::SocketTimeoutError)
                    return {ErrorKind::Timeout,
                            QStringLiteral("%1 silent for %2 ms").arg(where(host, port)).arg(readMs)};
                if (socket.error() == QAbstractSocket::RemoteHostClosedError ||
                    socket.state() != QAbstractSocket::ConnectedState)
                    break;
                return {ErrorKind::Read, socket.errorString()};
            }
        }
        const qint64 room = settings.readCap - answer.receivedSize();
        const QByteArray piece = socket.read(std::min(kPieceSize, room + 1));
        if (piece.size() > room)
            return {ErrorKind::TooLarge,
                    QStringLiteral("answer from %1 exceeds %2 bytes").arg(where(host, port)).arg(settings.readCap)};
        switch (answer.append(piece)) {
        case AnswerAssembler::State::Complete:
            return {};
        case AnswerAssembler::State::Malformed:
            return {ErrorKind::Malformed, answer.problem()};
        case AnswerAssembler::State::NeedMore:
            break;
        }
        if (answer.expectedSize() > settings.readCap)
            return {
                ErrorKind::TooLarge,
                QStringLiteral("answer from %1 announces %2 bytes").arg(where(host, port)).arg(answer.expectedSize())};
    }

    if (answer.receivedSize() == 0)
        return {ErrorKind::Read, QStringLiteral("%1 closed without an answer").arg(where(host, port))};
    if (!answer.completeAtClose())
        return {ErrorKind::Read, QStringLiteral("%1 closed after %2 bytes of an unfinished answer")
                                     .arg(where(host, port))
                                     .arg(answer.receivedSize())};
    return {};
}

} // namespace Web
