#include "change_sender.h"

#include "base/localize.h"
#include "console/ip_config.h"
#include "login/login_check.h"

#include <QJsonObject>

#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

namespace Cli {

ChangeSender::ChangeSender(const GlobalOptions& global, const Credentials& credentials, const QString& ip, int tab)
    : m_global(global), m_settings(Web::settingsFor(global.network)), m_device(contextFor(credentials, ip)),
      m_client(m_settings), m_console(global.json, tab), m_sender(m_client, m_device, m_console, m_settings) {}

int ChangeSender::send(const Console::CgiChange& change, bool repeated) {
    const Web::SendCgiResult result = repeated ? m_sender.SendRepeated(change.url, change.page, tab())
                                               : m_sender.SendCgi(change.url, change.page, tab());
    return judge(result, change.page);
}

int ChangeSender::finish(int exitCode) {
    if (exitCode == kExitDone)
        m_console.printer().say(QStringLiteral("OK"));
    if (!m_global.json)
        return exitCode;
    if (exitCode == kExitDone)
        writeJson({{QStringLiteral("ip"), m_device.ip},
                   {QStringLiteral("result"), QString::fromLatin1(resultWord(exitCode))}});
    else
        writeFailure(m_device.ip, exitCode, m_console.printer().lastWords());
    return exitCode;
}

int ChangeSender::judge(Web::SendCgiResult result, const QString& page) {
    if (result == Web::SendCgiResult::Unreachable || m_console.unreachable)
        return kExitUnreachable;
    // A redirect shows the unit took the request; after a password change the
    // page it leads to may well answer 401 to the old credentials.
    if (m_client.lastStatus() == 401 && m_client.followedLocations().isEmpty()) {
        if (const auto refusal = Login::LoginRefusal(Login::CheckResult::Refused))
            m_console.showMessage(*refusal);
        return kExitCredentials;
    }
    if (m_sender.unitRefused() || result == Web::SendCgiResult::Refused) {
        // SendCgi has its own words for a refused password or address.
        if (page != QLatin1String("sys_auth.htm") && page != Console::addressChangePage())
            m_console.showMessage({QStringLiteral("The unit did not accept the setting"), QStringLiteral("Action"),
                                   Base::Icon::Information});
        return kExitRefused;
    }
    // The unit may leave its old address before it answers an address change.
    // Otherwise SendCgi has said what went wrong; here it becomes the exit status.
    if (page == Console::addressChangePage())
        return kExitDone;
    switch (m_sender.lastOutcome()) {
    case Web::ChangeOutcome::NoAnswer:
        return kExitUnreachable;
    case Web::ChangeOutcome::Unconfirmed:
        return kExitRefused;
    case Web::ChangeOutcome::Taken:
    case Web::ChangeOutcome::Refused:
        break;
    }
    return kExitDone;
}

int refuse(const GlobalOptions& global, const QString& ip, const Base::Refusal& refusal) {
    PrintingHost host(global.json);
    host.showMessage(refusal);
    if (global.json)
        writeFailure(ip, kExitRefused, host.lastWords());
    return kExitRefused;
}

bool confirmed(const Invocation& call, const Base::Refusal& question) {
    if (call.arguments.has("--yes"))
        return true;
    const GlobalOptions& global = call.global;
    PrintingHost host(global.json);
    QString hint;
    bool agreed = false;
    if (!::isatty(STDIN_FILENO)) {
        host.showMessage(question);
        hint = QString::fromLatin1(kConfirmHint);
        note(QStringLiteral("zuredor-cli: ") + hint);
    } else {
        std::fprintf(stderr, "%s [y/N] ", qPrintable(Base::refusalText(question)));
        std::fflush(stderr);
        std::string answer;
        std::getline(std::cin, answer);
        agreed = answer == "y" || answer == "Y" || answer == "yes";
    }
    if (!agreed && global.json) {
        QJsonObject failure{{QStringLiteral("ip"), call.arguments.text("IP")},
                            {QStringLiteral("result"), QString::fromLatin1(resultWord(kExitRefused))},
                            {QStringLiteral("error"), Base::refusalText(question)}};
        if (!hint.isEmpty())
            failure.insert(QStringLiteral("hint"), hint);
        writeJson(failure);
    }
    return agreed;
}

} // namespace Cli
