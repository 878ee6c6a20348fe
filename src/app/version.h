#pragma once

namespace App {

inline constexpr char kProgramVersion[] = "1.1";

} // namespace App
