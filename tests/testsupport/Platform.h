#pragma once

namespace hbk::test {

// For the few expectations that differ by platform.
#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

} // namespace hbk::test
