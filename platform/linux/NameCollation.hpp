// The order of application names as the person's language sorts them, ignoring case: the
// workspace's localizedCaseInsensitiveCompare on Linux. The collation follows the process's
// locale (LC_COLLATE, LANG); under the C locale it falls back to code-point order of the
// lower-cased, canonically composed names.
//
// Safe from any thread.
#pragma once

#include <string>

namespace orvel::linuxdesktop {

// Negative, zero or positive.
int compareNames(const std::string& a, const std::string& b);

} // namespace orvel::linuxdesktop
