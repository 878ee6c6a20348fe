#include "web/http_client.h"

#include "web/http_answer.h"
#include "web/http_request.h"
#include "web/tcp_exchange.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <utility>

namespace Web {

namespace {

bool isRedirect(int status) {
    return status == 300 || status == 301 || status == 302;
}

QByteArray fieldValue(const AnswerAssembler& answer, QByteArrayView name) {
    QByteArray value;
    for (const auto& field : answer.fields()) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            value = field.second;
    }
    return value;
}

} // namespace

HttpClient::HttpClient(const Settings& settings) : m_settings(settings) {}

HttpClient::~HttpClient() = default;

void HttpClient::setCredentials(const QString& userName, const QString& password) {
    m_userName = userName;
    m_password = password;
}

void HttpClient::setReferer(const QString& referer) {
    m_referer = referer;
}

Error HttpClient::Get(const QString& url) {
    m_lastStatus = 0;
    m_answered = false;
    m_header.clear();
    m_body.clear();
    m_locations.clear();
    m_offUnitLocation.clear();
    // A unit that works before it answers is given that time as silence, once.
    Settings settings = m_settings;
    if (const int workMs = std::exchange(m_workMs, 0); workMs > 0) {
        settings.readTimeoutMs = std::max(settings.readTimeoutMs, workMs);
        settings.exchangeTimeoutMs += workMs;
    }
    // One deadline for the request and all its redirects.
    const QDeadlineTimer deadline(settings.exchangeTimeoutMs);
    QString next = url;
    QString unit;
    HttpUrl unitUrl;
    for (int redirects = 0;; ++redirects) {
        const Result<HttpUrl> parsed = parseHttpUrl(next);
        if (!parsed.ok())
            return parsed.error();
        if (unit.isEmpty()) {
            unitUrl = parsed.value();
            unit = unitKey(unitUrl);
        }
        const HttpGetFields fields{m_userName, m_password, m_referer, m_cookies.value(unit)};
        AnswerAssembler answer;
        Error error = exchange(parsed.value().host, parsed.value().port, HttpGetRequest(parsed.value(), fields),
                               settings, deadline, answer);
        m_answered = m_answered || answer.receivedSize() > 0;
        if (answer.headerComplete()) {
            m_header = answer.headerText();
            m_lastStatus = std::max(answer.statusCode(), 0);
            for (const auto& field : answer.fields()) {
                if (field.first.compare("Set-Cookie", Qt::CaseInsensitive) != 0)
                    continue;
                if (const auto pair = cookieToSendBack(field.second))
                    m_cookies.insert(unit, *pair);
            }
        }
        if (error)
            return error;
        if (!answer.headerComplete() || answer.statusCode() < 0)
            return {ErrorKind::Malformed, QStringLiteral("no HTTP status line from %1").arg(parsed.value().host)};
        m_body = answer.body();
        const QByteArray location = fieldValue(answer, "Location");
        if (!isRedirect(answer.statusCode()) || location.isEmpty())
            return {};
        if (redirects >= m_settings.maxRedirects)
            return {ErrorKind::TooManyRedirects, QStringLiteral("more than %1 redirects, last to %2")
                                                     .arg(m_settings.maxRedirects)
                                                     .arg(QString::fromUtf8(location))};
        // A redirect elsewhere is an answer to judge, not a place to go.
        const RedirectStep step = judgeLocation(unitUrl, parsed.value(), QString::fromUtf8(location));
        if (step.offUnit) {
            m_offUnitLocation = QString::fromUtf8(location);
            return {};
        }
        m_locations.append(QString::fromUtf8(location));
        next = step.target;
    }
}

Error HttpClient::Connect(const QString& host, quint16 port, int timeoutMs) {
    m_probe = std::make_unique<QTcpSocket>();
    m_probe->setProxy(QNetworkProxy::NoProxy);
    m_probe->connectToHost(host, port);
    if (m_probe->waitForConnected(timeoutMs))
        return {};
    const ErrorKind kind =
        m_probe->error() == QAbstractSocket::SocketTimeoutError ? ErrorKind::Timeout : ErrorKind::Connect;
    return {kind, QStringLiteral("%1:%2: %3").arg(host).arg(port).arg(m_probe->errorString())};
}

bool HttpClient::connected() const {
    return m_probe && m_probe->state() == QAbstractSocket::ConnectedState;
}

void HttpClient::Disconnect() {
    if (m_probe)
        m_probe->abort();
    m_probe.reset();
}

} // namespace Web
