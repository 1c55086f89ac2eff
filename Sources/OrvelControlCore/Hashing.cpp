#include "OrvelControlCore/Hashing.hpp"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

namespace orvel {

namespace {

std::string hexDigits(const unsigned char* bytes, unsigned int count) {
    static constexpr std::string_view hex = "0123456789abcdef";
    std::string out;
    out.reserve(count * 2);
    for (unsigned int index = 0; index < count; ++index) {
        out += hex[bytes[index] >> 4];
        out += hex[bytes[index] & 0x0F];
    }
    return out;
}

EVP_MD_CTX* digestContext(void* context) {
    return static_cast<EVP_MD_CTX*>(context);
}

} // namespace

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
    if (context_ == nullptr ||
        EVP_DigestInit_ex(digestContext(context_), EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(digestContext(context_));
        throw std::runtime_error("SHA-256 is unavailable");
    }
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(digestContext(context_));
}

void Sha256::update(std::string_view bytes) {
    EVP_DigestUpdate(digestContext(context_), bytes.data(), bytes.size());
}

std::string Sha256::hexDigest() {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(digestContext(context_), digest.data(), &length) != 1) {
        throw std::runtime_error("SHA-256 is unavailable");
    }
    return hexDigits(digest.data(), length);
}

std::string sha256Hex(std::string_view bytes) {
    Sha256 hash;
    hash.update(bytes);
    return hash.hexDigest();
}

std::string base64(const std::vector<std::uint8_t>& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3), '\0');
    // EVP_EncodeBlock takes an int length; encode in pieces of a multiple of 3 bytes so any
    // size works and no line breaks are inserted.
    constexpr std::size_t piece = 3 * (1 << 20);
    std::size_t written = 0;
    for (std::size_t offset = 0; offset < bytes.size(); offset += piece) {
        std::size_t count = std::min(piece, bytes.size() - offset);
        written += static_cast<std::size_t>(
            EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data() + written),
                            bytes.data() + offset, static_cast<int>(count)));
    }
    text.resize(written);
    return text;
}

} // namespace orvel
