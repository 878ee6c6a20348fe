#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace TestSupport {

struct CliRun {
    bool finished = false; // false: it did not end before the deadline and was killed
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 wallMs = 0;      // from the start to the child's end
    qint64 peakRssKiB = -1; // the child's peak resident set (VmHWM) as last seen while it ran; -1 when unknown
};

// The environment of the test without any ZUREDOR_* setting, so a test sees only what it sets,
// but for ZUREDOR_BROADCAST=127.255.255.255: no test reaches the machine's own networks by accident.
QProcessEnvironment cleanEnvironment();

// An argument that reaches the program as exactly these bytes, UTF-8 or not.
QString rawArgument(const QByteArray& bytes);

// Runs zuredor-cli to its end and keeps what it printed.
CliRun runCli(const QStringList& arguments, const QProcessEnvironment& environment = cleanEnvironment(),
              int timeoutMs = 30000);
// The same with `input` on its standard input, which is then closed.
CliRun runCliWithInput(const QStringList& arguments, const QByteArray& input,
                       const QProcessEnvironment& environment = cleanEnvironment(), int timeoutMs = 30000);
// Any of the programs, the same way.
CliRun runProgram(const QString& path, const QStringList& arguments, const QByteArray& input,
                  const QProcessEnvironment& environment, int timeoutMs);

// A system tool (ip, gio, ...) to its end with QProcess; `finished` is false when it did not end
// normally before the deadline, after which it is killed.
CliRun runTool(const QString& program, const QStringList& arguments, int timeoutMs = 10000,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

} // namespace TestSupport
