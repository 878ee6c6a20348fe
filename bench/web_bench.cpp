// Device web access figures against zuredor-sim on loopback, each beside a
// baseline from the same run.
//
//   bench_web [--runs N]
//
// 1. FetchPage's time beyond its fixed pause, against a bare TCP
//    connect-send-receive of the same page.
// 2. The device login's time to its result for a good unit, refused
//    credentials, a refused connection and a unit that never answers.

#include "login/login_check.h"
#include "web/device_get.h"
#include "web/page_fetch.h"
#include "web/web_settings.h"

#include "bench_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A simulator with one unit at `address`; ends with the object.
class Sim {
public:
    Sim(const QString& address, quint16 devicePort, const QStringList& extra) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ZUREDOR_SIM_PATH),
                        QStringList{QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--first-address"),
                                    address, QStringLiteral("--discovery-port"), QString::number(Bench::freeUdpPort()),
                                    QStringLiteral("--device-port"), QString::number(devicePort)} +
                            extra);
        while (m_process.waitForReadyRead(5000))
            if (m_process.readAll().contains("ready\n"))
                return;
        std::fprintf(stderr, "bench_web: the simulator did not start\n");
        std::exit(1);
    }
    ~Sim() {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }

private:
    QProcess m_process;
};

class NoBoxes final : public Web::WebHost {
public:
    void showMessage(const Base::Refusal&) override {}
};

// The same request bytes DeviceGet sends, read to the end with nothing else around them.
double bareExchangeMs(const QString& ip, quint16 port) {
    QElapsedTimer t;
    t.start();
    QTcpSocket socket;
    socket.connectToHost(ip, port);
    socket.waitForConnected(2000);
    socket.write("GET /utility_use.htm HTTP/1.1\r\nHost:" + ip.toLatin1() +
                 "\r\nConnection: Keep-Alive\r\nAuthorization: Basic YWRtaW46YWRtaW4=\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(2000))
        answer += socket.readAll();
    answer += socket.readAll();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int runs = 41;
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && args[1] == QLatin1String("--runs"))
        runs = args[2].toInt();

    const quint16 port = Bench::freeTcpPort();
    const Sim good(QStringLiteral("127.0.0.2"), port, {});
    const Sim silent(QStringLiteral("127.0.0.3"), port, {QStringLiteral("--web-silent")});

    Web::Settings settings;
    settings.devicePort = port;
    const Web::DeviceContext device{QStringLiteral("127.0.0.2"), QStringLiteral("admin"), QStringLiteral("admin")};
    NoBoxes host;

    std::vector<double> fetch;
    std::vector<double> bare;
    std::vector<double> pause;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer p;
        p.start();
        QThread::msleep(static_cast<unsigned long>(settings.pauseMs));
        pause.push_back(static_cast<double>(p.nsecsElapsed()) / 1e6);
        QElapsedTimer t;
        t.start();
        const Web::DeviceResponse page = Web::FetchPage(device, settings, host);
        fetch.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6 - settings.pauseMs);
        if (page.status != 200) {
            std::fprintf(stderr, "bench_web: FetchPage got status %d\n", page.status);
            return 1;
        }
        // The same idle time before the baseline, so both start from the same cold state.
        QThread::msleep(static_cast<unsigned long>(settings.pauseMs));
        bare.push_back(bareExchangeMs(device.ip, port));
    }
    const double f = Bench::median(fetch);
    const double b = Bench::median(bare);
    // The pause itself sleeps a little longer than asked; that is the system's, not the fetch's.
    const double overshoot = Bench::median(pause) - settings.pauseMs;
    std::printf("FetchPage beyond its 20 ms pause: median %.3f ms; bare connect-send-receive %.3f ms; "
                "ratio %.2f (target <= 2.0)\n",
                f, b, b > 0 ? f / b : 0.0);
    std::printf("  the 20 ms sleep itself overshoots by %.3f ms; FetchPage beyond the measured pause %.3f ms, "
                "ratio %.2f\n",
                overshoot, f - overshoot, b > 0 ? (f - overshoot) / b : 0.0);

    struct Case {
        const char* name;
        QString ip;
        QString password;
        const char* target;
    };
    const Case cases[] = {
        {"good unit", QStringLiteral("127.0.0.2"), QStringLiteral("admin"), "-"},
        {"refused credentials", QStringLiteral("127.0.0.2"), QStringLiteral("wrong"), "< 1000 ms"},
        {"refused connection", QStringLiteral("127.0.0.9"), QStringLiteral("admin"), "< 1000 ms"},
        {"silent unit", QStringLiteral("127.0.0.3"), QStringLiteral("admin"), "< 5000 ms"},
    };
    for (const Case& c : cases) {
        std::vector<double> times;
        const int n = QByteArrayView(c.name) == "silent unit" ? 3 : 9;
        Login::CheckResult result{};
        for (int i = 0; i < n; ++i) {
            QElapsedTimer t;
            t.start();
            result = Login::RunLoginChecks({c.ip, QStringLiteral("admin"), c.password}, settings).result;
            times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        }
        std::printf("login, %-20s result %d: median %8.1f ms, max %8.1f ms (target %s)\n", c.name,
                    static_cast<int>(result), Bench::median(times), *std::max_element(times.begin(), times.end()),
                    c.target);
    }
    return 0;
}
