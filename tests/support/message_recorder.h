#pragma once

#include "ui/message_box.h"

#include <QList>
#include <QString>

namespace TestSupport {

struct RecordedBox {
    QString text;
    QString caption;
    Base::Icon icon;
    bool confirmation;
};

// Keeps every box the program shows and answers confirmations from a script.
class MessageRecorder final : public Ui::MessageService {
public:
    void show(const QString& text, const QString& caption, Base::Icon icon) override;
    bool confirm(const QString& text, const QString& caption, Base::Icon icon) override;

    QList<RecordedBox> boxes;
    // Answers for the next confirmations, in order; OK once they run out.
    QList<bool> answers;
};

// Installs a fresh recorder and returns it (owned by the message service).
MessageRecorder& installRecorder();

} // namespace TestSupport
