#include "support/message_recorder.h"

namespace TestSupport {

void MessageRecorder::show(const QString& text, const QString& caption, Base::Icon icon) {
    boxes.append({text, caption, icon, false});
}

bool MessageRecorder::confirm(const QString& text, const QString& caption, Base::Icon icon) {
    boxes.append({text, caption, icon, true});
    return answers.isEmpty() ? true : answers.takeFirst();
}

MessageRecorder& installRecorder() {
    auto recorder = std::make_unique<MessageRecorder>();
    MessageRecorder& ref = *recorder;
    Ui::setMessageService(std::move(recorder));
    return ref;
}

} // namespace TestSupport
