// The failure value and the exact codes and messages of the request machinery.
#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Failures.hpp"

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <type_traits>

namespace orvel {
namespace {

void expectFailure(const Failure& failure, const std::string& code, const std::string& message,
                   const Json& details = Json::object()) {
    EXPECT_EQ(failure.code, code);
    EXPECT_EQ(failure.message, message);
    EXPECT_EQ(failure.details, details);
}

static_assert(!std::is_base_of_v<std::exception, Failure>,
              "a handler for std::exception must never catch a Failure");

TEST(Failure, AddingMergesExtraFactsAndReplacesSameKeys) {
    const Failure base("partial", "Delvis.", Json{{"typed", 3}, {"keep", true}});
    const Failure merged = base.adding(Json{{"typed", 5}, {"clicks", 0}});
    expectFailure(merged, "partial", "Delvis.", Json{{"typed", 5}, {"keep", true}, {"clicks", 0}});
    EXPECT_EQ(base.details, (Json{{"typed", 3}, {"keep", true}}));
    EXPECT_EQ(Failure("a", "b").adding(Json::object()), Failure("a", "b"));
    EXPECT_EQ(Failure("a", "b", nullptr).adding(Json{{"x", 1}}).details, (Json{{"x", 1}}));
}

TEST(Failures, CarryTheExactCodesAndMessages) {
    expectFailure(failures::stopped(), "stopped", "Styringen er stoppet.");
    expectFailure(failures::inputStopped(), "stopped",
                  "Styringen er stoppet. Start en ny økt for å fortsette.");
    expectFailure(failures::cancelled(), "cancelled", "Forespørselen ble avbrutt.");
    expectFailure(failures::timeout(), "timeout",
                  "Arbeidet mot appen tok for lang tid og ble avbrutt.");
    expectFailure(failures::tooLarge(), "too_large", "Forespørselen var for stor.");
    expectFailure(failures::invalidJson(), "invalid_request", "Forespørselen er ikke gyldig JSON.");
    expectFailure(failures::invalidId(), "invalid_request", "Forespørselen mangler en gyldig id.");
    expectFailure(failures::unknownPermission(), "invalid_request", "Ukjent tillatelse.");
    expectFailure(failures::missingPid(), "invalid_request", "Mangler gyldig pid.");
    expectFailure(failures::duplicateRequest(), "duplicate_request",
                  "Forespørselen kjører allerede.");
    expectFailure(failures::requestConflict(), "request_conflict",
                  "Forespørsels-id-en er brukt til en annen forespørsel. Bruk en ny id.");
    expectFailure(failures::busy(), "busy", "For mange forespørsler venter allerede.",
                  Json{{"limit", 16}});
    expectFailure(failures::uncertain("std::bad_alloc"), "uncertain",
                  "Uventet feil: std::bad_alloc");
}

TEST(Failures, UnknownOperationCutsTheNameToFortyCharacters) {
    const std::string forty(40, 'o');
    expectFailure(failures::unknownOperation(forty), "invalid_request",
                  "Ukjent operasjon: " + forty + ".");
    expectFailure(failures::unknownOperation(forty + "x"), "invalid_request",
                  "Ukjent operasjon: " + forty + "….");
    expectFailure(failures::unknownOperation(""), "invalid_request", "Ukjent operasjon: .");
}

TEST(Failures, UncertainNeverCarriesInvalidUtf8) {
    const Failure failure = failures::uncertain("bad \xFF byte");
    EXPECT_EQ(failure.message, "Uventet feil: bad \uFFFD byte");
}

} // namespace
} // namespace orvel
