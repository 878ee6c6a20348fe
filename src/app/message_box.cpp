#include "app/message_box.h"

#include "app/localize.h"

#include <QMessageBox>

namespace App {

namespace {

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

class QtMessageService final : public MessageService {
public:
    void show(const QString& text, const QString& caption, Icon icon) override {
        createMessageBox(text, caption, icon, false)->exec();
    }
    bool confirm(const QString& text, const QString& caption, Icon icon) override {
        return createMessageBox(text, caption, icon, true)->exec() == QMessageBox::Ok;
    }
};

std::unique_ptr<MessageService>& current() {
    static std::unique_ptr<MessageService> service = std::make_unique<QtMessageService>();
    return service;
}

} // namespace

std::unique_ptr<QMessageBox> createMessageBox(const QString& text, const QString& caption, Icon icon, bool withCancel) {
    auto box = std::make_unique<QMessageBox>(toQt(icon), caption, QString(),
                                             withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    // Texts hold what a unit or a file said: never markup to render or files to load.
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    return box;
}

std::unique_ptr<MessageService> setMessageService(std::unique_ptr<MessageService> service) {
    if (!service)
        service = std::make_unique<QtMessageService>();
    std::swap(service, current());
    return service;
}

void showMessage(const QString& text, const QString& caption, Icon icon) {
    current()->show(text, caption, icon);
}

bool confirm(const QString& text, const QString& caption, Icon icon) {
    return current()->confirm(text, caption, icon);
}

void showLocalized(const QString& textKey, const QString& captionKey, Icon icon) {
    showMessage(LocalizeText(textKey), LocalizeText(captionKey), icon);
}

bool confirmLocalized(const QString& textKey, const QString& captionKey, Icon icon) {
    return confirm(LocalizeText(textKey), LocalizeText(captionKey), icon);
}

void showRefusal(const Refusal& refusal) {
    showMessage(refusalText(refusal), LocalizeText(refusal.captionKey), refusal.icon);
}

} // namespace App
