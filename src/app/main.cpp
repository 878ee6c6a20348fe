#include "app/app_windows.h"
#include "base/network_settings.h"
#include "base/version.h"
#include "ui/app_style.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcessEnvironment>

#include <cstdio>
#include <variant>

namespace {

// As zuredor-cli answers a command line it cannot use.
constexpr int kExitUsage = 64;

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zuredor"));
    QApplication::setApplicationVersion(QString::fromLatin1(Base::kProgramVersion));
    QApplication::setQuitOnLastWindowClosed(false);
    Ui::installAppStyle(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Finds Zur Edor units on the network and manages them."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption broadcast(QStringLiteral("broadcast"),
                                       QStringLiteral("Where the discovery query goes: dotted IPv4 addresses "
                                                      "separated by commas, each a network's broadcast address or a "
                                                      "unit's own address (ZUREDOR_BROADCAST). Default: "
                                                      "255.255.255.255 and every interface's broadcast address."),
                                       QStringLiteral("addresses"));
    const QCommandLineOption discoveryPort(QStringLiteral("discovery-port"),
                                           QStringLiteral("UDP port of discovery (ZUREDOR_DISCOVERY_PORT)."),
                                           QStringLiteral("port"));
    const QCommandLineOption devicePort(QStringLiteral("device-port"),
                                        QStringLiteral("TCP port of the units' web server (ZUREDOR_DEVICE_PORT)."),
                                        QStringLiteral("port"));
    parser.addOptions({broadcast, discoveryPort, devicePort});
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "zuredor: %s\n", qPrintable(parser.errorText()));
        return kExitUsage;
    }
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);

    Base::NetworkOptions given;
    for (const auto& [option, value] :
         {std::pair{&broadcast, &given.broadcast}, std::pair{&discoveryPort, &given.discoveryPort},
          std::pair{&devicePort, &given.devicePort}}) {
        if (parser.isSet(*option))
            *value = parser.value(*option);
    }
    // A bad value is refused before any window opens: a test or a user who
    // mistyped it would otherwise scan somewhere else without a word.
    const auto resolved = Base::resolveNetworkSettings(given, QProcessEnvironment::systemEnvironment());
    if (const auto* refusal = std::get_if<QString>(&resolved)) {
        std::fprintf(stderr, "zuredor: %s\n", qPrintable(*refusal));
        return kExitUsage;
    }
    const auto& settings = std::get<Base::NetworkSettings>(resolved);

    App::WindowSet windows(settings, [] { QCoreApplication::exit(0); });
    windows.showScanWindow();
    return QApplication::exec();
}
