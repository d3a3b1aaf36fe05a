#pragma once

// Whether this program (and so the whole tree it was built with) runs under
// AddressSanitizer, for the tests whose measure it distorts.

namespace Corvane::Testing {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool addressSanitizer = true;
#else
inline constexpr bool addressSanitizer = false;
#endif
#else
inline constexpr bool addressSanitizer = false;
#endif

}  // namespace Corvane::Testing
