#pragma once

#include "cli_options.h"
#include "command.h"
#include "device_commands.h"

#include "console/cgi_change.h"
#include "web/http_client.h"
#include "web/send_cgi.h"

namespace Cli {

// The console as SendCgi sees it from a terminal: boxes become words, there is
// no page to read again and no scan to start.
class TerminalConsole final : public Web::SendCgiHost {
public:
    TerminalConsole(bool json, int tab) : m_printer(json), m_tab(tab) {}

    void showMessage(const Base::Refusal& box) override { m_printer.showMessage(box); }
    void readPageAgain(int) override {}
    int viewInSight() override { return m_tab; }
    QString newPassword() override { return password; }
    bool addressFromDhcp() override { return automatic; }
    QString newAddress() override { return address; }
    void findUnitAgain() override {}
    void unitUnreachable() override { unreachable = true; }

    PrintingHost& printer() { return m_printer; }

    QString password;
    QString address;
    bool automatic = false;
    bool unreachable = false;

private:
    PrintingHost m_printer;
    int m_tab;
};

// Sends a change as the console would and turns what came of it into an exit
// status: 0 taken, 1 refused or not confirmed, 2 credentials, 3 no answer.
class ChangeSender final {
public:
    ChangeSender(const GlobalOptions& global, const Credentials& credentials, const QString& ip, int tab);

    TerminalConsole& console() { return m_console; }
    int send(const Console::CgiChange& change, bool repeated);
    // The notice some changes end with, whatever came of them.
    void say(const Base::Refusal& box) { m_console.showMessage(box); }
    // "OK" for a change done; with --json the one object of the result.
    int finish(int exitCode);

private:
    int tab() { return m_console.viewInSight(); }
    int judge(Web::SendCgiResult result, const QString& page);

    const GlobalOptions& m_global;
    Web::Settings m_settings;
    Web::DeviceContext m_device;
    Web::HttpClient m_client;
    TerminalConsole m_console;
    Web::CgiSender m_sender;
};

// A check refused the command: its words, exit 1, nothing sent.
int refuse(const GlobalOptions& global, const QString& ip, const Base::Refusal& refusal);

// What a question unanswered for want of a terminal adds: how to confirm.
inline constexpr const char* kConfirmHint = "nothing was sent: there is no terminal to ask on; add --yes to confirm";

// A question the window asks before a change on the unit IP: yes with --yes;
// asked on a terminal. Without one, its words are said with kConfirmHint on standard
// error, and the answer is no. A no prints the JSON failure with --json (the
// hint as "hint").
bool confirmed(const Invocation& call, const Base::Refusal& question);

} // namespace Cli
