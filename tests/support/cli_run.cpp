#include "support/cli_run.h"

#include <QProcess>

namespace TestSupport {

QProcessEnvironment cleanEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys()) {
        if (name.startsWith(QLatin1String("ZUREDOR_")))
            environment.remove(name);
    }
    // Without an address the programs ask every network of the machine; a test that
    // forgets --broadcast asks loopback instead. Tests of the default run in network
    // namespaces of their own and remove this.
    environment.insert(QStringLiteral("ZUREDOR_BROADCAST"), QStringLiteral("127.255.255.255"));
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
