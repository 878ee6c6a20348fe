#include "support/sim_process.h"

#include "support/test_ports.h"

#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace TestSupport {

SimProcess::SimProcess(QStringList arguments, QString networkNamespace)
    : m_arguments(std::move(arguments)), m_namespace(std::move(networkNamespace)) {
    // Units of parallel tests share addresses, so each simulator needs a web port of its own.
    if (!m_arguments.contains(QStringLiteral("--device-port")))
        m_arguments << QStringLiteral("--device-port") << QString::number(freeTcpPort());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that crashes or is killed at its time-out must not leave its units behind:
    // they would keep its ports, and whatever the test inherited, such as a build lock.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

quint16 SimProcess::devicePort() const {
    const qsizetype i = m_arguments.indexOf(QStringLiteral("--device-port"));
    return i >= 0 && i + 1 < m_arguments.size() ? static_cast<quint16>(m_arguments[i + 1].toUInt()) : 0;
}

SimProcess::~SimProcess() {
    stop();
}

bool SimProcess::start(int timeoutMs) {
    if (m_namespace.isEmpty())
        m_process.start(QStringLiteral(ZUREDOR_SIM_PATH), m_arguments);
    else
        // ip execs the simulator in place, so the process stopped later is the simulator itself.
        m_process.start(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"), m_namespace,
                                                          QStringLiteral(ZUREDOR_SIM_PATH)} +
                                                  m_arguments);
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(50)) {
            if (m_process.state() == QProcess::NotRunning)
                return false;
            continue;
        }
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            m_output += line + QLatin1Char('\n');
            if (line == QLatin1String("ready"))
                return true;
        }
    }
    return false;
}

void SimProcess::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
        return;
    }
    // The simulator quits cleanly on SIGTERM; any other status is a sanitizer's report
    // (a leak, say) that its forwarded standard error shows.
    if (m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() != 0)
        ADD_FAILURE() << "zuredor-sim ended with status " << m_process.exitCode();
}

} // namespace TestSupport
