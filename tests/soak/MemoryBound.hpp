// The most resident memory the program may use, derived from its limits. Each term is the most
// that part of the program can hold at once; their sum is the bound, which the soak and the
// worst-input run check the program's peak against.
//
// - The process itself: code, the libraries (ICU's data is mapped, not resident until read),
//   the stacks of its threads as touched, allocator slack: 64 MiB.
// - The reader: one line being framed (1 MiB), its 64 KiB read buffer.
// - Admitted and unanswered requests: 16 ordinary and 8 control requests, each at most one
//   line of 1 MiB, held as parsed JSON. Parsed JSON is at most 16 bytes per value and a value
//   takes at least 2 bytes of text ("0,"), so 8 bytes a byte, plus the line: 9 MiB each.
// - The current observation and the one being built: 600 elements, each with at most five
//   texts of 512 characters (up to 4 bytes each) and its fixed fields (about 1 KiB), both as
//   the record and as the response's JSON, twice over: 4 × 600 × (5 × 2 KiB + 1 KiB).
// - A screenshot: 4.5 million pixels of 4 bytes captured, the same again encoded as PNG at
//   worst, 6 MiB of Base64 and its copy in the serialised response line.
// - Receipts: 64 finished responses kept for replay, without image data; each at most an
//   observation's response JSON, 600 × (5 × 2 KiB + 1 KiB), held at twice its text as JSON.
#pragma once

#include <cstdint>

namespace orvel::soak {

constexpr std::uint64_t mebibyte = 1024 * 1024;
constexpr std::uint64_t kibibyte = 1024;

constexpr std::uint64_t processBytes = 64 * mebibyte;
constexpr std::uint64_t readerBytes = 1 * mebibyte + 64 * kibibyte;
constexpr std::uint64_t requestsBytes = (16 + 8) * 9 * mebibyte;
constexpr std::uint64_t elementBytes = 5 * 2 * kibibyte + 1 * kibibyte;
constexpr std::uint64_t observationBytes = 4 * 600 * elementBytes;
constexpr std::uint64_t screenshotBytes = 2 * 4500000 * 4 + 2 * 6 * mebibyte;
constexpr std::uint64_t receiptsBytes = 64 * 2 * 600 * elementBytes;

constexpr std::uint64_t residentBound =
    processBytes + readerBytes + requestsBytes + observationBytes + screenshotBytes + receiptsBytes;

} // namespace orvel::soak
