// SHA-256 written as lower-case hexadecimal, and standard Base64 without line breaks.
// Pure and thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

// Accumulates bytes and gives their SHA-256 as 64 lower-case hexadecimal digits.
class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(std::string_view bytes);
    std::string hexDigest();

  private:
    void* context_;
};

std::string sha256Hex(std::string_view bytes);

std::string base64(const std::vector<std::uint8_t>& bytes);

} // namespace orvel
