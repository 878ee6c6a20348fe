#include "support/cli_run.h"

#include <QProcess>

namespace TestSupport {

QProcessEnvironment cleanEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys()) {
        if (name.startsWith(QLatin1String("ZUREDOR_")))
            environment.remove(name);
    }
    return environment;
}

CliRun runCli(const QStringList& arguments, const QProcessEnvironment& environment, int timeoutMs) {
    return runCliWithInput(arguments, {}, environment, timeoutMs);
}

CliRun runCliWithInput(const QStringList& arguments, const QByteArray& input, const QProcessEnvironment& environment,
                       int timeoutMs) {
    return runProgram(QStringLiteral(ZUREDOR_CLI_PATH), arguments, input, environment, timeoutMs);
}

CliRun runProgram(const QString& path, const QStringList& arguments, const QByteArray& input,
                  const QProcessEnvironment& environment, int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(path, arguments);
    if (process.waitForStarted(timeoutMs)) {
        process.write(input);
        process.closeWriteChannel();
    }
    CliRun run;
    run.finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!run.finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace TestSupport
