#include "Engine.hpp"

#include "OrvelControlCore/Failures.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/LineFramer.hpp"
#include "OrvelControlCore/RequestAccessors.hpp"
#include "OrvelControlCore/RequestFingerprint.hpp"
#include "OrvelControlCore/Responses.hpp"
#include "ProductIdentity.hpp"

#include <random>
#include <vector>

namespace orvel {

namespace {

constexpr int controlLimit = 8;
constexpr std::size_t readChunkBytes = 65536;

} // namespace

const std::set<std::string, std::less<>>& Engine::fastOps() {
    static const std::set<std::string, std::less<>> ops = {
        "health", "ping", "permissions.status", "stop", "resume", "release", "cancel", "shutdown"};
    return ops;
}

const std::set<std::string, std::less<>>& Engine::controlOps() {
    static const std::set<std::string, std::less<>> ops = {"stop", "cancel", "shutdown", "release",
                                                           "resume"};
    return ops;
}

const std::set<std::string, std::less<>>& Engine::foregroundOnly() {
    static const std::set<std::string, std::less<>> ops = {"pointer.click", "pointer.scroll",
                                                           "pointer.drag", "key.type", "key.press"};
    return ops;
}

Engine::Engine(platform::Platform& platform, UserInputListener& listener,
               const LockWatcher& lockWatcher, EngineOptions options)
    : platform_(platform), listener_(listener), exitProcess_(std::move(options.exitProcess)),
      clock_(options.clock), watchdogInterval_(options.watchdogInterval),
      reactionTime_(options.reactionTime),
      wire_(options.out, options.err, std::move(options.lineSink)),
      ledger_(Limits::queue, Limits::receipts, controlLimit),
      input_(platform.events, listener.policy().signature, platform.profile.keys, options.clock,
             options.inputPacing),
      parentPid_(platform.process.parentPid()),
      targetPolicy_(platform.profile.targets, TargetPolicy::ownerBundleFromEnvironment(),
                    {platform.process.ownPid(), parentPid_}),
      targets_(platform.workspace, platform.windowServer, platform.mainLoop, platform.process,
               targetPolicy_),
      permissions_(platform, listener, lockWatcher),
      accessibility_(platform.accessibility, platform.profile.texts.accessibilityNotGranted,
                     options.clock),
      capture_(platform.capture, platform.privacy, permissions_,
               platform.profile.texts.screenRecordingNotGranted, options.screenshotBudget),
      worker_(product::workerLabel) {
    listener_.setOnTakeover([this](const std::string& reason) { halt(reason); });
}

Engine::~Engine() {
    listener_.setOnTakeover(nullptr);
    listener_.settleReports();
    cancelWatchdog();
}

void Engine::runReader(const InputReader& read) {
    runReader(read, [this](const Frame& frame) { return handleFrame(frame); });
}

void Engine::runReader(const InputReader& read, const FrameHandler& handle) {
    startWatchdog();
    LineFramer framer(Limits::requestBytes);
    std::vector<char> buffer(readChunkBytes);
    bool reading = true;
    while (reading) {
        std::size_t count = read(buffer.data(), buffer.size());
        if (count == 0) {
            break;
        }
        for (const Frame& frame : framer.feed(std::string_view(buffer.data(), count))) {
            if (!handle(frame)) {
                reading = false;
                break;
            }
        }
    }
    endOfInput();
}

bool Engine::handleFrame(const Frame& frame) {
    if (frame.kind == Frame::Kind::overflow) {
        wire_.send(errorResponse("", failures::tooLarge()));
        return true;
    }
    return accept(frame.bytes);
}

bool Engine::accept(std::string_view line) {
    std::optional<Json> parsed = parseJson(line);
    return acceptRequest(parsed ? std::move(*parsed) : Json(Json::value_t::discarded));
}

bool Engine::acceptRequest(Json request) {
    if (request.is_discarded() || !request.is_object()) {
        wire_.send(errorResponse("", failures::invalidJson()));
        return true;
    }
    std::string op = readString(request, "op").value_or("");
    std::string id = readString(request, "id").value_or("");
    bool control = controlOps().contains(op);
    Admission admission = ledger_.admit(id, control, requestFingerprint(request));
    if (admission.kind != Admission::Kind::run) {
        answerAdmissionRefusal(admission, id);
        return true;
    }
    if (fastOps().contains(op)) {
        Json response = caughtResponse(id, [&] { return immediate(op, id, request); });
        finish(id, response, control);
        return op != "shutdown";
    }
    enqueueWorkerJob(std::move(op), std::move(id), admission.ticket, std::move(request));
    return true;
}

void Engine::answerAdmissionRefusal(const Admission& admission, const std::string& id) {
    switch (admission.kind) {
    case Admission::Kind::receipt:
        wire_.send(admission.response);
        return;
    case Admission::Kind::duplicate:
        wire_.send(errorResponse(id, failures::duplicateRequest()));
        return;
    case Admission::Kind::conflict:
        wire_.send(errorResponse(id, failures::requestConflict()));
        return;
    case Admission::Kind::busy:
        wire_.send(errorResponse(id, failures::busy()));
        return;
    case Admission::Kind::invalidId:
        wire_.send(errorResponse("", failures::invalidId()));
        return;
    case Admission::Kind::run:
        return;
    }
}

void Engine::enqueueWorkerJob(std::string op, std::string id, Ticket ticket, Json request) {
    worker_.async([this, op = std::move(op), id = std::move(id), ticket = std::move(ticket),
                   request = std::move(request)] {
        finish(id, workerResponse(op, id, ticket, request), false);
    });
}

Json Engine::workerResponse(const std::string& op, const std::string& id, const Ticket& ticket,
                            const Json& request) {
    return caughtResponse(id, [&] {
        ledger_.check(ticket);
        return okResponse(id, perform(op, ticket, request));
    });
}

// Where failures become responses, for the immediate path and the worker alike; any other error
// is reported as uncertain rather than lost, because the request must get exactly one answer
// and the thread that answers it must go on.
Json Engine::caughtResponse(const std::string& id, const std::function<Json()>& respond) {
    try {
        return respond();
    } catch (const Failure& failure) {
        return errorResponse(id, failure);
    } catch (const std::exception& error) {
        return errorResponse(id, failures::uncertain(error.what()));
    } catch (...) {
        return errorResponse(id, failures::uncertain("ukjent feil"));
    }
}

void Engine::finish(const std::string& id, const Json& response, bool control) {
    ledger_.finish(id, withoutImageData(response), control);
    wire_.send(response);
}

std::string Engine::nextObservationId() {
    std::int64_t number = 0;
    {
        std::lock_guard guard(lock_);
        number = ++observationCount_;
    }
    std::random_device source;
    std::uniform_int_distribution<std::uint32_t> draw(0, 4294967294U);
    return "obs-" + std::to_string(number) + "-" + std::to_string(draw(source));
}

bool Engine::publish(std::shared_ptr<const ObservationRecord> record, const Ticket& ticket) {
    std::lock_guard guard(lock_);
    if (ledger_.state(ticket) != TicketState::live) {
        return false;
    }
    current_ = std::move(record);
    return true;
}

std::shared_ptr<const ObservationRecord> Engine::currentObservation() const {
    std::lock_guard guard(lock_);
    return current_;
}

Deadline Engine::deadline(const Ticket& ticket, double seconds) const {
    return Deadline(seconds, [this, ticket] { return ledger_.state(ticket) == TicketState::live; });
}

} // namespace orvel
