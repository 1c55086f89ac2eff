#include "platform/sim/EventLog.hpp"

#include "platform/sim/EventKinds.hpp"
#include "platform/sim/Utf16.hpp"

#include "OrvelControlCore/Text.hpp"

#include <cerrno>
#include <cstring>

namespace orvel::sim {

namespace {

namespace type = platform::eventtype;

void addPointerFields(Json& entry, const platform::Event& event) {
    entry["x"] = event.location.x;
    entry["y"] = event.location.y;
}

void addKindFields(Json& entry, const platform::Event& event) {
    if (event.type == type::mouseMoved) {
        addPointerFields(entry, event);
    } else if (isMouseButtonDown(event.type) || isMouseButtonUp(event.type)) {
        addPointerFields(entry, event);
        entry["button"] = event.mouseButton;
        entry["clickState"] = event.integerValueField(platform::eventfield::mouseEventClickState);
    } else if (isMouseDragged(event.type)) {
        addPointerFields(entry, event);
        entry["button"] = event.mouseButton;
    } else if (event.type == type::scrollWheel) {
        addPointerFields(entry, event);
        entry["wheel1"] = event.wheel1;
        entry["wheel2"] = event.wheel2;
    } else if (isKeyboardEvent(event.type)) {
        entry["keyCode"] = event.keyCode;
        entry["flags"] = event.flags;
        if (!event.unicodeString.empty()) {
            entry["text"] = utf8FromUtf16(event.unicodeString);
        }
    } else {
        addPointerFields(entry, event);
    }
}

} // namespace

EventLog::EventLog(std::chrono::steady_clock::time_point start, std::unique_ptr<std::ofstream> file)
    : start_(start), file_(std::move(file)) {}

std::unique_ptr<std::ofstream> EventLog::openFile(const std::string& path, std::string& error) {
    errno = 0;
    auto file = std::make_unique<std::ofstream>(path, std::ios::app);
    if (!*file) {
        error = "cannot open the event log " + path +
                (errno ? ": " + std::string(std::strerror(errno)) : "");
        return nullptr;
    }
    return file;
}

void EventLog::recordEvent(const platform::Event& event, EventOrigin origin) {
    const auto name = eventKindName(event.type);
    const std::string kind = name ? std::string(*name) : std::to_string(event.type);
    auto entry = entryStart(origin == EventOrigin::program ? "program" : "user", kind);
    addKindFields(entry, event);
    entry["userData"] = event.integerValueField(platform::eventfield::eventSourceUserData);
    append(std::move(entry));
    if (origin == EventOrigin::program) {
        notePressed(event);
    }
}

void EventLog::notePressed(const platform::Event& event) {
    if (event.type == type::keyDown) {
        pressed_.keys.insert(event.keyCode);
    } else if (event.type == type::keyUp) {
        pressed_.keys.erase(event.keyCode);
    } else if (isMouseButtonDown(event.type)) {
        pressed_.buttons.insert(event.mouseButton);
    } else if (isMouseButtonUp(event.type)) {
        pressed_.buttons.erase(event.mouseButton);
    }
}

void EventLog::recordOpenedURL(const std::string& url) {
    auto entry = entryStart("program", "openURL");
    entry["text"] = text::validUtf8(url);
    append(std::move(entry));
}

Json EventLog::entryStart(std::string_view source, std::string_view kind) const {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    return Json{{"t", elapsed.count()}, {"source", source}, {"kind", kind}};
}

void EventLog::append(Json entry) {
    if (file_) {
        *file_ << entry.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n' << std::flush;
    }
    entries_.push_back(std::move(entry));
    if (entries_.size() > memoryLimit) {
        entries_.pop_front();
    }
}

} // namespace orvel::sim
