// The program's version, from the build (the project version in CMakeLists.txt).
#pragma once

namespace loopcraft {

inline constexpr const char* kLoopcraftVersion = LOOPCRAFT_VERSION;

} // namespace loopcraft
