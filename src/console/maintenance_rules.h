#pragma once

#include "base/refusal.h"
#include "console/cgi_change.h"
#include "web/multipart.h"

#include <QString>

#include <memory>
#include <optional>

namespace Console {

// What the unit made of a firmware image, judged by its answer and by how the connection ended.
enum class UploadVerdict {
    Accepted,    // the whole image went out and the unit redirected to the form's success page on itself
    TooLarge,    // it aborted the connection while the image went up
    Unconfirmed, // a 2xx answer without a redirect: it said neither yes nor no
    Refused,     // any other answer, a stall or a broken image file
    Unreachable, // no connection, or it broke before the unit could judge the image
};
UploadVerdict judgeUpload(const Web::PostResult& result, const UnitAddress& unit);
// Whether the answer is that redirect: one Location, a redirect status, the same
// unit, and the page man_firm.htm (in any case; fail.htm and the rest are not).
bool firmwareConfirmed(const Web::PostResult& result, const UnitAddress& unit);
// A firmware image must be a regular, non-empty file: anything else (a FIFO, a
// device, a folder) is refused with these words before any question or request.
std::optional<Base::Refusal> firmwareFileRefusal(const QString& path);

// The firmware form: redirect, failure and type fields, then the image as the part "filename", named by
// its path as given. A file that cannot be opened is an error before anything is built.
Web::Result<std::unique_ptr<Web::THttpDataStream>>
firmwareBody(const QString& path, const QDateTime& created = QDateTime::currentDateTime());
QString firmwareUrl(const UnitAddress& unit);
// The Referer of the post: the unit's maintenance page, by its address alone.
QString firmwareReferer(const UnitAddress& unit);

// The two requests of the page; the page they name is never read again.
CgiChange rebootChange(const UnitAddress& unit);
CgiChange factoryDefaultsChange(const UnitAddress& unit);

// What a person sees while a unit works before it answers (writing an image, formatting a disk).
QString workWaitText(qint64 waitedMs, int boundMs);

Base::Refusal uploadQuestion();
Base::Refusal uploadAcceptedQuestion(); // asks for the reboot that starts the new image
Base::Refusal uploadTooLarge();
Base::Refusal uploadFailed();
Base::Refusal rebootQuestion();
Base::Refusal factoryDefaultsQuestion();

} // namespace Console
