#include "console/maintenance_rules.h"

#include "base/localize.h"
#include "web/http_request.h"
#include "web/page_values.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace Console {

namespace {

const char* const kFirmwareUpload = "Firmware Upload";

QString manRequest(const UnitAddress& unit, const char* action) {
    return Web::CgiRequest(unit.ip, unit.port, QStringLiteral("man.cgi"), QStringLiteral("reboot.htm"),
                           QString::fromLatin1(action), Web::CgiParameters());
}

Base::Refusal box(const char* message, const char* caption, Base::Icon icon, const char* secondLine = nullptr) {
    Base::Refusal refusal{QString::fromLatin1(message), QString::fromLatin1(caption), icon};
    if (secondLine)
        refusal.moreParts = {{QStringLiteral("\n"), false}, {QString::fromLatin1(secondLine), true}};
    return refusal;
}

} // namespace

UploadVerdict judgeUpload(const Web::PostResult& result, const UnitAddress& unit) {
    using Outcome = Web::PostResult::Outcome;
    switch (result.outcome) {
    case Outcome::Completed:
        return UploadVerdict::Unconfirmed;
    case Outcome::Answered:
        return firmwareConfirmed(result, unit) ? UploadVerdict::Accepted : UploadVerdict::Refused;
    case Outcome::Aborted:
        // Aborted after the whole image, the unit turned it down for another reason than its size.
        return result.wholeBody ? UploadVerdict::Refused : UploadVerdict::TooLarge;
    case Outcome::Stalled:
        return UploadVerdict::Refused;
    case Outcome::Failed:
        break;
    }
    return result.failureText.startsWith(QLatin1String("Socket Error # ")) ? UploadVerdict::Unreachable
                                                                           : UploadVerdict::Refused;
}

bool firmwareConfirmed(const Web::PostResult& result, const UnitAddress& unit) {
    // The unit's word for a whole image is its own redirect to the form's success page, and nothing else.
    static constexpr int kRedirects[] = {301, 302, 303, 307, 308};
    if (!result.wholeBody || result.locations != 1 ||
        std::find(std::begin(kRedirects), std::end(kRedirects), result.status) == std::end(kRedirects))
        return false;
    const Web::HttpUrl origin{unit.ip, unit.port, QStringLiteral("/man.cgi")};
    const Web::RedirectStep step = Web::judgeLocation(origin, origin, QString::fromLatin1(result.location));
    if (step.offUnit)
        return false;
    const Web::Result<Web::HttpUrl> target = Web::parseHttpUrl(step.target);
    QString path = target.ok() ? target.value().path : QString();
    path = path.left(path.indexOf(QLatin1Char('?'))).section(QLatin1Char('/'), -1);
    return path.compare(QLatin1String("man_firm.htm"), Qt::CaseInsensitive) == 0;
}

std::optional<Base::Refusal> firmwareFileRefusal(const QString& path) {
    const QFileInfo info(path);
    // A path that leads nowhere is left to the open, whose words are the system's.
    if (!info.exists())
        return std::nullopt;
    // Opening a FIFO would wait for a writer for good, and a device has no end or no size.
    if (!info.isFile())
        return Base::Refusal{QStringLiteral("The firmware image must be a regular file: "),
                             QString::fromLatin1(kFirmwareUpload),
                             Base::Icon::Information,
                             {{path, false}}};
    if (info.size() == 0)
        return Base::Refusal{QStringLiteral("The firmware image file is empty: "),
                             QString::fromLatin1(kFirmwareUpload),
                             Base::Icon::Information,
                             {{path, false}}};
    return std::nullopt;
}

Web::Result<std::unique_ptr<Web::THttpDataStream>> firmwareBody(const QString& path, const QDateTime& created) {
    auto body = std::make_unique<Web::THttpDataStream>(created);
    body->AddFormField("redirect", "man_firm.htm");
    body->AddFormField("failure", "fail.htm");
    body->AddFormField("type", "file_upload");
    if (const Web::Error error = body->AddFile("filename", path, "application/octet-stream"))
        return error;
    body->FinishBody();
    return body;
}

QString firmwareUrl(const UnitAddress& unit) {
    return Web::urlOrigin(unit.ip, unit.port) + QStringLiteral("/man.cgi");
}

QString firmwareReferer(const UnitAddress& unit) {
    return QStringLiteral("http://") + unit.ip + QStringLiteral("/maintain.htm");
}

CgiChange rebootChange(const UnitAddress& unit) {
    return {manRequest(unit, "reboot"), QStringLiteral("maintain.htm")};
}

CgiChange factoryDefaultsChange(const UnitAddress& unit) {
    return {manRequest(unit, "default_setting"), QStringLiteral("maintain.htm")};
}

QString workWaitText(qint64 waitedMs, int boundMs) {
    return Base::LocalizeText(QStringLiteral("Waiting for the unit to finish: %1 s (at most %2 min)"))
        .arg(waitedMs / 1000)
        .arg(QString::number(boundMs / 60000.0, 'g', 3));
}

Base::Refusal uploadQuestion() {
    return box("This will flash the firmware. Are you sure? continue?", kFirmwareUpload, Base::Icon::Question);
}

Base::Refusal uploadAcceptedQuestion() {
    return box("Upload Firmware Successful.", kFirmwareUpload, Base::Icon::Question, "Reboot new...");
}

Base::Refusal uploadTooLarge() {
    return box("Kernel Size is too large.", kFirmwareUpload, Base::Icon::Information);
}

Base::Refusal uploadFailed() {
    return box("Upload fail!", kFirmwareUpload, Base::Icon::Information);
}

Base::Refusal rebootQuestion() {
    return box("This will reboot the device.", "System Reboot", Base::Icon::Question,
               "All open connections will reset. continue?");
}

Base::Refusal factoryDefaultsQuestion() {
    return box("This will restore device's default settings. continue?", "Factory Defaults", Base::Icon::Question);
}

} // namespace Console
