#include "app/app_windows.h"
#include "base/build_info.h"
#include "base/network_settings.h"
#include "ui/app_style.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcessEnvironment>

#include <cstdio>
#include <cstring>
#include <optional>
#include <variant>

namespace {

// As zuredor-cli answers a command line it cannot use.
constexpr int kExitUsage = 64;

struct Options {
    QCommandLineOption broadcast{QStringLiteral("broadcast"),
                                 QStringLiteral("Where the discovery query goes: dotted IPv4 addresses separated by "
                                                "commas, each a network's broadcast address or a unit's own address "
                                                "(ZUREDOR_BROADCAST). Default: 255.255.255.255 and every interface's "
                                                "broadcast address."),
                                 QStringLiteral("addresses")};
    QCommandLineOption discoveryPort{QStringLiteral("discovery-port"),
                                     QStringLiteral("UDP port of discovery (ZUREDOR_DISCOVERY_PORT)."),
                                     QStringLiteral("port")};
    QCommandLineOption devicePort{QStringLiteral("device-port"),
                                  QStringLiteral("TCP port of the units' web server (ZUREDOR_DEVICE_PORT)."),
                                  QStringLiteral("port")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Displays version information.")};
};

void describe(QCommandLineParser& parser, const Options& options) {
    parser.setApplicationDescription(QStringLiteral("Finds Zur Edor units on the network and manages them."));
    parser.addHelpOption();
    parser.addOption(options.version);
    parser.addOptions({options.broadcast, options.discoveryPort, options.devicePort});
}

// The settings the options and variables give, or the status to end with
// after saying why.
std::variant<Base::NetworkSettings, int> settingsFrom(const QCommandLineParser& parser, const Options& options) {
    Base::NetworkOptions given;
    for (const auto& [option, value] :
         {std::pair{&options.broadcast, &given.broadcast}, std::pair{&options.discoveryPort, &given.discoveryPort},
          std::pair{&options.devicePort, &given.devicePort}}) {
        if (parser.isSet(*option))
            *value = parser.value(*option);
    }
    // A bad value is refused before any window opens: a test or a user who
    // mistyped it would otherwise scan somewhere else without a word.
    auto resolved = Base::resolveNetworkSettings(given, QProcessEnvironment::systemEnvironment());
    if (const auto* refusal = std::get_if<QString>(&resolved)) {
        std::fprintf(stderr, "zuredor: %s\n", qPrintable(*refusal));
        return kExitUsage;
    }
    return std::get<Base::NetworkSettings>(resolved);
}

// Help and version are answered before any window system is touched, so
// that they work over ssh and in a build without a display; so are bad
// values. A status when the program ends here.
std::optional<int> answerWithoutWindows(const QStringList& arguments) {
    QCommandLineParser parser;
    Options options;
    describe(parser, options);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "zuredor: %s\n", qPrintable(parser.errorText()));
        return kExitUsage;
    }
    if (parser.isSet(options.version)) {
        std::printf("%s\n", qPrintable(Base::versionLine(QStringLiteral("zuredor"))));
        return 0;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
    const auto settings = settingsFrom(parser, options);
    if (const int* status = std::get_if<int>(&settings))
        return *status;
    return std::nullopt;
}

bool asksForText(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        for (const char* word : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], word) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (asksForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("zuredor"));
        if (const auto status = answerWithoutWindows(QCoreApplication::arguments()))
            return *status;
        // The word was an option's value: go on as the windowed program.
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zuredor"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The desktop entry's name, so the window system finds the program's icon and menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.zuredor.utility"));
    Ui::installAppStyle(app);
    Ui::installQtTranslations(app);

    QCommandLineParser parser;
    Options options;
    describe(parser, options);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "zuredor: %s\n", qPrintable(parser.errorText()));
        return kExitUsage;
    }
    const auto settings = settingsFrom(parser, options);
    if (const int* status = std::get_if<int>(&settings))
        return *status;

    App::WindowSet windows(std::get<Base::NetworkSettings>(settings), [] { QCoreApplication::exit(0); });
    windows.showScanWindow();
    return QApplication::exec();
}
