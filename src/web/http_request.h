#pragma once

#include "web/web_error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace Web {

// Base64 (standard alphabet, "=" padding, one line) of userName ":" password in UTF-8.
QByteArray BasicCredentials(const QString& userName, const QString& password);

// The exact bytes DeviceGet sends, empty credentials included.
// See docs/protocol.md, "DeviceGet request".
QByteArray DeviceGetRequest(const QString& ip, const QString& userName, const QString& password, const QString& path);

// An "http://" URL cut into what the request needs. Port 80 and path "/" when absent.
struct HttpUrl {
    QString host;
    quint16 port = 80;
    QString path = QStringLiteral("/");
};

// Refuses other schemes, an empty host, a bad port, and blanks or control
// characters that would break the request line.
Result<HttpUrl> parseHttpUrl(const QString& url);

// "http://" + host, with ":" + port only when the port is not 80.
QString urlOrigin(const QString& host, quint16 port);

// What the HTTP/1.0 client puts into a request besides the URL.
struct HttpGetFields {
    QString userName;
    QString password;
    QString referer;
    QByteArray cookie;
};

// The exact bytes of the HTTP/1.0 client's GET. See docs/protocol.md, "HTTP/1.0 request".
QByteArray HttpGetRequest(const HttpUrl& url, const HttpGetFields& fields);

// The URL a redirect leads to. A Location without "/" is a page name on the same unit.
QString resolveLocation(const HttpUrl& current, const QString& location);

// Where a redirect from `current` leads, judged for the unit first asked: a
// target on another host or port is not followed, since the password, the
// cookie and the Referer go to the unit alone. A target that does not parse
// names no place on the unit either, so it is not followed and cannot confirm a change.
struct RedirectStep {
    QString target;
    bool offUnit = false;
};
RedirectStep judgeLocation(const HttpUrl& unit, const HttpUrl& current, const QString& location);

// "host:port" of a URL, the host in lower case: cookies and credentials are kept per unit.
QString unitKey(const HttpUrl& url);

// The name=value pair of a Set-Cookie value, which alone goes back; nothing
// for one with control bytes, which would let a unit write lines into our requests.
std::optional<QByteArray> cookieToSendBack(QByteArrayView setCookie);

} // namespace Web
