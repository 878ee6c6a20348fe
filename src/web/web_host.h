#pragma once

#include "base/refusal.h"
#include "base/unit_access.h"

#include <functional>

namespace Web {

// The unit a page operation talks to. The desktop program passes its
// CurrentDevice; the CLI and tests pass their own.
using DeviceContext = Base::UnitAccess;

// What page operations need from whoever runs them: boxes and a way to run a
// blocking request. The desktop program runs requests on a worker thread and
// waits in a local event loop; the CLI and tests run them in place.
class WebHost {
public:
    virtual ~WebHost() = default;

    // The keys of a box; the host translates them and shows or prints the words.
    virtual void showMessage(const Base::Refusal& box) = 0;
    // Returns when the request has finished.
    virtual void runRequest(const std::function<void()>& request) { request(); }
};

} // namespace Web
