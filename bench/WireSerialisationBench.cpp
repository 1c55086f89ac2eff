// Wire text of a success response carrying a screenshot of the largest allowed Base64 size.
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Responses.hpp"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

std::string base64Text(std::size_t length) {
    static constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::mt19937 random(7);
    std::string text(length, 'A');
    for (char& character : text) {
        character = alphabet[random() % alphabet.size()];
    }
    return text;
}

void wireTextOfScreenshot(benchmark::State& state) {
    const orvel::Json response = orvel::okResponse(
        "observe-1",
        orvel::Json{{"observationId", "obs-3"},
                    {"screenshot",
                     {{"data", base64Text(static_cast<std::size_t>(orvel::Limits::imageBytes))},
                      {"format", "png"},
                      {"pixelWidth", 2048},
                      {"pixelHeight", 1536}}}});
    for (auto _ : state) {
        benchmark::DoNotOptimize(orvel::wireText(response));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            orvel::Limits::imageBytes);
}

BENCHMARK(wireTextOfScreenshot)->Unit(benchmark::kMillisecond);

} // namespace
