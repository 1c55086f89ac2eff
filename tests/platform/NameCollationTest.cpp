// Ordering names as the user's language does, ignoring case: ICU's collator for a locale.
#include "platform/common/NameCollation.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>

namespace orvel::platform {
namespace {

TEST(NameCollation, OrdersLettersAsTheLanguageDoesAndIgnoresCase) {
    NameCollation root("");
    EXPECT_LT(root.compare("\u00C9clair", "Zeta"), 0) << "É is an e with an accent";
    EXPECT_LT(root.compare("apple", "Zebra"), 0);
    EXPECT_GT(root.compare("Zebra", "apple"), 0);
    EXPECT_EQ(root.compare("Notater", "notater"), 0);
    EXPECT_EQ(root.compare("\u00C6RE", "\u00E6re"), 0);
    EXPECT_LT(root.compare("resume", "r\u00E9sum\u00E9"), 0) << "accents still count";
    EXPECT_EQ(root.compare("Caf\u00E9", "cafe\u0301"), 0) << "canonically equivalent spellings";
    EXPECT_LT(root.compare("\u00C5pen", "Zeta"), 0);

    // Norwegian puts Æ, Ø and Å after Z.
    NameCollation norwegian("nb_NO");
    EXPECT_GT(norwegian.compare("\u00C5pen", "Zeta"), 0);
    EXPECT_GT(norwegian.compare("\u00C6rlig", "Zeta"), 0);
    EXPECT_LT(norwegian.compare("\u00C9clair", "Zeta"), 0);
    EXPECT_EQ(norwegian.compare("\u00E5pen", "\u00C5PEN"), 0);
}

TEST(NameCollation, TextThatIsNotValidUtf8StillHasAPlace) {
    NameCollation root("");
    EXPECT_EQ(root.compare("Ka\xFF", "Ka\xFF"), 0);
    const int order = root.compare("Ka\xFF", "Kb");
    EXPECT_NE(order, 0);
    EXPECT_EQ(root.compare("Kb", "Ka\xFF"), -order);
}

TEST(NameCollation, LocaleNamesLoseTheirEncodingAndCIsTheRootLocale) {
    EXPECT_EQ(NameCollation("nb_NO.UTF-8@euro").locale(), "nb_NO");
    EXPECT_EQ(NameCollation("de_DE.utf8").locale(), "de_DE");
    EXPECT_EQ(NameCollation("C.UTF-8").locale(), "");
    EXPECT_EQ(NameCollation("POSIX").locale(), "");
    NameCollation unknown("xx_YY");
    EXPECT_LT(unknown.compare("\u00C9clair", "Zeta"), 0) << "an unknown locale orders as root";
}

// Sets the locale variables for one test and puts back what was there.
class LocaleEnvironment {
  public:
    explicit LocaleEnvironment(const std::map<std::string, std::optional<std::string>>& values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
            set(name, value);
        }
    }
    ~LocaleEnvironment() {
        for (const auto& [name, value] : saved_) {
            set(name, value);
        }
    }
    LocaleEnvironment(const LocaleEnvironment&) = delete;
    LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

  private:
    static void set(const std::string& name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(NameCollation, TheEnvironmentNamesTheLocaleInPosixOrder) {
    {
        LocaleEnvironment environment(
            {{"LC_ALL", "nb_NO.UTF-8"}, {"LC_COLLATE", "de_DE.UTF-8"}, {"LANG", "fr_FR.UTF-8"}});
        EXPECT_EQ(collationLocaleFromEnvironment(), "nb_NO");
        EXPECT_GT(NameCollation::forEnvironment().compare("\u00C5pen", "Zeta"), 0);
    }
    {
        LocaleEnvironment environment(
            {{"LC_ALL", ""}, {"LC_COLLATE", "de_DE.UTF-8"}, {"LANG", "fr_FR.UTF-8"}});
        EXPECT_EQ(collationLocaleFromEnvironment(), "de_DE") << "an empty variable is unset";
    }
    {
        LocaleEnvironment environment(
            {{"LC_ALL", std::nullopt}, {"LC_COLLATE", std::nullopt}, {"LANG", "fr_FR"}});
        EXPECT_EQ(collationLocaleFromEnvironment(), "fr_FR");
    }
    {
        LocaleEnvironment environment(
            {{"LC_ALL", std::nullopt}, {"LC_COLLATE", std::nullopt}, {"LANG", std::nullopt}});
        EXPECT_EQ(collationLocaleFromEnvironment(), "");
        EXPECT_LT(NameCollation::forEnvironment().compare("\u00C5pen", "Zeta"), 0);
    }
}

} // namespace
} // namespace orvel::platform
