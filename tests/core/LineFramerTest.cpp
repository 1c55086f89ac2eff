// Framing of the input stream: splitting, limits, discarding, and equivalence with the plain
// append-and-search algorithm for any way the stream is cut into chunks.
#include "OrvelControlCore/LineFramer.hpp"

#include "OrvelControlCore/Limits.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace orvel {
namespace {

using Frames = std::vector<Frame>;

Frames feedAll(LineFramer& framer, const std::vector<std::string>& chunks) {
    Frames frames;
    for (const auto& chunk : chunks) {
        for (auto& frame : framer.feed(chunk)) {
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

// The framing rules written as directly as possible: append everything, then cut at each line
// feed from the front. Slow, but obviously right; the real framer must agree with it.
class ReferenceFramer {
  public:
    explicit ReferenceFramer(std::size_t limit) : limit(limit) {}

    Frames feed(const std::string& data) {
        Frames frames;
        buffer += data;
        while (true) {
            const auto end = buffer.find('\n');
            if (end == std::string::npos) {
                if (buffer.size() > limit) {
                    buffer.clear();
                    if (!discarding) {
                        discarding = true;
                        frames.push_back(Frame::overflow());
                    }
                }
                return frames;
            }
            const std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            if (discarding) {
                discarding = false;
            } else if (line.size() > limit) {
                frames.push_back(Frame::overflow());
            } else if (!line.empty()) {
                frames.push_back(Frame::line(line));
            }
        }
    }

  private:
    std::string buffer;
    bool discarding = false;
    std::size_t limit;
};

TEST(LineFramer, YieldsOneLineWhereverTheInputIsSplit) {
    const std::string request = R"({"id":"a","op":"ping"})";
    const std::string stream = request + "\n";
    for (std::size_t cut = 0; cut < stream.size(); ++cut) {
        LineFramer framer(Limits::requestBytes);
        EXPECT_EQ(framer.feed(stream.substr(0, cut)), Frames{}) << "cut at " << cut;
        EXPECT_EQ(framer.feed(stream.substr(cut)), Frames{Frame::line(request)})
            << "cut at " << cut;
    }
    LineFramer whole(Limits::requestBytes);
    EXPECT_EQ(whole.feed(stream), Frames{Frame::line(request)});
}

TEST(LineFramer, CompletesOnlyTerminatedLines) {
    LineFramer framer(100);
    EXPECT_EQ(framer.feed("one\ntwo\nthree"), (Frames{Frame::line("one"), Frame::line("two")}));
    EXPECT_EQ(framer.feed(""), Frames{});
    EXPECT_EQ(framer.feed("\n"), Frames{Frame::line("three")});
    EXPECT_EQ(framer.feed("\n\n\n"), Frames{});
    EXPECT_EQ(framer.feed("ab\r\n"), Frames{Frame::line("ab\r")});
    EXPECT_EQ(framer.limit(), 100u);
}

TEST(LineFramer, ReportsAnOverLongLineOnceAndRecoversAtItsLineFeed) {
    LineFramer framer(4);
    EXPECT_EQ(framer.feed("abcd\n"), Frames{Frame::line("abcd")});
    EXPECT_EQ(framer.feed("ab"), Frames{});
    EXPECT_EQ(framer.feed("cd"), Frames{});
    EXPECT_EQ(framer.feed("\n"), Frames{Frame::line("abcd")});
    EXPECT_EQ(framer.feed("abcde\n"), Frames{Frame::overflow()});
    EXPECT_EQ(framer.feed("abcde"), Frames{Frame::overflow()});
    EXPECT_EQ(framer.feed("fghijklmnop"), Frames{});
    EXPECT_EQ(framer.feed("q"), Frames{});
    EXPECT_EQ(framer.feed("\nx\n"), Frames{Frame::line("x")});
    EXPECT_EQ(framer.feed("12345678\nab\n"), (Frames{Frame::overflow(), Frame::line("ab")}));
    EXPECT_EQ(framer.feed("ab"), Frames{});
    EXPECT_EQ(framer.feed("cde"), Frames{Frame::overflow()});
    EXPECT_EQ(framer.feed("\n\nyz\n"), Frames{Frame::line("yz")});
}

TEST(LineFramer, AcceptsARequestOfExactlyTheByteLimit) {
    LineFramer framer(Limits::requestBytes);
    const std::string longest(static_cast<std::size_t>(Limits::requestBytes), 'x');
    const Frames frames = feedAll(
        framer, {longest.substr(0, 70000), longest.substr(70000) + "\n", longest + "y\nnext\n"});
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], Frame::line(longest));
    EXPECT_EQ(frames[1], Frame::overflow());
    EXPECT_EQ(frames[2], Frame::line("next"));
}

// Small limits and chunks reach every branch quickly; larger ones take lines past the inline
// storage of std::string, where long lines are handed over rather than copied.
TEST(LineFramer, AgreesWithTheReferenceForRandomStreamsAndChunking) {
    struct Shape {
        std::size_t largestLimit;
        int largestChunk;
        int rounds;
    };
    std::mt19937 random(20240611);
    const std::string alphabet = "ab\n\r\n";
    for (const Shape shape : {Shape{8, 14, 3000}, Shape{120, 90, 600}}) {
        for (int round = 0; round < shape.rounds; ++round) {
            const std::size_t limit =
                std::uniform_int_distribution<std::size_t>(0, shape.largestLimit)(random);
            // Fewer line feeds in the larger shape, so that lines grow long.
            const std::size_t lastLetter = shape.largestLimit > 8 ? 1 : 4;
            LineFramer framer(limit);
            ReferenceFramer reference(limit);
            for (int chunk = 0; chunk < 12; ++chunk) {
                std::string data;
                const auto size = std::uniform_int_distribution<int>(0, shape.largestChunk)(random);
                for (int index = 0; index < size; ++index) {
                    const bool lineFeed = std::uniform_int_distribution<int>(0, 40)(random) == 0;
                    data += lineFeed ? '\n'
                                     : alphabet[std::uniform_int_distribution<std::size_t>(
                                           0, lastLetter)(random)];
                }
                ASSERT_EQ(framer.feed(data), reference.feed(data))
                    << "round " << round << ", chunk " << chunk << ", limit " << limit;
            }
        }
    }
}

} // namespace
} // namespace orvel
