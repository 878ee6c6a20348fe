#pragma once

#include "base/refusal.h"

#include <QString>

#include <memory>

class QMessageBox;

namespace Ui {

// Every box of the program goes through here, so tests can record boxes and
// answer confirmations without a real modal window.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual void show(const QString& text, const QString& caption, Base::Icon icon) = 0;
    // OK answers true; Cancel or closing the box answers false.
    virtual bool confirm(const QString& text, const QString& caption, Base::Icon icon) = 0;
};

// The box the real service shows, built but not shown, so that tests can look at it.
std::unique_ptr<QMessageBox> createMessageBox(const QString& text, const QString& caption, Base::Icon icon,
                                              bool withCancel);

// Installs a service; returns the previous one. Passing nullptr restores the real boxes.
std::unique_ptr<MessageService> setMessageService(std::unique_ptr<MessageService> service);

// Texts as given, already translated.
void showMessage(const QString& text, const QString& caption, Base::Icon icon);
bool confirm(const QString& text, const QString& caption, Base::Icon icon);

// Text and caption translated separately, as every box of the program does.
void showLocalized(const QString& textKey, const QString& captionKey, Base::Icon icon);
bool confirmLocalized(const QString& textKey, const QString& captionKey, Base::Icon icon);
void showRefusal(const Base::Refusal& refusal);

} // namespace Ui
