// The fast operations, answered at once on the reader thread, also while control is halted
// and while the worker is busy.
#include "Engine.hpp"

#include "OrvelControlCore/Failures.hpp"
#include "OrvelControlCore/RequestAccessors.hpp"
#include "OrvelControlCore/Responses.hpp"
#include "ProductIdentity.hpp"

namespace orvel {

Json Engine::immediate(const std::string& op, const std::string& id, const Json& request) {
    if (op == "ping") {
        return okResponse(id, Json{{"pong", true}});
    }
    if (op == "health") {
        return okResponse(id, health());
    }
    if (op == "permissions.status") {
        return okResponse(id, permissions_.status());
    }
    if (op == "stop" || op == "shutdown") {
        if (op == "shutdown") {
            // The process ends next, so its stopped event and answer must not wait for a
            // reader that has stopped reading.
            beginEnding();
        }
        int running = halt("requested");
        if (op == "shutdown") {
            return okResponse(id, Json{{"stopped", true}});
        }
        return okResponse(id, Json{{"stopped", true},
                                   {"heldInput", input_.ledger().snapshot()},
                                   {"epoch", ledger_.epoch()},
                                   {"mutationsRunning", running}});
    }
    if (op == "resume") {
        ledger_.resume();
        input_.ledger().resume();
        return okResponse(
            id, Json{{"stopped", false}, {"epoch", ledger_.epoch()}, {"observation", nullptr}});
    }
    if (op == "release") {
        input_.ledger().releaseAll();
        return okResponse(id, Json{{"heldInput", input_.ledger().snapshot()}});
    }
    if (op == "cancel") {
        std::string target = readString(request, "target").value_or("");
        bool cancelled = ledger_.cancel(target);
        return okResponse(id, Json{{"cancelled", cancelled}, {"target", target}});
    }
    return errorResponse(id, failures::unknownOperation(op));
}

Json Engine::health() {
    auto current = currentObservation();
    return Json{
        {"version", product::version},
        {"pid", platform_.process.ownPid()},
        {"parentPid", parentPid_},
        {"stopped", ledger_.isHalted()},
        {"epoch", ledger_.epoch()},
        {"queued", ledger_.inFlightCount()},
        {"observation", current ? Json(current->id) : Json(nullptr)},
        {"heldInput", input_.ledger().snapshot()},
        {"permissions", permissions_.status()},
    };
}

} // namespace orvel
