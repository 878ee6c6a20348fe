#include "web/http_request.h"

namespace Web {

namespace {

const QLatin1String kScheme("http://");

bool breaksRequestLine(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

} // namespace

QByteArray BasicCredentials(const QString& userName, const QString& password) {
    return (userName + QLatin1Char(':') + password).toUtf8().toBase64();
}

QByteArray DeviceGetRequest(const QString& ip, const QString& userName, const QString& password, const QString& path) {
    QByteArray request;
    request += "GET " + path.toUtf8() + " HTTP/1.1\r\n";
    request += "Host:" + ip.toUtf8() + "\r\n";
    request += "Connection: Keep-Alive\r\n";
    request += "Authorization: Basic " + BasicCredentials(userName, password) + "\r\n";
    request += "\r\n";
    return request;
}

Result<HttpUrl> parseHttpUrl(const QString& url) {
    if (!url.startsWith(kScheme, Qt::CaseInsensitive))
        return Error{ErrorKind::Malformed, QStringLiteral("not an http:// URL: %1").arg(url)};
    if (breaksRequestLine(url))
        return Error{ErrorKind::Malformed, QStringLiteral("blank or control character in URL: %1").arg(url)};
    const QString rest = url.mid(kScheme.size());
    qsizetype hostEnd = rest.size();
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest[i];
        if (c == QLatin1Char('/') || c == QLatin1Char('?') || c == QLatin1Char(':')) {
            hostEnd = i;
            break;
        }
    }
    HttpUrl parsed;
    parsed.host = rest.left(hostEnd);
    if (parsed.host.isEmpty())
        return Error{ErrorKind::Malformed, QStringLiteral("no host in URL: %1").arg(url)};
    qsizetype pathStart = hostEnd;
    if (hostEnd < rest.size() && rest[hostEnd] == QLatin1Char(':')) {
        pathStart = rest.size();
        for (qsizetype i = hostEnd + 1; i < rest.size(); ++i) {
            if (rest[i] == QLatin1Char('/') || rest[i] == QLatin1Char('?')) {
                pathStart = i;
                break;
            }
        }
        bool ok = false;
        const uint port = rest.mid(hostEnd + 1, pathStart - hostEnd - 1).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return Error{ErrorKind::Malformed, QStringLiteral("bad port in URL: %1").arg(url)};
        parsed.port = static_cast<quint16>(port);
    }
    const QString path = rest.mid(pathStart);
    if (path.isEmpty())
        parsed.path = QStringLiteral("/");
    else if (path.startsWith(QLatin1Char('?')))
        parsed.path = QLatin1Char('/') + path;
    else
        parsed.path = path;
    return parsed;
}

QString urlOrigin(const QString& host, quint16 port) {
    QString origin = kScheme + host;
    if (port != 80)
        origin += QLatin1Char(':') + QString::number(port);
    return origin;
}

QByteArray HttpGetRequest(const HttpUrl& url, const HttpGetFields& fields) {
    QByteArray request;
    request += "GET " + url.path.toUtf8() + " HTTP/1.0\r\n";
    request += "Host: " + url.host.toUtf8() + "\r\n";
    request += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n";
    request += "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
    if (!fields.cookie.isEmpty())
        request += "Cookie: " + fields.cookie + "\r\n";
    if (!fields.referer.isEmpty())
        request += "Referer: " + fields.referer.toUtf8() + "\r\n";
    if (!fields.userName.isEmpty() && !fields.password.isEmpty())
        request += "Authorization: Basic " + BasicCredentials(fields.userName, fields.password) + "\r\n";
    request += "Content-type: application/x-www-form-urlencoded\r\n";
    request += "\r\n";
    return request;
}

QString resolveLocation(const HttpUrl& current, const QString& location) {
    // Absolute URLs are taken as they are; another scheme is refused when parsed.
    if (location.contains(QLatin1String("://")))
        return location;
    const QString origin = urlOrigin(current.host, current.port);
    if (location.startsWith(QLatin1Char('/')))
        return origin + location;
    return origin + QLatin1Char('/') + location;
}

RedirectStep judgeLocation(const HttpUrl& unit, const HttpUrl& current, const QString& location) {
    RedirectStep step;
    step.target = resolveLocation(current, location);
    const Result<HttpUrl> target = parseHttpUrl(step.target);
    step.offUnit = !target.ok() || unitKey(target.value()) != unitKey(unit);
    return step;
}

QString unitKey(const HttpUrl& url) {
    return url.host.toLower() + QLatin1Char(':') + QString::number(url.port);
}

std::optional<QByteArray> cookieToSendBack(QByteArrayView setCookie) {
    const qsizetype semicolon = setCookie.indexOf(';');
    const QByteArray pair = (semicolon < 0 ? setCookie : setCookie.first(semicolon)).trimmed().toByteArray();
    for (const char c : pair) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return std::nullopt;
    }
    return pair;
}

} // namespace Web
