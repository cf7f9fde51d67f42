// What a call writes to standard error, for the suites whose code under test
// reports there.
#ifndef TESTS_SUPPORT_STDERR_CAPTURE_H
#define TESTS_SUPPORT_STDERR_CAPTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// Runs call and returns what it wrote to stderr, CR LF as LF: msvcrt writes
// the newline of a text stream as CR LF.
template <typename Call> std::string stderr_of(Call call)
{
    ::testing::internal::CaptureStderr();
    call();
    std::string error = ::testing::internal::GetCapturedStderr();
    error.erase(std::remove(error.begin(), error.end(), '\r'), error.end());
    return error;
}

#endif
