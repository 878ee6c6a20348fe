#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace TestSupport {

// zuredor-sim as a child process. start() returns once the simulator has
// printed its "ready" line, so a test never sends before the units listen.
class SimProcess final {
public:
    // Without --device-port among the arguments, a free port is chosen. With a network
    // namespace the simulator runs inside it (ip netns exec), on that namespace's addresses.
    explicit SimProcess(QStringList arguments, QString networkNamespace = {});
    quint16 devicePort() const;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool start(int timeoutMs = 10000);
    void stop();
    QString output() const { return m_output; }
    QProcess& process() { return m_process; }

private:
    QStringList m_arguments;
    QString m_namespace;
    QProcess m_process;
    QString m_output;
};

} // namespace TestSupport
