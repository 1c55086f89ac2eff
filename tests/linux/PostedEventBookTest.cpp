// The book of posted events: entries only while listening, matched oldest first by kind and
// detail, each once.
#include "platform/linux/input/PostedEventBook.hpp"

#include <gtest/gtest.h>

#include <thread>

namespace orvel::linuxdesktop {
namespace {

TEST(PostedEventBook, NothingIsBookedWhileNobodyListens) {
    PostedEventBook book;
    book.book(RawKind::motion, 0, 7);
    EXPECT_EQ(book.pending(), 0U);
    EXPECT_FALSE(book.match(RawKind::motion, 0));
}

TEST(PostedEventBook, EachEntryMatchesOneEventOfItsKindAndDetail) {
    PostedEventBook book;
    book.setListening(true);
    book.book(RawKind::keyPress, 38, 7);
    book.book(RawKind::keyPress, 38, 8);
    book.book(RawKind::buttonPress, 1, 7);
    EXPECT_FALSE(book.match(RawKind::keyPress, 39));
    EXPECT_FALSE(book.match(RawKind::keyRelease, 38));
    EXPECT_EQ(book.match(RawKind::keyPress, 38), 7);
    EXPECT_EQ(book.match(RawKind::keyPress, 38), 8);
    EXPECT_FALSE(book.match(RawKind::keyPress, 38)) << "a third press is someone else's";
    EXPECT_EQ(book.pending(), 1U);
    book.setListening(false);
    EXPECT_EQ(book.pending(), 0U) << "a listener that stops forgets the book";
}

TEST(PostedEventBook, ABurstBeyondItsCapacityDropsTheOldest) {
    PostedEventBook book;
    book.setListening(true);
    for (std::size_t i = 0; i < PostedEventBook::capacity + 2; ++i) {
        book.book(RawKind::motion, 0, static_cast<std::int64_t>(i));
    }
    EXPECT_EQ(book.pending(), PostedEventBook::capacity);
    EXPECT_EQ(book.match(RawKind::motion, 0), 2);
}

TEST(PostedEventBook, PostersAndTheListenerShareIt) {
    PostedEventBook book;
    book.setListening(true);
    constexpr int perThread = 2000;
    std::thread poster([&] {
        for (int i = 0; i < perThread; ++i) {
            book.book(RawKind::keyPress, 38, 1);
        }
    });
    int matched = 0;
    while (matched < perThread) {
        if (book.match(RawKind::keyPress, 38)) {
            ++matched;
        }
    }
    poster.join();
    EXPECT_EQ(book.pending(), 0U);
}

} // namespace
} // namespace orvel::linuxdesktop
