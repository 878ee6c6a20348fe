#include "ui/window_web_host.h"

#include "ui/message_box.h"
#include "ui/request_runner.h"

namespace Ui {

void WindowWebHost::showMessage(const Base::Refusal& box) {
    showRefusal(box);
}

void WindowWebHost::runRequest(const std::function<void()>& request) {
    Ui::runRequest(request);
}

} // namespace Ui
