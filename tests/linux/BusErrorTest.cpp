#include "platform/linux/atspi/BusError.hpp"
#include "platform/AccessibilityService.hpp"

#include <gtest/gtest.h>

#include <cerrno>

namespace orvel::linuxdesktop {
namespace {

namespace ax = platform::ax;

TEST(BusError, AGoneObjectOrApplicationIsAnInvalidElement) {
    EXPECT_EQ(statusOfErrorName("org.freedesktop.DBus.Error.ServiceUnknown"), ax::invalidElement);
    EXPECT_EQ(statusOfErrorName("org.freedesktop.DBus.Error.NameHasNoOwner"), ax::invalidElement);
    EXPECT_EQ(statusOfErrorName("org.freedesktop.DBus.Error.UnknownObject"), ax::invalidElement);
}

TEST(BusError, NoAnswerInTimeCannotComplete) {
    EXPECT_EQ(statusOfErrorName("org.freedesktop.DBus.Error.NoReply"), ax::cannotComplete);
    EXPECT_EQ(statusOfErrorName("org.freedesktop.DBus.Error.Timeout"), ax::cannotComplete);
    EXPECT_EQ(statusOfErrno(-ETIMEDOUT), ax::cannotComplete);
    EXPECT_EQ(statusOfErrno(-ECONNRESET), ax::cannotComplete);
}

TEST(BusError, WhatTheObjectDoesNotHaveIsUnsupported) {
    EXPECT_EQ(statusOfErrorName("org.freedesktop.DBus.Error.UnknownMethod"),
              ax::attributeUnsupported);
    EXPECT_EQ(statusOfErrorName("org.freedesktop.DBus.Error.UnknownInterface"),
              ax::attributeUnsupported);
    EXPECT_EQ(statusOfErrorName("org.freedesktop.DBus.Error.UnknownProperty"),
              ax::attributeUnsupported);
}

TEST(BusError, AnyOtherErrorIsTheGeneralFailure) {
    EXPECT_EQ(statusOfErrorName("org.freedesktop.DBus.Error.Failed"), generalFailure);
    EXPECT_EQ(statusOfErrorName("com.example.Whatever"), generalFailure);
    EXPECT_EQ(statusOfErrorName(""), generalFailure);
}

} // namespace
} // namespace orvel::linuxdesktop
