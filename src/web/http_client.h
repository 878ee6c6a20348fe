#pragma once

#include "web/web_error.h"
#include "web/web_settings.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class QTcpSocket;

namespace Web {

// What SendCgi needs of an HTTP component. HttpClient is the real one; tests of
// SendCgi's page rules put a scripted one in its place.
class CgiClient {
public:
    virtual ~CgiClient() = default;

    virtual void setCredentials(const QString& userName, const QString& password) = 0;
    virtual void setReferer(const QString& referer) = 0;
    // One transaction: the request and every redirect it leads to.
    virtual Error Get(const QString& url) = 0;
    // The next Get's answer may come after the unit worked this long (a format).
    virtual void allowWorkOnce(int workMs) { Q_UNUSED(workMs); }
    // Status code of the last reply, also after a failure; 0 when none came.
    virtual int lastStatus() const = 0;
    // Something came back in the last transaction, whatever it was.
    virtual bool answered() const { return lastStatus() > 0; }
    // Header lines of the last reply.
    virtual QByteArray headerText() const = 0;
    // Location values followed in the last transaction, in order.
    virtual QStringList followedLocations() const = 0;
    // A Location of the last reply that named another host or port: not followed.
    virtual QString offUnitLocation() const { return {}; }

    // The reachability probe: a bare connection, nothing sent.
    virtual Error Connect(const QString& host, quint16 port, int timeoutMs) = 0;
    virtual bool connected() const = 0;
    virtual void Disconnect() = 0;
};

// The HTTP/1.0 client that sends CGI requests: one fresh connection per
// request, the unit's own redirects followed (never one to another host or
// port), the last cookie of each unit kept for its later requests.
// Blocking; use one instance from one thread at a time.
class HttpClient final : public CgiClient {
public:
    explicit HttpClient(const Settings& settings = {});
    ~HttpClient() override;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void setSettings(const Settings& settings) { m_settings = settings; }
    void allowWorkOnce(int workMs) override { m_workMs = workMs; }

    void setCredentials(const QString& userName, const QString& password) override;
    void setReferer(const QString& referer) override;
    Error Get(const QString& url) override;
    int lastStatus() const override { return m_lastStatus; }
    bool answered() const override { return m_answered; }
    QByteArray headerText() const override { return m_header; }
    QStringList followedLocations() const override { return m_locations; }

    // Body of the last reply, chunked coding undone.
    QByteArray body() const { return m_body; }
    // The cookie kept for a unit ("host:port"), empty when it set none.
    QByteArray cookie(const QString& unit) const { return m_cookies.value(unit); }
    QString offUnitLocation() const override { return m_offUnitLocation; }

    Error Connect(const QString& host, quint16 port, int timeoutMs) override;
    bool connected() const override;
    void Disconnect() override;

private:
    Settings m_settings;
    int m_workMs = 0;
    QString m_userName;
    QString m_password;
    QString m_referer;
    QHash<QString, QByteArray> m_cookies;
    QString m_offUnitLocation;
    QByteArray m_header;
    QByteArray m_body;
    QStringList m_locations;
    int m_lastStatus = 0;
    bool m_answered = false;
    std::unique_ptr<QTcpSocket> m_probe;
};

} // namespace Web
