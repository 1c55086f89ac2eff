// The output writer: whole lines under concurrency, dropped unserialisable lines, failed streams,
// slow and absent readers of a real pipe, and the ending's bounds.
#include "Wire.hpp"

#include "platform/ProcessControl.hpp"
#include "support/TestPipe.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace orvel {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File temporaryFile() {
    File file(std::tmpfile());
    EXPECT_NE(file, nullptr);
    return file;
}

std::string contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    std::vector<char> chunk(65536);
    for (std::size_t read; (read = std::fread(chunk.data(), 1, chunk.size(), file)) > 0;) {
        text.append(chunk.data(), read);
    }
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(start, text.size()) << "output does not end with a line feed";
    return lines;
}

TEST(Wire, WritesOneCompactSortedLinePerSend) {
    File out = temporaryFile();
    File err = temporaryFile();
    Wire wire(out.get(), err.get());
    wire.send(Json{{"ok", true}, {"id", "a/b"}, {"result", Json::object()}});
    wire.send(Json{{"event", "stopped"}});
    EXPECT_EQ(contents(out.get()),
              "{\"id\":\"a/b\",\"ok\":true,\"result\":{}}\n{\"event\":\"stopped\"}\n");
    EXPECT_EQ(contents(err.get()), "");
}

TEST(Wire, ConcurrentSendersNeverMixTheirLines) {
    File out = temporaryFile();
    File err = temporaryFile();
    Wire wire(out.get(), err.get());
    constexpr int linesPerThread = 60;
    const std::vector<std::string> fillers{std::string(200000, 'a'), std::string(150001, 'b')};
    std::vector<std::thread> senders;
    for (std::size_t thread = 0; thread < fillers.size(); ++thread) {
        senders.emplace_back([&, thread] {
            for (int index = 0; index < linesPerThread; ++index) {
                wire.send(Json{{"id", std::to_string(thread)}, {"data", fillers[thread]}});
            }
        });
    }
    for (auto& sender : senders) {
        sender.join();
    }
    std::map<std::string, int> counts;
    for (const std::string& line : linesOf(contents(out.get()))) {
        const Json parsed = Json::parse(line, nullptr, false);
        ASSERT_FALSE(parsed.is_discarded())
            << "a mixed or broken line of " << line.size() << " bytes";
        const std::size_t thread = std::stoul(parsed["id"].get<std::string>());
        ASSERT_LT(thread, fillers.size());
        EXPECT_EQ(parsed["data"], fillers[thread]);
        ++counts[parsed["id"].get<std::string>()];
    }
    EXPECT_EQ(counts, (std::map<std::string, int>{{"0", linesPerThread}, {"1", linesPerThread}}));
}

TEST(Wire, DropsAnUnserialisableLineWithANote) {
    File out = temporaryFile();
    File err = temporaryFile();
    Wire wire(out.get(), err.get());
    wire.send(Json{{"id", "a"}, {"value", std::numeric_limits<double>::quiet_NaN()}});
    wire.send(Json{{"id", "b"}, {"text", "\xFF"}});
    wire.send(Json::array({1}));
    EXPECT_EQ(contents(out.get()), "");
    const std::string note = "orvel-computer-control: dropped an unserialisable response\n";
    EXPECT_EQ(contents(err.get()), note + note + note);
    wire.send(Json{{"id", "c"}});
    EXPECT_EQ(contents(out.get()), "{\"id\":\"c\"}\n");
}

TEST(Wire, NoteWritesOnePrefixedLine) {
    File out = temporaryFile();
    File err = temporaryFile();
    Wire wire(out.get(), err.get());
    wire.note("hello");
    EXPECT_EQ(contents(err.get()), "orvel-computer-control: hello\n");
    EXPECT_EQ(contents(out.get()), "");
}

TEST(Wire, AFailedStreamMakesSendGiveUpAndReturn) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("orvel-wire-test-" +
                       std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id())));
    std::ofstream(path) << "x";
    File readOnly(std::fopen(path.c_str(), "r"));
    ASSERT_NE(readOnly, nullptr);
    File err = temporaryFile();
    Wire wire(readOnly.get(), err.get());
    wire.send(Json{{"id", "a"}, {"data", std::string(300000, 'z')}});
    wire.send(Json{{"id", "b"}});
    EXPECT_EQ(contents(err.get()), "");
    readOnly.reset();
    std::filesystem::remove(path);
}

using namespace std::chrono_literals;
using testing::TestPipe;
using Clock = Wire::Clock;

// Every line of `text` parsed; a line that is not whole JSON fails the test.
std::vector<Json> jsonLinesOf(const std::string& text) {
    std::vector<Json> lines;
    for (const std::string& line : linesOf(text)) {
        Json parsed = Json::parse(line, nullptr, false);
        EXPECT_FALSE(parsed.is_discarded()) << "a broken line of " << line.size() << " bytes";
        lines.push_back(std::move(parsed));
    }
    return lines;
}

// A response line of about `bytes` bytes.
Json responseOf(const std::string& id, std::size_t bytes) {
    return Json{{"id", id}, {"ok", true}, {"result", {{"data", std::string(bytes, 'd')}}}};
}

// Standard error as a pipe the test reads once the wire is done with it.
struct ErrorPipe {
    TestPipe pipe;
    std::shared_ptr<platform::OutputChannel> channel =
        platform::process::descriptorOutput(pipe.writeEnd());
    std::string text() { return pipe.readAll(50ms); }
};

class WireOnAPipe : public ::testing::Test {
  protected:
    void SetUp() override { std::signal(SIGPIPE, SIG_IGN); }

    TestPipe out;
    ErrorPipe err;
    Wire wire{platform::process::descriptorOutput(out.writeEnd()), err.channel};
};

TEST_F(WireOnAPipe, ANonBlockingOutputGetsEveryLineWholeHoweverSlowItsReader) {
    out.makeWriteEndNonBlocking();
    std::vector<std::thread> senders;
    senders.emplace_back([this] {
        for (int index = 0; index < 3; ++index) {
            EXPECT_TRUE(wire.send(responseOf("big" + std::to_string(index), 1 << 20)));
        }
    });
    senders.emplace_back([this] {
        for (int index = 0; index < 300; ++index) {
            EXPECT_TRUE(wire.send(responseOf("small" + std::to_string(index), 100)));
        }
    });
    std::string text;
    while (text.size() < 3 * (1u << 20) + 300 * 100) {
        std::this_thread::sleep_for(1ms);
        text += out.read(2s, 16384);
    }
    for (auto& sender : senders) {
        sender.join();
    }
    text += out.readAll(50ms);
    auto lines = jsonLinesOf(text);
    EXPECT_EQ(lines.size(), 303u);
    int small = 0;
    for (const auto& line : lines) {
        if (line["id"].get<std::string>().rfind("small", 0) == 0) {
            EXPECT_EQ(line["id"], "small" + std::to_string(small++)) << "in order per sender";
        }
    }
    EXPECT_EQ(err.text(), "");
}

TEST_F(WireOnAPipe, ALineThatHasNotBegunIsDroppedAtTheLimit) {
    const std::size_t filled = out.fill();
    std::atomic<bool> sent{true};
    std::thread sender([&] { sent = wire.send(responseOf("late", 10)); });
    std::this_thread::sleep_for(100ms);
    const auto limited = Clock::now();
    wire.limitWaits(limited + 100ms);
    sender.join();
    EXPECT_FALSE(sent);
    const auto waited = Clock::now() - limited;
    EXPECT_GE(waited, 90ms);
    EXPECT_LT(waited, 400ms);

    // Past the limit a line is tried once and dropped at once.
    const auto tried = Clock::now();
    EXPECT_FALSE(wire.send(Json{{"event", "stopped"}, {"reason", "signal"}}));
    EXPECT_LT(Clock::now() - tried, 100ms);
    wire.close(100ms);

    const std::string text = out.readAll(50ms);
    EXPECT_EQ(text.size(), filled) << "nothing of the dropped lines went out";
    jsonLinesOf(text);
    EXPECT_EQ(err.text(), "orvel-computer-control: dropped the stopped event: standard output "
                          "did not take it in time\n"
                          "orvel-computer-control: dropped responses at the end (standard output "
                          "did not take them in time): 1\n");
}

TEST_F(WireOnAPipe, ALineTheReaderTakesAfterTheLimitStillGoesOut) {
    wire.limitWaits(Clock::now() - 1s);
    EXPECT_TRUE(wire.send(responseOf("room", 10)));
    EXPECT_EQ(jsonLinesOf(out.readAll(50ms)).size(), 1u);
}

TEST_F(WireOnAPipe, CloseWaitsForABegunLineWhileItsReaderKeepsReading) {
    constexpr std::size_t lineBytes = 2 << 20;
    constexpr auto stall = 1s;
    std::atomic<bool> sendReturned{false};
    std::thread sender([&] {
        EXPECT_TRUE(wire.send(responseOf("big", lineBytes)));
        sendReturned = true;
    });
    std::string text;
    text.reserve(lineBytes + 4096);
    text += out.read(2s);
    ASSERT_FALSE(text.empty());
    std::atomic<bool> closed{false};
    std::thread reader([&] {
        // At most 64 KiB every 50 ms: the rest of the line takes longer than the stall bound,
        // but standard output never goes that long without taking some of it.
        while (!closed) {
            text += out.read(20ms);
            std::this_thread::sleep_for(50ms);
        }
        // Nothing is read for a while once close has returned: a line still being written
        // would be stuck now.
        std::this_thread::sleep_for(1s);
        text += out.readAll(50ms);
    });
    const auto started = Clock::now();
    wire.close(stall);
    closed = true;
    EXPECT_GT(Clock::now() - started, 1200ms);
    const auto until = Clock::now() + 500ms;
    while (!sendReturned && Clock::now() < until) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(sendReturned) << "close returned before the line was written";
    reader.join();
    sender.join();
    auto lines = jsonLinesOf(text);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["result"]["data"].get<std::string>().size(), lineBytes);
    EXPECT_EQ(err.text(), "");
}

TEST_F(WireOnAPipe, CloseGivesUpOnALineItsReaderStoppedTaking) {
    std::thread sender([&] { wire.send(responseOf("big", 1 << 20)); });
    std::string text = out.read(2s);
    ASSERT_FALSE(text.empty());
    const auto started = Clock::now();
    wire.close(200ms);
    const auto waited = Clock::now() - started;
    EXPECT_GE(waited, 150ms);
    EXPECT_LT(waited, 700ms);
    EXPECT_EQ(err.text(), "orvel-computer-control: left a line unfinished at the end: standard "
                          "output stopped taking it\n");
    // The writer was never cut off: once read again, the line is whole.
    text += out.readAll(100ms);
    sender.join();
    text += out.readAll(50ms);
    EXPECT_EQ(jsonLinesOf(text).size(), 1u);
}

TEST_F(WireOnAPipe, NothingBeginsAfterClose) {
    wire.close(100ms);
    EXPECT_FALSE(wire.send(responseOf("after", 10)));
    EXPECT_EQ(out.readAll(50ms), "");
}

TEST(Wire, ANoteGivesUpAtTheLimitWhenStandardErrorIsFull) {
    TestPipe out;
    TestPipe err;
    err.fill();
    Wire wire(platform::process::descriptorOutput(out.writeEnd()),
              platform::process::descriptorOutput(err.writeEnd()));
    wire.limitWaits(Clock::now() + 100ms);
    const auto started = Clock::now();
    wire.note("nobody reads this");
    EXPECT_LT(Clock::now() - started, 400ms);
}

} // namespace
} // namespace orvel
