#pragma once

#include "app/message_box.h"

#include <QList>
#include <QString>

namespace TestSupport {

struct RecordedBox {
    QString text;
    QString caption;
    App::Icon icon;
    bool confirmation;
};

// Keeps every box the program shows and answers confirmations from a script.
class MessageRecorder final : public App::MessageService {
public:
    void show(const QString& text, const QString& caption, App::Icon icon) override;
    bool confirm(const QString& text, const QString& caption, App::Icon icon) override;

    QList<RecordedBox> boxes;
    // Answers for the next confirmations, in order; OK once they run out.
    QList<bool> answers;
};

// Installs a fresh recorder and returns it (owned by the message service).
MessageRecorder& installRecorder();

} // namespace TestSupport
