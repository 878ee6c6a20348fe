// A stand-in for the desktop's notification service on the session bus: each
// Notify call is printed as one line of JSON (summary and body) on standard output.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

class Recorder final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public Q_SLOTS:
    uint Notify(const QString& /*app*/, uint /*replaces*/, const QString& /*icon*/, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& /*hints*/, int /*timeout*/) {
        const QByteArray line =
            QJsonDocument(QJsonObject{{QStringLiteral("summary"), summary}, {QStringLiteral("body"), body}})
                .toJson(QJsonDocument::Compact);
        std::printf("%s\n", line.constData());
        std::fflush(stdout);
        return ++m_last;
    }
    // Plain text only: what it is sent is what was meant to be shown.
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }

private:
    uint m_last = 0;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Recorder recorder;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "notification recorder: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    return QCoreApplication::exec();
}

#include "notification_recorder.moc"
