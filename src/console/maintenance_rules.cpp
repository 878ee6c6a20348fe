#include "console/maintenance_rules.h"

#include "web/http_request.h"
#include "web/page_values.h"

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

UploadVerdict judgeUpload(const Web::PostResult& result) {
    using Outcome = Web::PostResult::Outcome;
    switch (result.outcome) {
    case Outcome::Completed:
        return UploadVerdict::Unconfirmed;
    case Outcome::Answered:
        // A redirect to the form's failure page is a refusal, whatever its status says.
        if (result.status >= 300 && result.status < 400 && !result.location.contains("fail.htm"))
            return UploadVerdict::Accepted;
        return UploadVerdict::Refused;
    case Outcome::Aborted:
        return UploadVerdict::TooLarge;
    case Outcome::Stalled:
        return UploadVerdict::Refused;
    case Outcome::Failed:
        break;
    }
    return result.failureText.startsWith(QLatin1String("Socket Error # ")) ? UploadVerdict::Unreachable
                                                                           : UploadVerdict::Refused;
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
