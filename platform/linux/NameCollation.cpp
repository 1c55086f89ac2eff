#include "platform/linux/NameCollation.hpp"

#include "OrvelControlCore/Text.hpp"

#include <locale>
#include <stdexcept>

namespace orvel::linuxdesktop {

namespace {

// The person's locale, or the classic one when the environment names one that is not
// installed.
const std::locale& userLocale() {
    static const std::locale locale = [] {
        try {
            return std::locale("");
        } catch (const std::runtime_error&) {
            return std::locale::classic();
        }
    }();
    return locale;
}

} // namespace

int compareNames(const std::string& a, const std::string& b) {
    const auto first = text::lowercased(text::nfc(a));
    const auto second = text::lowercased(text::nfc(b));
    const auto& collate = std::use_facet<std::collate<char>>(userLocale());
    return collate.compare(first.data(), first.data() + first.size(), second.data(),
                           second.data() + second.size());
}

} // namespace orvel::linuxdesktop
