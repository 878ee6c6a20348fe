#include "app/app_windows.h"
#include "base/network_settings.h"
#include "ui/app_style.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QHostAddress>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zuredor"));
    QApplication::setQuitOnLastWindowClosed(false);
    Ui::installAppStyle(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Finds Zur Edor units on the network and manages them."));
    parser.addHelpOption();
    const QCommandLineOption broadcast(QStringLiteral("broadcast"),
                                       QStringLiteral("Address the discovery query goes to (ZUREDOR_BROADCAST)."),
                                       QStringLiteral("address"));
    const QCommandLineOption discoveryPort(QStringLiteral("discovery-port"),
                                           QStringLiteral("UDP port of discovery (ZUREDOR_DISCOVERY_PORT)."),
                                           QStringLiteral("port"));
    const QCommandLineOption devicePort(QStringLiteral("device-port"),
                                        QStringLiteral("TCP port of the units' web server (ZUREDOR_DEVICE_PORT)."),
                                        QStringLiteral("port"));
    parser.addOptions({broadcast, discoveryPort, devicePort});
    parser.process(app);

    Base::NetworkSettings settings = Base::networkSettingsFromEnvironment();
    if (parser.isSet(broadcast)) {
        if (QHostAddress(parser.value(broadcast)).isNull()) {
            std::fprintf(stderr, "zuredor: --broadcast needs an IPv4 address\n");
            return 64;
        }
        settings.broadcast = parser.value(broadcast);
    }
    for (const auto& [option, target] :
         {std::pair{&discoveryPort, &settings.discoveryPort}, std::pair{&devicePort, &settings.devicePort}}) {
        if (!parser.isSet(*option))
            continue;
        const auto port = Base::parsePort(parser.value(*option));
        if (!port) {
            std::fprintf(stderr, "zuredor: --%s needs a port from 1 to 65535\n",
                         qPrintable(option->names().constFirst()));
            return 64;
        }
        *target = *port;
    }

    App::WindowSet windows(settings, [] { QCoreApplication::exit(0); });
    windows.showScanWindow();
    return QApplication::exec();
}
