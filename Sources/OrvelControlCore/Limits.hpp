// Every numeric limit of the program, fixed at build time: request size, queue depth,
// observation size, image size, typing length, time limits and ages. Constants only; readable
// from any thread.
#pragma once

namespace orvel {

struct Limits {
    // Longest request line in bytes, line feed not counted.
    static constexpr int requestBytes = 1048576;
    // Most ordinary requests admitted and not yet finished.
    static constexpr int queue = 16;
    // Deepest element tree an observation may ask for.
    static constexpr int depth = 14;
    // Most elements an observation may ask for.
    static constexpr int nodes = 600;
    // Most characters kept of an element's text attribute.
    static constexpr int text = 512;
    // Longest Base64 text of a screenshot placed in a response, in characters.
    static constexpr int imageBytes = 6291456;
    // Largest capture in pixels (width times height).
    static constexpr int imagePixels = 4500000;
    // Most characters typed by one action.
    static constexpr int typeLength = 4000;
    // Seconds; the accessibility messaging time-out, handed to the platform in single precision.
    static constexpr float axTimeout = 1.5F;
    // Seconds allowed for building one observation.
    static constexpr double observeSeconds = 8.0;
    // Age in seconds after which a key or button still held is released.
    static constexpr double heldInputSeconds = 6.0;
    // Finished responses kept for replay by request id.
    static constexpr int receipts = 64;
    // Most characters in a request id.
    static constexpr int idLength = 200;
    // Age in seconds after which an observation is too old to act on.
    static constexpr double observationSeconds = 90.0;
    // Characters typed between two checks of the typing guard.
    static constexpr int typeChunk = 8;
};

} // namespace orvel
