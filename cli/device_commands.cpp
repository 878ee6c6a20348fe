#include "device_commands.h"

#include "app/localize.h"
#include "login/login_check.h"
#include "web/page_fetch.h"
#include "web/page_values.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace Cli {

namespace {

void write(FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void writeJson(const QJsonObject& object) {
    write(stdout, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

Web::DeviceContext contextFor(const Credentials& credentials, const QString& ip) {
    return {ip, credentials.user, credentials.password};
}

PageRead readPage(const GlobalOptions& global, const Credentials& credentials, const QString& ip) {
    PrintingHost host(global.json);
    const Web::DeviceResponse response =
        Web::FetchPage(contextFor(credentials, ip), Web::settingsFor(global.network), host);
    if (response.page.isEmpty())
        return {{}, kExitUnreachable};
    if (response.status == 401)
        return {{}, kExitCredentials};
    if (response.status != 200)
        return {{}, kExitUnreachable};
    return {response.page, kExitDone};
}

void PrintingHost::showMessage(const App::Refusal& box) {
    say(App::refusalText(box));
}

void PrintingHost::say(const QString& words) const {
    write(m_json ? stderr : stdout, words.toUtf8() + '\n');
}

int runLogin(const GlobalOptions& global, const Credentials& credentials, const QString& ip) {
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
        writeJson({{QStringLiteral("ip"), ip},
                   {QStringLiteral("result"), QString::fromLatin1(kResults[static_cast<int>(outcome.result)])},
                   {QStringLiteral("checks"), outcome.checks}});
    }
    return exitCode;
}

int runPage(const GlobalOptions& global, const Credentials& credentials, const QString& ip) {
    const PageRead read = readPage(global, credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    if (global.json)
        writeJson({{QStringLiteral("ip"), ip}, {QStringLiteral("page"), QString::fromUtf8(read.page)}});
    else
        write(stdout, read.page);
    return kExitDone;
}

int runGet(const GlobalOptions& global, const Credentials& credentials, const QString& ip, const QStringList& names) {
    const PageRead read = readPage(global, credentials, ip);
    if (read.exitCode != kExitDone)
        return read.exitCode;
    QJsonObject values;
    QByteArray lines;
    for (const QString& name : names) {
        const QByteArray value = Web::PageValue(read.page, name.toUtf8() + "=\"");
        values.insert(name, QString::fromUtf8(value));
        lines += value + '\n';
    }
    if (global.json)
        writeJson(values);
    else
        write(stdout, lines);
    return kExitDone;
}

QString askPassword() {
    if (!::isatty(STDIN_FILENO))
        return {};
    std::fputs("Password: ", stderr);
    std::fflush(stderr);
    termios old{};
    const bool haveTerminal = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (haveTerminal) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (haveTerminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    std::fputs("\n", stderr);
    return QString::fromStdString(line);
}

} // namespace Cli
