#pragma once

#include "web/web_error.h"
#include "web/web_settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDeadlineTimer>
#include <QString>

namespace Web {

// What DeviceGet gives its callers. Status 0 means no usable answer: no
// connection, nothing received, or no "<HTML>" in it; 1 means an HTML answer
// whose status code could not be read. `error` says why there was no answer.
struct DeviceResponse {
    QByteArray header; // everything before "<HTML>"
    QByteArray page;   // from "<HTML>" on, as received (chunked coding undone)
    int status = 0;
    Error error;
};

// Splits a whole answer at its first "<HTML>" in any letter case and reads its status.
DeviceResponse SplitDeviceAnswer(const QByteArray& answer);

// The integer after the first blank that follows the first "HTTP/" in any
// letter case; 1 when there is none.
int AnswerStatus(QByteArrayView answer);

// The authenticated GET of a device page on the device port. Blocks the calling
// thread (any thread) until the answer is whole, the peer closes, or a deadline
// passes; `deadline` can shorten the whole exchange further.
DeviceResponse DeviceGet(const QString& ip, const QString& userName, const QString& password, const QString& path,
                         const Settings& settings, const QDeadlineTimer& deadline = QDeadlineTimer::Forever);

} // namespace Web
