#include "device_commands.h"

#include "terminal_text.h"

#include "base/list_bounds.h"
#include "base/localize.h"
#include "login/login_check.h"
#include "web/page_fetch.h"
#include "web/page_values.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace Cli {

namespace {

void write(FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void note(const QString& words) {
    write(stderr, terminalSafe(words.toUtf8()) + '\n');
}

void noteListCut(const char* caption) {
    note(QStringLiteral("%1 is cut: the unit's page holds more than the %2 entries (or %3 MiB of text) that are kept")
             .arg(QString::fromLatin1(caption))
             .arg(Base::kMaxListEntries)
             .arg(Base::kMaxListText / (qsizetype{1024} * 1024)));
}

void writeJson(const QJsonObject& object) {
    write(stdout, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

Web::DeviceContext contextFor(const Credentials& credentials, const QString& ip) {
    return {ip, credentials.user, credentials.password};
}

const char* resultWord(int exitCode) {
    switch (exitCode) {
    case kExitDone:
        return "done";
    case kExitRefused:
        return "refused";
    case kExitCredentials:
        return "credentials";
    case kExitUsage:
        return "usage";
    default:
        return "unreachable";
    }
}

void writeFailure(const QString& ip, int exitCode, const QString& words) {
    writeJson({{QStringLiteral("ip"), ip},
               {QStringLiteral("result"), QString::fromLatin1(resultWord(exitCode))},
               {QStringLiteral("error"), words}});
}

void writeUsageFailure(const QString& words) {
    writeJson(
        {{QStringLiteral("result"), QString::fromLatin1(resultWord(kExitUsage))}, {QStringLiteral("error"), words}});
}

PageRead readPage(const GlobalOptions& global, const Credentials& credentials, const QString& ip) {
    const Web::Settings settings = Web::settingsFor(global.network);
    const Web::DeviceResponse response =
        Web::ReadUtilityPage(contextFor(credentials, ip), settings, QDeadlineTimer(settings.retryBudgetMs));
    if (!response.page.isEmpty() && response.status == 200)
        return {response.page, kExitDone};
    // A refused password gets the login's words; the page reader's own say "Connection Fail" for it too.
    PageRead failed{{}, kExitUnreachable};
    Base::Refusal words{QStringLiteral("Connection Fail"), QStringLiteral("Connect"), Base::Icon::Error};
    if (!response.page.isEmpty() && response.status == 401) {
        failed.exitCode = kExitCredentials;
        words = *Login::LoginRefusal(Login::CheckResult::Refused);
    }
    PrintingHost host(global.json);
    host.showMessage(words);
    if (global.json)
        writeFailure(ip, failed.exitCode, host.lastWords());
    return failed;
}

void PrintingHost::showMessage(const Base::Refusal& box) {
    say(Base::refusalText(box));
}

void PrintingHost::say(const QString& words) {
    m_lastWords = words;
    // The words may hold a unit's text or a language file's; a box may join two texts by a line feed.
    QByteArray out;
    for (const QByteArray& line : words.toUtf8().split('\n'))
        out += terminalSafe(line) + '\n';
    write(m_json ? stderr : stdout, out);
}

namespace {

// `login IP`: the device login's checks; "OK" when they pass.
int runLogin(const Invocation& call) {
    const GlobalOptions& global = call.global;
    const QString ip = call.arguments.text("IP");
    const Credentials& credentials = call.credentials;
    const Login::LoginOutcome outcome =
        Login::RunLoginChecks(contextFor(credentials, ip), Web::settingsFor(global.network));
    PrintingHost host(global.json);
    int exitCode = kExitDone;
    if (const auto refusal = Login::LoginRefusal(outcome.result)) {
        host.showMessage(*refusal);
        exitCode = outcome.result == Login::CheckResult::Refused ? kExitCredentials : kExitUnreachable;
    } else {
        host.say(QStringLiteral("OK"));
    }
    if (global.json) {
        static const char* const kResults[] = {"passed", "refused", "failed", "unreachable"};
        QJsonObject object{{QStringLiteral("ip"), ip},
                           {QStringLiteral("result"), QString::fromLatin1(kResults[static_cast<int>(outcome.result)])},
                           {QStringLiteral("checks"), outcome.checks}};
        if (exitCode != kExitDone)
            object.insert(QStringLiteral("error"), host.lastWords());
        writeJson(object);
    }
    return exitCode;
}

// `page IP`: the utility page text as the unit sent it, from "<HTML>" on.
int runPage(const Invocation& call) {
    const GlobalOptions& global = call.global;
    const QString ip = call.arguments.text("IP");
    const PageRead read = readPage(global, call.credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    if (global.json)
        writeJson({{QStringLiteral("ip"), ip}, {QStringLiteral("page"), QString::fromUtf8(read.page)}});
    else
        write(stdout, read.page);
    return kExitDone;
}

// `get IP NAME...`: one line per name with the page's value, empty where there is none.
int runGet(const Invocation& call) {
    const GlobalOptions& global = call.global;
    const QString ip = call.arguments.text("IP");
    const QStringList names = call.arguments.texts("NAME");
    const PageRead read = readPage(global, call.credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    QJsonObject values;
    QByteArray lines;
    for (const QString& name : names) {
        const QByteArray value = Web::PageValue(read.page, name.toUtf8() + "=\"");
        values.insert(name, QString::fromUtf8(value));
        // One line per name, whatever line ends or escapes the value holds.
        lines += terminalSafe(value) + '\n';
    }
    if (global.json)
        writeJson(values);
    else
        write(stdout, lines);
    return kExitDone;
}

const Command kDeviceCommands[] = {
    {"login",
     "Check the user name and password with a unit, as the device login does",
     {unitAddress()},
     Command::NeedsCredentials,
     runLogin},
    {"page", "Print the unit's utility page from \"<HTML>\" on", {unitAddress()}, Command::NeedsCredentials, runPage},
    {"get",
     "Print page values, one line per name, empty where the page has none",
     {unitAddress(), {"NAME", "Page variable names, such as host_name", Argument::Kind::Texts, true}},
     Command::NeedsCredentials,
     runGet},
};

} // namespace

std::span<const Command> deviceCommands() {
    return kDeviceCommands;
}

#ifdef Q_OS_WIN

namespace {

// The console as it was before the prompt turned echo off, for a Ctrl-C or a
// closed window that ends the program in the middle of it.
HANDLE g_console = INVALID_HANDLE_VALUE;
DWORD g_savedMode = 0;
volatile LONG g_echoOff = 0;

BOOL WINAPI restoreConsole(DWORD) {
    if (InterlockedCompareExchange(&g_echoOff, 0, 1) == 1)
        SetConsoleMode(g_console, g_savedMode);
    return FALSE; // and the default handler ends the program
}

// One line from a console without echo, the console put back whatever ends the program.
QString readHidden(const char* prompt) {
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    g_console = GetStdHandle(STD_INPUT_HANDLE);
    const bool haveConsole = GetConsoleMode(g_console, &g_savedMode) != 0;
    if (haveConsole) {
        SetConsoleCtrlHandler(restoreConsole, TRUE);
        g_echoOff = 1;
        SetConsoleMode(g_console, g_savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    }
    std::string line;
    std::getline(std::cin, line);
    if (haveConsole) {
        restoreConsole(0);
        SetConsoleCtrlHandler(restoreConsole, FALSE);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    std::fputs("\n", stderr);
    return QString::fromStdString(line);
}

} // namespace

#else

namespace {

// The terminal as it was before the prompt turned echo off, for a signal that
// ends the program in the middle of it.
termios g_savedTerminal{};
volatile sig_atomic_t g_echoOff = 0;

extern "C" void restoreTerminalAndDie(int signal) {
    if (g_echoOff)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

constexpr int kPromptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

} // namespace

namespace {

// One line from a terminal without echo, the terminal put back whatever ends the program.
QString readHidden(const char* prompt) {
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    const bool haveTerminal = ::tcgetattr(STDIN_FILENO, &g_savedTerminal) == 0;
    struct sigaction previous[std::size(kPromptSignals)]{};
    if (haveTerminal) {
        struct sigaction restore {};
        restore.sa_handler = restoreTerminalAndDie;
        sigemptyset(&restore.sa_mask);
        for (std::size_t i = 0; i < std::size(kPromptSignals); ++i)
            ::sigaction(kPromptSignals[i], &restore, &previous[i]);
        termios quiet = g_savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        g_echoOff = 1;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (haveTerminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
        g_echoOff = 0;
        for (std::size_t i = 0; i < std::size(kPromptSignals); ++i)
            ::sigaction(kPromptSignals[i], &previous[i], nullptr);
    }
    std::fputs("\n", stderr);
    return QString::fromStdString(line);
}

} // namespace

#endif

QString askPassword() {
    if (!::isatty(STDIN_FILENO))
        return {};
    return readHidden("Password: ");
}

std::optional<QString> askOnTerminal(const char* prompt) {
    if (!::isatty(STDIN_FILENO))
        return std::nullopt;
    return readHidden(prompt);
}

QString askSecret(const char* prompt) {
    if (::isatty(STDIN_FILENO))
        return readHidden(prompt);
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

} // namespace Cli
