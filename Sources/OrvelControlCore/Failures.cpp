#include "OrvelControlCore/Failures.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/Text.hpp"

#include <string>

namespace orvel::failures {
namespace {

constexpr int operationNameLimit = 40;

Failure invalidRequest(std::string message) {
    return Failure("invalid_request", std::move(message));
}

} // namespace

Failure stopped() {
    return Failure("stopped", "Styringen er stoppet.");
}

Failure inputStopped() {
    return Failure("stopped", "Styringen er stoppet. Start en ny økt for å fortsette.");
}

Failure cancelled() {
    return Failure("cancelled", "Forespørselen ble avbrutt.");
}

Failure timeout() {
    return Failure("timeout", "Arbeidet mot appen tok for lang tid og ble avbrutt.");
}

Failure tooLarge() {
    return Failure("too_large", "Forespørselen var for stor.");
}

Failure invalidJson() {
    return invalidRequest("Forespørselen er ikke gyldig JSON.");
}

Failure invalidId() {
    return invalidRequest("Forespørselen mangler en gyldig id.");
}

Failure unknownOperation(std::string_view operation) {
    return invalidRequest("Ukjent operasjon: " + truncated(operation, operationNameLimit) + ".");
}

Failure unknownPermission() {
    return invalidRequest("Ukjent tillatelse.");
}

Failure missingPid() {
    return invalidRequest("Mangler gyldig pid.");
}

Failure duplicateRequest() {
    return Failure("duplicate_request", "Forespørselen kjører allerede.");
}

Failure requestConflict() {
    return Failure("request_conflict",
                   "Forespørsels-id-en er brukt til en annen forespørsel. Bruk en ny id.");
}

Failure busy() {
    return Failure("busy", "For mange forespørsler venter allerede.",
                   Json{{"limit", Limits::queue}});
}

Failure uncertain(std::string_view description) {
    return Failure("uncertain", "Uventet feil: " + text::validUtf8(description));
}

} // namespace orvel::failures
