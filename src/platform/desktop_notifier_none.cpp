#include "platform/desktop_notifier.h"

namespace Platform {

namespace {

class NoNotifier final : public DesktopNotifier {
public:
    bool Notify(const std::string&, const std::string&) override { return false; }
};

} // namespace

std::unique_ptr<DesktopNotifier> systemDesktopNotifier() {
    return std::make_unique<NoNotifier>();
}

} // namespace Platform
