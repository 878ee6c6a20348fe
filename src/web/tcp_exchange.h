#pragma once

#include "web/http_answer.h"
#include "web/web_error.h"
#include "web/web_settings.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

namespace Web {

// Milliseconds to wait for one step: the step's own limit, cut to what is left
// of the deadline. 0 when the deadline has passed.
int stepTimeout(int stepMs, const QDeadlineTimer& deadline);

// One blocking request and answer on a fresh TCP connection, in the calling
// thread and without an event loop: connect, send, and read until the answer is
// whole or the peer closes, within the connect, per-read and whole deadlines
// and the read cap. The connection is closed on return.
Error exchange(const QString& host, quint16 port, const QByteArray& request, const Settings& settings,
               const QDeadlineTimer& deadline, AnswerAssembler& answer);

} // namespace Web
