#pragma once

#include "cli_options.h"

#include "app/refusal.h"
#include "web/web_host.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace Cli {

// Who the requests are made as: -u/--user and -p/--password (or ZUREDOR_PASSWORD).
struct Credentials {
    QString user = QStringLiteral("admin");
    QString password;
};

// What the windows would show in a box becomes printed words: on standard
// output, or on standard error when standard output holds JSON.
class PrintingHost final : public Web::WebHost {
public:
    explicit PrintingHost(bool json) : m_json(json) {}
    void showMessage(const App::Refusal& box) override;
    // Control characters in the words are shown escaped.
    void say(const QString& words);
    // What was said last, for the "error" of a JSON answer.
    QString lastWords() const { return m_lastWords; }

private:
    bool m_json;
    QString m_lastWords;
};

// The unit's utility page, or the exit status of a read that failed (its words already said).
struct PageRead {
    QByteArray page;
    int exitCode = kExitDone;
};
PageRead readPage(const GlobalOptions& global, const Credentials& credentials, const QString& ip);

// "done", "refused", "credentials" or "unreachable", after the exit status.
const char* resultWord(int exitCode);
// The one JSON object of a command that failed.
void writeFailure(const QString& ip, int exitCode, const QString& words);

Web::DeviceContext contextFor(const Credentials& credentials, const QString& ip);
// Indented JSON on standard output.
void writeJson(const QJsonObject& object);

// `login IP`: the device login's checks; "OK" when they pass.
int runLogin(const GlobalOptions& global, const Credentials& credentials, const QString& ip);
// `page IP`: the utility page text as the unit sent it, from "<HTML>" on.
int runPage(const GlobalOptions& global, const Credentials& credentials, const QString& ip);
// `get IP NAME...`: one line per name with the page's value, empty where there is none.
int runGet(const GlobalOptions& global, const Credentials& credentials, const QString& ip, const QStringList& names);

// The password when neither -p nor ZUREDOR_PASSWORD gave one: asked for without
// echo on a terminal, empty otherwise.
QString askPassword();

} // namespace Cli
