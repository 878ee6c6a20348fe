#pragma once

#include "web/web_host.h"

namespace Ui {

// How the windows run device requests: boxes through the message service,
// requests on a worker thread while the window keeps painting.
class WindowWebHost : public Web::WebHost {
public:
    void showMessage(const Base::Refusal& box) override;
    void runRequest(const std::function<void()>& request) override;
};

} // namespace Ui
