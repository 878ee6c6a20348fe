#pragma once

#include "sim/web/cgi_actions.h"
#include "sim/web/unit_state.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace Sim {

// Ways the unit misbehaves on purpose. Counts go down as they are used.
struct FaultSettings {
    bool keepAlive = false;       // leave the connection open after each answer and serve the next request on it
    int answerDelayMs = 0;        // wait this long before each answer
    bool silent = false;          // accept and read, never answer, never close
    int dropConnections = 0;      // close the next N connections at once, unanswered
    int refuseFtpChanges = 0;     // send the next N CGI requests whose redirect is ftp.htm to the failure page
    qint64 stallUploadAfter = -1; // stop reading a firmware upload after this many body bytes; never answer
    int dropEvery = 0;            // close every Nth connection unanswered, counting from the first; 0: none
};

struct ServerSettings {
    FaultSettings faults;
    QString requestLogPath;                                 // every request is appended here too, when set
    int requestLogEntries = 256;                            // requests kept in memory, the oldest dropped first
    qsizetype requestLogEntryBytes = qsizetype{256} * 1024; // longer requests are kept cut to this
    int rebootMs = 15000;                                   // off the network for this long after a reboot
    int rebootGraceMs = 500;                                // still up this long after the request, to serve its page
    int idleTimeoutMs = 30000;                              // a connection that has nothing to say is closed after this
    qsizetype maxHeaderBytes = qsizetype{64} * 1024;
    // Bodies other than firmware uploads are held whole; larger ones make the unit abort the connection.
    qint64 maxBodyBytes = qint64{16} * 1024 * 1024;
    // A firmware image is read as it arrives; a larger one makes the unit reset the connection.
    qint64 maxFirmwareBytes = qint64{64} * 1024 * 1024;
    int uploadTimeoutMs = 10 * 60 * 1000; // a whole upload, however steadily it trickles in
    int firmwareWriteMs = 0;              // an image taken is written into flash this long before the answer
};

// A unit asked to leave its address: for a DHCP client the new address is for
// whoever runs the fleet to choose (address is then null).
struct AddressChange {
    bool dhcpClient = false;
    QHostAddress address;
};

// One unit's web server: Basic authorization, the utility page made from the
// unit's state, the CGI programs and the pages they redirect to.
class UnitWebServer final : public QObject {
    Q_OBJECT
public:
    explicit UnitWebServer(UnitState state, ServerSettings settings = {}, QObject* parent = nullptr);
    ~UnitWebServer() override;

    bool listen(const QHostAddress& address, quint16 port);
    // Listens on the same port at another address and stops answering at the old one.
    bool moveTo(const QHostAddress& address);
    // No new connections; those already open run to their end.
    void stopListening();
    bool isListening() const { return m_server.isListening(); }
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }
    QString errorString() const { return m_server.errorString(); }

    UnitState& state() { return m_state; }
    const UnitState& state() const { return m_state; }
    FaultSettings& faults() { return m_settings.faults; }

    // Each request exactly as it arrived (cut to requestLogEntryBytes), oldest first.
    QList<QByteArray> recordedRequests() const { return m_log; }
    void clearRecordedRequests() { m_log.clear(); }

Q_SIGNALS:
    // Sent after the answer to the request has gone out.
    void addressChangeRequested(const Sim::AddressChange& change);
    void onlineChanged(bool online);
    // An accepted CGI action changed the state (a name the discovery answer carries, say).
    void stateChanged();
    void requestRecorded(const QByteArray& request);
    // What the unit has to say about itself: uploads taken or refused and why, connections reset.
    void noted(const QString& text);

private:
    struct Connection;
    struct Answer {
        QByteArray bytes;
        UnitEffect effect = UnitEffect::None;
        bool keepOpen = false;
    };

    void acceptConnections();
    void readFrom(QTcpSocket* socket);
    void serveBuffered(Connection& connection);
    void respond(Connection& connection, const Answer& answered);
    void deliver(QTcpSocket* socket, const Answer& answered);
    void forget(QTcpSocket* socket);
    // Closes with a reset rather than a clean close, so a client still sending sees it at once.
    void resetConnection(QTcpSocket* socket);
    void record(const QByteArray& request, const QTcpSocket* socket, qint64 size = -1);
    Answer answer(const QByteArray& request);
    Answer answerCgi(QByteArrayView program, QByteArrayView query, const QByteArray& body, bool formBody);
    void beginUpload(Connection& connection, qsizetype headerEnd);
    void feedUpload(Connection& connection, const QByteArray& data);
    void finishUpload(Connection& connection, bool bytesAfterBody);
    bool isAuthorized(const QByteArray& authorization) const;
    Answer unauthorized(bool mayKeepOpen = true) const;
    Answer redirectTo(const QString& location, bool mayKeepOpen = true) const;
    // A whole answer; it keeps the connection open only when the keep-alive fault is on and mayKeepOpen.
    Answer reply(int status, const QByteArray& extraHeaders, const QByteArray& body, bool mayKeepOpen = true,
                 bool withBody = true) const;
    void applyEffect(UnitEffect effect);
    void reboot();
    void goOffline();
    void comeBack();

    UnitState m_state;
    ServerSettings m_settings;
    QTcpServer m_server;
    QHostAddress m_address;
    quint16 m_port = 0;
    QHash<QTcpSocket*, Connection*> m_connections;
    QList<QByteArray> m_log;
    QTimer m_rebootTimer;
    bool m_goingDown = false; // a reboot was asked for and the unit is about to go
    qint64 m_accepted = 0;    // connections taken since the start, dropped ones included
};

} // namespace Sim
