// An AT-SPI state set: the `au` of two 32-bit words in which state N is bit N.
#pragma once

#include <cstdint>
#include <vector>

namespace orvel::linuxdesktop {

class StateSet {
  public:
    StateSet() = default;
    explicit StateSet(const std::vector<std::uint32_t>& words) {
        for (std::size_t index = 0; index < words.size() && index < 2; ++index) {
            bits_ |= static_cast<std::uint64_t>(words[index]) << (32 * index);
        }
    }

    bool has(unsigned state) const { return state < 64 && ((bits_ >> state) & 1U) != 0; }
    std::uint64_t bits() const { return bits_; }

  private:
    std::uint64_t bits_ = 0;
};

} // namespace orvel::linuxdesktop
