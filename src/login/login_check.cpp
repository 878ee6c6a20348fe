#include "login/login_check.h"

#include "web/page_fetch.h"
#include "web/page_values.h"

namespace Login {

CheckResult LoginCheck(const Web::DeviceContext& device, const Web::Settings& settings,
                       const QDeadlineTimer& deadline) {
    if (device.ip.isEmpty())
        return CheckResult::Passed;
    const Web::DeviceResponse response = Web::ReadUtilityPage(device, settings, deadline);
    if (response.page.isEmpty())
        return CheckResult::Unreachable;
    if (response.status == 200)
        return CheckResult::Passed;
    if (response.status == 401)
        return CheckResult::Refused;
    return CheckResult::OtherStatus;
}

LoginOutcome RunLoginChecks(const Web::DeviceContext& device, const Web::Settings& settings) {
    // The budget bounds the wait for a silent unit. A unit that answers, however
    // slowly, is given its checks, and its last answer outweighs a later time-out.
    QDeadlineTimer deadline(settings.retryBudgetMs);
    std::optional<CheckResult> lastAnswer;
    LoginOutcome outcome;
    do {
        outcome.result = LoginCheck(device, settings, deadline);
        ++outcome.checks;
        if (outcome.result != CheckResult::Unreachable) {
            lastAnswer = outcome.result;
            deadline = QDeadlineTimer(settings.retryBudgetMs);
        }
    } while ((outcome.result == CheckResult::Refused || outcome.result == CheckResult::OtherStatus) &&
             outcome.checks < kMaxLoginChecks);
    if (outcome.result == CheckResult::Unreachable && lastAnswer)
        outcome.result = *lastAnswer;
    return outcome;
}

std::optional<Base::Refusal> LoginRefusal(CheckResult result) {
    switch (result) {
    case CheckResult::Passed:
        return std::nullopt;
    case CheckResult::Refused:
        return Base::Refusal{QStringLiteral("Login fail, Please check your username and password"),
                             QStringLiteral("Login"), Base::Icon::Information};
    case CheckResult::OtherStatus:
    case CheckResult::Unreachable:
        break;
    }
    return Base::Refusal{QStringLiteral("Connection fail"), QStringLiteral("Connect"), Base::Icon::Error};
}

QStringList mountFolders(QByteArrayView page) {
    return Web::FolderNamesFromAllowShare(Web::PageValue(page, "allow_share=\""));
}

} // namespace Login
