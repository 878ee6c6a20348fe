#pragma once

#include "cli_options.h"
#include "command.h"

#include "base/refusal.h"
#include "web/web_host.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace Cli {

// What the windows would show in a box becomes printed words: on standard
// output, or on standard error when standard output holds JSON.
class PrintingHost final : public Web::WebHost {
public:
    explicit PrintingHost(bool json) : m_json(json) {}
    void showMessage(const Base::Refusal& box) override;
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

// Words about what is printed, not one of the window's boxes: always on
// standard error, so that standard output keeps the list or the JSON alone.
void note(const QString& words);
// The note for a list cut at the list bound, such as "Folder List".
void noteListCut(const char* caption);

// "done", "refused", "credentials", "unreachable" or "usage", after the exit status.
const char* resultWord(int exitCode);
// The one JSON object of a command that failed.
void writeFailure(const QString& ip, int exitCode, const QString& words);
// The one JSON object of a command line that did not parse: result "usage".
void writeUsageFailure(const QString& words);

Web::DeviceContext contextFor(const Credentials& credentials, const QString& ip);
// Indented JSON on standard output.
void writeJson(const QJsonObject& object);

// The password when neither -p nor ZUREDOR_PASSWORD gave one: asked for without
// echo on a terminal, empty otherwise.
QString askPassword();
// A secret asked for without echo when standard input is a terminal; nothing without one.
std::optional<QString> askOnTerminal(const char* prompt);
// A secret the command sets, such as a new password: asked for without echo
// on a terminal, else the next line of standard input.
QString askSecret(const char* prompt);

} // namespace Cli
