// A fuzz input handed to the engine's reader as standard input would hand it over: in chunks
// whose sizes follow from the input itself (so a crash replays exactly), split anywhere, lines
// and all. A line that names the observation "@obs" gets the current observation's id in its
// place once the work admitted before it has been answered, so that actions can reach past the
// check of their observation.
//
// Used by the reader thread only.
#pragma once

#include "Engine.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvel::fuzz {

class RequestStream {
  public:
    RequestStream(std::string_view input, Engine& engine);

    // The next chunk, at most `size` bytes; 0 at the end of the input.
    std::size_t read(char* buffer, std::size_t size);

  private:
    void takeNextLine();
    bool nextLineNamesObservation() const;
    std::size_t nextChunkSize();

    std::string_view rest_;
    Engine& engine_;
    std::string pending_;
    std::size_t pendingAt_ = 0;
    std::uint64_t random_;
};

// Waits until no admitted request is unanswered; aborts when that takes longer than any request
// on the fuzz desktop can.
void waitUntilAnswered(Engine& engine);

} // namespace orvel::fuzz
