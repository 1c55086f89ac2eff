#include "platform/common/NameCollation.hpp"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace orvel::platform {

namespace {

// "nb_NO.UTF-8@euro" names the locale "nb_NO"; the encoding and the modifier say nothing about
// the order of letters.
std::string localeName(std::string_view posix) {
    const std::string name(posix.substr(0, posix.find_first_of(".@")));
    if (name == "C" || name == "POSIX") {
        return "";
    }
    return name;
}

// ICU falls back to the root collation for a locale it has no rules for.
std::unique_ptr<icu::Collator> makeCollator(const std::string& locale) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale icuLocale =
        locale.empty() ? icu::Locale::getRoot() : icu::Locale(locale.c_str());
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icuLocale, status));
    if (U_FAILURE(status) || !collator) {
        return nullptr;
    }
    // Secondary strength: base letters and accents count, case does not.
    collator->setStrength(icu::Collator::SECONDARY);
    collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, status);
    return U_FAILURE(status) ? nullptr : std::move(collator);
}

} // namespace

struct NameCollation::Collator {
    std::unique_ptr<icu::Collator> icu;
};

std::string collationLocaleFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return localeName(value);
        }
    }
    return "";
}

NameCollation NameCollation::forEnvironment() {
    return NameCollation(collationLocaleFromEnvironment());
}

NameCollation::NameCollation(std::string_view locale) : locale_(localeName(locale)) {
    if (auto collator = makeCollator(locale_)) {
        collator_ = std::make_unique<Collator>(Collator{std::move(collator)});
    }
}

NameCollation::~NameCollation() = default;

int NameCollation::compare(std::string_view a, std::string_view b) const {
    constexpr std::size_t longest = std::numeric_limits<std::int32_t>::max();
    if (collator_ && a.size() <= longest && b.size() <= longest) {
        UErrorCode status = U_ZERO_ERROR;
        std::lock_guard guard(lock_);
        const auto order = collator_->icu->compareUTF8(
            icu::StringPiece(a.data(), static_cast<std::int32_t>(a.size())),
            icu::StringPiece(b.data(), static_cast<std::int32_t>(b.size())), status);
        if (U_SUCCESS(status)) {
            return order == UCOL_LESS ? -1 : (order == UCOL_GREATER ? 1 : 0);
        }
    }
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}

} // namespace orvel::platform
