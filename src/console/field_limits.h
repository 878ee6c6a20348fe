#pragma once

#include "base/refusal.h"

#include <QString>

#include <optional>

namespace Console {

// How many characters the console's fields take. The windows stop the typing
// there; the CLI, which has no fields, refuses a longer value with these.
inline constexpr int kNameLength = 15;          // host and group name
inline constexpr int kAdminPasswordLength = 12; // new administrator password and its verification
inline constexpr int kTimeServerLength = 64;    // a time server typed by hand
inline constexpr int kYearLength = 4;
inline constexpr int kDatePartLength = 2; // month, day, hour, minute, second
inline constexpr int kAddressLength = 15; // the static address, mask, gateway and primary DNS

// A refusal for a value longer than its field takes: "Value is too long",
// then the field's caption and its length, in the box of `captionKey`.
std::optional<Base::Refusal> tooLong(const QString& value, int maxLength, const char* fieldKey, const char* captionKey);

} // namespace Console
