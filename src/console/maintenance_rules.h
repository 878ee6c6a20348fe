#pragma once

#include "base/refusal.h"
#include "console/cgi_change.h"
#include "web/multipart.h"

#include <QString>

#include <memory>

namespace Console {

// What the unit made of a firmware image, judged by its answer and by how the connection ended.
enum class UploadVerdict {
    Accepted,    // it redirected to anything but its failure page
    TooLarge,    // it aborted the connection while the image went up
    Unconfirmed, // a 2xx answer without a redirect: it said neither yes nor no
    Refused,     // any other answer, a stall or a broken image file
    Unreachable, // no connection, or it broke before the unit could judge the image
};
UploadVerdict judgeUpload(const Web::PostResult& result);

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

Base::Refusal uploadQuestion();
Base::Refusal uploadAcceptedQuestion(); // asks for the reboot that starts the new image
Base::Refusal uploadTooLarge();
Base::Refusal uploadFailed();
Base::Refusal rebootQuestion();
Base::Refusal factoryDefaultsQuestion();

} // namespace Console
