// Framing throughput over 64 KiB chunks, next to a plain memchr scan of the same bytes, for
// short (1 KiB) and long (1 MiB) lines.
#include "OrvelControlCore/LineFramer.hpp"

#include "OrvelControlCore/Limits.hpp"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t chunkSize = 64 * 1024;
constexpr std::size_t streamSize = 16 * 1024 * 1024;

// Lines of `lineLength` bytes including their line feed, filling about `streamSize` bytes.
std::string streamOfLines(std::size_t lineLength) {
    std::string line(lineLength - 1, 'x');
    line += '\n';
    std::string stream;
    stream.reserve(streamSize);
    while (stream.size() + line.size() <= streamSize) {
        stream += line;
    }
    return stream;
}

std::vector<std::string_view> chunksOf(const std::string& stream) {
    std::vector<std::string_view> chunks;
    for (std::size_t at = 0; at < stream.size(); at += chunkSize) {
        chunks.push_back(std::string_view(stream).substr(at, chunkSize));
    }
    return chunks;
}

void frameStream(benchmark::State& state, std::size_t lineLength) {
    const std::string stream = streamOfLines(lineLength);
    const auto chunks = chunksOf(stream);
    orvel::LineFramer framer(orvel::Limits::requestBytes);
    for (auto _ : state) {
        for (const auto chunk : chunks) {
            auto frames = framer.feed(chunk);
            benchmark::DoNotOptimize(frames.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(stream.size()));
}

void scanStream(benchmark::State& state, std::size_t lineLength) {
    const std::string stream = streamOfLines(lineLength);
    const auto chunks = chunksOf(stream);
    for (auto _ : state) {
        std::size_t lineFeeds = 0;
        for (const auto chunk : chunks) {
            const char* at = chunk.data();
            const char* const end = chunk.data() + chunk.size();
            while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
                ++lineFeeds;
                at = static_cast<const char*>(found) + 1;
            }
        }
        benchmark::DoNotOptimize(lineFeeds);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(stream.size()));
}

constexpr std::size_t shortLine = 1024;
constexpr std::size_t longLine = 1024 * 1024;

BENCHMARK_CAPTURE(frameStream, shortLines, shortLine);
BENCHMARK_CAPTURE(scanStream, shortLines, shortLine);
BENCHMARK_CAPTURE(frameStream, longLines, longLine);
BENCHMARK_CAPTURE(scanStream, longLines, longLine);

} // namespace
