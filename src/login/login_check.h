#pragma once

#include "base/refusal.h"
#include "web/web_host.h"
#include "web/web_settings.h"

#include <QByteArrayView>
#include <QDeadlineTimer>
#include <QStringList>

#include <optional>

namespace Login {

// What one check of the credentials found.
enum class CheckResult {
    Passed = 0,      // the utility page came with status 200
    Refused = 1,     // 401: wrong user name or password
    OtherStatus = 2, // an HTML answer with any other status
    Unreachable = 3, // no page text at all
};

inline constexpr int kMaxLoginChecks = 8;

// One check: up to eight reads of the utility page until one gives page text.
// Blocking; an empty address passes without a request.
CheckResult LoginCheck(const Web::DeviceContext& device, const Web::Settings& settings, const QDeadlineTimer& deadline);

struct LoginOutcome {
    CheckResult result = CheckResult::Unreachable;
    int checks = 0;
};

// Checks again while the unit refuses or answers oddly, at most eight checks.
// A silent unit is given up after the settings' retry budget; each answer
// starts the budget afresh, and the last answer wins over a later time-out.
LoginOutcome RunLoginChecks(const Web::DeviceContext& device, const Web::Settings& settings);

// The box for a failed login; nothing when it passed.
std::optional<Base::Refusal> LoginRefusal(CheckResult result);

// The folders Mount offers after a login: the utility page's allow_share list, in page order.
QStringList mountFolders(QByteArrayView page);

} // namespace Login
