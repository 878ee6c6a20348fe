#include "ui/message_box.h"

#include "base/localize.h"

#include <QMessageBox>

namespace Ui {

namespace {

QMessageBox::Icon toQt(Base::Icon icon) {
    switch (icon) {
    case Base::Icon::Error:
        return QMessageBox::Critical;
    case Base::Icon::Information:
        return QMessageBox::Information;
    case Base::Icon::Question:
        return QMessageBox::Question;
    case Base::Icon::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

class QtMessageService final : public MessageService {
public:
    void show(const QString& text, const QString& caption, Base::Icon icon) override {
        createMessageBox(text, caption, icon, false)->exec();
    }
    bool confirm(const QString& text, const QString& caption, Base::Icon icon) override {
        return createMessageBox(text, caption, icon, true)->exec() == QMessageBox::Ok;
    }
};

std::unique_ptr<MessageService>& current() {
    static std::unique_ptr<MessageService> service = std::make_unique<QtMessageService>();
    return service;
}

} // namespace

std::unique_ptr<QMessageBox> createMessageBox(const QString& text, const QString& caption, Base::Icon icon,
                                              bool withCancel) {
    auto box = std::make_unique<QMessageBox>(toQt(icon), caption, QString(),
                                             withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    // Texts hold what a unit or a file said: never markup to render or files to load.
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    // Every question's OK deletes, formats, clears, resets, flashes or restarts: Enter and Escape say no.
    if (withCancel) {
        box->setDefaultButton(QMessageBox::Cancel);
        box->setEscapeButton(QMessageBox::Cancel);
    }
    return box;
}

std::unique_ptr<MessageService> setMessageService(std::unique_ptr<MessageService> service) {
    if (!service)
        service = std::make_unique<QtMessageService>();
    std::swap(service, current());
    return service;
}

void showMessage(const QString& text, const QString& caption, Base::Icon icon) {
    current()->show(text, caption, icon);
}

bool confirm(const QString& text, const QString& caption, Base::Icon icon) {
    return current()->confirm(text, caption, icon);
}

void showLocalized(const QString& textKey, const QString& captionKey, Base::Icon icon) {
    showMessage(Base::LocalizeText(textKey), Base::LocalizeText(captionKey), icon);
}

bool confirmLocalized(const QString& textKey, const QString& captionKey, Base::Icon icon) {
    return confirm(Base::LocalizeText(textKey), Base::LocalizeText(captionKey), icon);
}

void showRefusal(const Base::Refusal& refusal) {
    showMessage(Base::refusalText(refusal), Base::LocalizeText(refusal.captionKey), refusal.icon);
}

} // namespace Ui
