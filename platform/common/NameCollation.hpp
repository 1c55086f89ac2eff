// Ordering application names as the user's language orders them, ignoring letter case: the
// comparison a desktop's localised, case-insensitive compare makes. It is ICU's collator for
// the user's locale (the first of LC_ALL, LC_COLLATE and LANG that is set and not empty, or
// the root locale for none, "C" and "POSIX"), at the strength that tells base letters and
// accents apart but not case, with canonically equivalent spellings equal. "Éclair" sorts
// before "Zeta"; in Norwegian "Åpen" sorts after it.
//
// Immutable after construction apart from the collator's working state, which `lock_`
// guards; `compare` may be called from any thread.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace orvel::platform {

class NameCollation {
  public:
    // The collation of the user's locale, as the environment names it.
    static NameCollation forEnvironment();
    // The collation of an ICU or POSIX locale name ("nb_NO", "nb_NO.UTF-8@euro"); the root
    // collation for "", "C", "POSIX" or a name ICU does not know.
    explicit NameCollation(std::string_view locale);
    ~NameCollation();
    NameCollation(const NameCollation&) = delete;
    NameCollation& operator=(const NameCollation&) = delete;

    // Negative, zero or positive as `a` sorts before, with or after `b`. Text that is not
    // valid UTF-8 compares as if each invalid sequence were U+FFFD.
    int compare(std::string_view a, std::string_view b) const;

    // The locale whose collation is used ("" for the root collation).
    const std::string& locale() const { return locale_; }

  private:
    std::string locale_;
    mutable std::mutex lock_;
    // Used under lock_; null only when ICU has no collation data at all, in which case names
    // are ordered by their bytes.
    struct Collator;
    std::unique_ptr<Collator> collator_;
};

// The locale name the environment gives for collation, without encoding or modifier; "" when
// none is set or it is "C" or "POSIX".
std::string collationLocaleFromEnvironment();

} // namespace orvel::platform
