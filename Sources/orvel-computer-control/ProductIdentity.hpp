// The product's reverse-DNS prefix and the names built from it: the labels of the reader,
// worker and watchdog threads, and the bundle identifier of the product's own desktop app
// (the owner that must never be controlled).
#pragma once

namespace orvel::product {

inline constexpr const char* reverseDnsPrefix = "no.orvel";
inline constexpr const char* readerLabel = "no.orvel.computer-control.reader";
inline constexpr const char* workerLabel = "no.orvel.computer-control.worker";
inline constexpr const char* watchdogLabel = "no.orvel.computer-control.watchdog";
inline constexpr const char* ownerBundle = "no.orvel.code";
inline constexpr const char* version = "1.1.0";

} // namespace orvel::product
