#pragma once

#include <stdexcept>
#include <string>

// A command line the program cannot carry out as written: an unknown option, a
// missing or impossible value, or a codec the output container refuses.
// Detected before any media work; the program exits with code 2.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};
