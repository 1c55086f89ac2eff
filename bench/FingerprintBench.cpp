// Content fingerprints of a typical small request and of a request at the size limit.
#include "OrvelControlCore/RequestFingerprint.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// An "act" request whose text makes the whole request about `size` bytes, with a solidus now
// and then so that escaping is exercised.
orvel::Json requestOfSize(std::size_t size) {
    std::string text;
    text.reserve(size);
    while (text.size() < size - 100) {
        text += "typing some text/with a path ";
    }
    return orvel::Json{{"id", "req-1"},
                       {"op", "act"},
                       {"observationId", "obs-12"},
                       {"action", {{"type", "key.type"}, {"text", text.substr(0, size - 100)}}}};
}

void fingerprint(benchmark::State& state, std::size_t size) {
    const orvel::Json request = requestOfSize(size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(orvel::requestFingerprint(request));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
}

BENCHMARK_CAPTURE(fingerprint, oneKiB, 1024);
BENCHMARK_CAPTURE(fingerprint, oneMiB, 1024 * 1024)->Unit(benchmark::kMillisecond);

} // namespace
