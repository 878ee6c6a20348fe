#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <memory>

namespace TestSupport {

// One sign-in's worth of desktop: a D-Bus session bus of its own (GVfs is
// started on it when first asked), optionally a Secret Service (gnome-keyring,
// keeping its keyrings under HOME and unlocked with `keyringPassword`) and a
// notification service that records what it is sent. Ending it ends all of
// them and every process the bus started, as a sign-out does; HOME stays, and
// each session gets a runtime folder of its own.
class DesktopSession final {
public:
    struct Options {
        QString home;
        QString runtime; // made afresh; the bus listens at runtime/bus
        bool keyring = true;
        QByteArray keyringPassword;
        bool notifications = true;
    };

    explicit DesktopSession(Options options);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Empty when everything runs; what did not otherwise.
    QString start();
    void end();

    // The environment for a program of this session: HOME, XDG_*, the bus.
    const QProcessEnvironment& environment() const { return m_environment; }
    // Each Notify call so far: {"summary", "body"}.
    QList<QJsonObject> notifications();

private:
    bool waitForName(const QString& name, int timeoutMs);

    Options m_options;
    QProcessEnvironment m_environment;
    QByteArray m_marker;
    QProcess m_bus;
    QProcess m_keyring;
    QProcess m_notifier;
    QByteArray m_notified;
    QString m_connectionName;
};

// Processes whose command line or environment holds `marker` (not this one).
QList<qint64> processesMarkedBy(const QByteArray& marker);

} // namespace TestSupport
