#include "support/cli_run.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport {

namespace {

// A pipe whose ends are not inherited by other children started meanwhile from other threads.
bool makePipe(int ends[2]) {
    return ::pipe2(ends, O_CLOEXEC) == 0;
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// The child's high-water mark of resident memory, while it runs. wait4()'s figure is no use
// here: Linux carries the spawning process's own peak across the exec into it.
// A child spawned by fork (as a sanitizer's runtime may do) shows the parent's memory until its exec:
// only the program's own process counts.
qint64 residentPeakKiB(pid_t pid, const std::string& program) {
    char exe[4096];
    const ssize_t length =
        ::readlink(QStringLiteral("/proc/%1/exe").arg(pid).toLocal8Bit().constData(), exe, sizeof exe);
    if (length <= 0 || std::string(exe, static_cast<std::size_t>(length)) != program)
        return -1;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Marks an argument made by rawArgument: a noncharacter no real argument starts with.
constexpr char16_t kRawMark = 0xFDD0;

std::vector<std::string> toStrings(const QStringList& list) {
    std::vector<std::string> strings;
    strings.reserve(static_cast<std::size_t>(list.size()));
    for (const QString& item : list)
        strings.push_back(item.startsWith(QChar(kRawMark)) ? item.mid(1).toLatin1().toStdString() : item.toStdString());
    return strings;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& text : strings)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

} // namespace

QString rawArgument(const QByteArray& bytes) {
    return QChar(kRawMark) + QString::fromLatin1(bytes);
}

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

// posix_spawn and wait4 rather than QProcess: only the parent's own wait gives the
// child's peak memory, and a test may run several children from several threads.
CliRun runProgram(const QString& path, const QStringList& arguments, const QByteArray& input,
                  const QProcessEnvironment& environment, int timeoutMs) {
    // A child that ends before it read its input must not end the test with SIGPIPE.
    static const bool ignoringSigpipe = ::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    Q_UNUSED(ignoringSigpipe);
    CliRun run;
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (!makePipe(in) || !makePipe(out) || !makePipe(err)) {
        for (int* fd : {&in[0], &in[1], &out[0], &out[1], &err[0], &err[1]})
            closeFd(*fd);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);

    std::vector<std::string> argStrings = toStrings(QStringList{path} + arguments);
    std::vector<std::string> envStrings = toStrings(environment.toStringList());
    std::vector<char*> argv = pointers(argStrings);
    std::vector<char*> envp = pointers(envStrings);
    const std::string program = path.toStdString();

    QElapsedTimer clock;
    clock.start();
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    closeFd(in[0]);
    closeFd(out[1]);
    closeFd(err[1]);
    if (spawned != 0) {
        for (int* fd : {&in[1], &out[0], &err[0]})
            closeFd(*fd);
        return run;
    }

    // Feed the input and drain both outputs together, so a child that prints a lot never blocks.
    ::fcntl(in[1], F_SETFL, ::fcntl(in[1], F_GETFL) | O_NONBLOCK);
    qsizetype written = 0;
    if (input.isEmpty())
        closeFd(in[1]);
    bool killed = false;
    while (out[0] >= 0 || err[0] >= 0) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            break;
        }
        pollfd fds[3];
        nfds_t count = 0;
        for (const int fd : {out[0], err[0]}) {
            if (fd >= 0)
                fds[count++] = {fd, POLLIN, 0};
        }
        if (in[1] >= 0)
            fds[count++] = {in[1], POLLOUT, 0};
        // Short waits: the memory is sampled between them, the last sample just before the end.
        run.peakRssKiB = std::max(run.peakRssKiB, residentPeakKiB(pid, program));
        if (::poll(fds, count, static_cast<int>(std::min<qint64>(left, 5))) < 0 && errno != EINTR)
            break;
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == in[1]) {
                const ssize_t n =
                    ::write(in[1], input.constData() + written, static_cast<size_t>(input.size() - written));
                if (n > 0)
                    written += n;
                if (n < 0 && errno != EAGAIN)
                    closeFd(in[1]);
                if (written >= input.size())
                    closeFd(in[1]);
                continue;
            }
            char buffer[65536];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (fds[i].fd == out[0] ? run.out : run.err).append(buffer, n);
            } else if (n == 0 || errno != EINTR) {
                closeFd(fds[i].fd == out[0] ? out[0] : err[0]);
            }
        }
        // A grandchild may hold the outputs open after the child ended: what is there is kept, no more awaited.
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
            for (int* fd : {&out[0], &err[0]}) {
                if (*fd < 0)
                    continue;
                ::fcntl(*fd, F_SETFL, ::fcntl(*fd, F_GETFL) | O_NONBLOCK);
                char buffer[65536];
                ssize_t n;
                while ((n = ::read(*fd, buffer, sizeof buffer)) > 0)
                    (*fd == out[0] ? run.out : run.err).append(buffer, n);
            }
            break;
        }
    }
    for (int* fd : {&in[1], &out[0], &err[0]})
        closeFd(*fd);

    // The outputs can close before the child ends; its end is awaited within what is left of the deadline.
    int status = 0;
    rusage usage{};
    pid_t ended = 0;
    while (!killed) {
        run.peakRssKiB = std::max(run.peakRssKiB, residentPeakKiB(pid, program));
        ended = ::wait4(pid, &status, WNOHANG, &usage);
        if (ended != 0 || clock.elapsed() >= timeoutMs)
            break;
        ::usleep(2000);
    }
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        killed = true;
    }
    if (killed) {
        do {
            ended = ::wait4(pid, &status, 0, &usage);
        } while (ended < 0 && errno == EINTR);
    }
    run.wallMs = clock.elapsed();
    if (ended == pid) {
        run.finished = !killed && WIFEXITED(status);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

CliRun runTool(const QString& program, const QStringList& arguments, int timeoutMs,
               const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    CliRun result;
    result.finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!result.finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace TestSupport
