#include "platform/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace Platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// org.freedesktop.Notifications on the session bus, as the Desktop Notifications rules describe it.
class DbusNotifier final : public DesktopNotifier {
public:
    bool Notify(const std::string& summary, const std::string& body) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        // Without a service the call would wait for D-Bus to start one that is not there.
        if (!bus.isConnected() || bus.interface() == nullptr || !bus.interface()->isServiceRegistered(kService))
            return false;
        QString text = QString::fromStdString(body);
        // A server that reads markup in the body would take a unit's name for it.
        if (readsMarkup(bus))
            text = text.toHtmlEscaped();
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
        // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the server's own).
        call << QStringLiteral("Zur Edor Utility") << 0U << QStringLiteral("zuredor") << QString::fromStdString(summary)
             << text << QStringList() << QVariantMap() << -1;
        const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        return reply.type() == QDBusMessage::ReplyMessage;
    }

private:
    static constexpr int kCallTimeoutMs = 5000;

    static bool readsMarkup(QDBusConnection& bus) {
        const QDBusMessage reply =
            bus.call(QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities")),
                     QDBus::Block, kCallTimeoutMs);
        // When it does not say, escaping is the safe guess: at worst an entity is shown as typed.
        return reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
               reply.arguments().constFirst().toStringList().contains(QStringLiteral("body-markup"));
    }
};

} // namespace

std::unique_ptr<DesktopNotifier> systemDesktopNotifier() {
    return std::make_unique<DbusNotifier>();
}

} // namespace Platform
