#include "web/device_get.h"

#include "web/http_request.h"
#include "web/tcp_exchange.h"

namespace Web {

DeviceResponse SplitDeviceAnswer(const QByteArray& answer) {
    DeviceResponse response;
    const qsizetype tag = answer.toLower().indexOf("<html>");
    if (tag < 0)
        return response;
    response.header = answer.first(tag);
    response.page = answer.sliced(tag);
    response.status = AnswerStatus(answer);
    return response;
}

int AnswerStatus(QByteArrayView answer) {
    const QByteArray lower = answer.toByteArray().toLower();
    const qsizetype http = lower.indexOf("http/");
    if (http < 0)
        return 1;
    qsizetype pos = lower.indexOf(' ', http);
    if (pos < 0)
        return 1;
    // Read as a C library would read a decimal number: leading white space skipped.
    while (pos < answer.size() && (answer[pos] == ' ' || answer[pos] == '\t'))
        ++pos;
    qsizetype end = pos;
    qint64 value = 0;
    while (end < answer.size() && answer[end] >= '0' && answer[end] <= '9' && end - pos < 9) {
        value = value * 10 + (answer[end] - '0');
        ++end;
    }
    return end > pos ? static_cast<int>(value) : 1;
}

DeviceResponse DeviceGet(const QString& ip, const QString& userName, const QString& password, const QString& path,
                         const Settings& settings, const QDeadlineTimer& deadline) {
    AnswerAssembler answer;
    const Error error =
        exchange(ip, settings.devicePort, DeviceGetRequest(ip, userName, password, path), settings, deadline, answer);
    if (error) {
        DeviceResponse failed;
        failed.error = error;
        return failed;
    }
    return SplitDeviceAnswer(answer.decoded());
}

} // namespace Web
