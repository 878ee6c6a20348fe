#include "app/window_web_host.h"

#include "app/message_box.h"
#include "app/request_runner.h"

namespace App {

void WindowWebHost::showMessage(const Refusal& box) {
    showRefusal(box);
}

void WindowWebHost::runRequest(const std::function<void()>& request) {
    App::runRequest(request);
}

} // namespace App
