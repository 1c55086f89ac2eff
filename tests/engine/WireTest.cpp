// The output writer: whole lines under concurrency, dropped unserialisable lines, failed streams.
#include "Wire.hpp"

#include <gtest/gtest.h>

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

} // namespace
} // namespace orvel
