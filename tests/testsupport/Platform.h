#pragma once

namespace hbk::test {

// For the few expectations that differ by platform.
#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

#ifdef __linux__
inline constexpr bool kLinux = true;
#else
inline constexpr bool kLinux = false;
#endif

} // namespace hbk::test
