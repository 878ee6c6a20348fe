#pragma once

namespace Base {

inline constexpr char kProgramVersion[] = "1.1";

} // namespace Base
