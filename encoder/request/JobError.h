#pragma once

#include <stdexcept>
#include <string>

// A failure while doing the media work: a bad input, no room on the disk, an
// ffmpeg run that went wrong. The message names the file concerned.
class JobError : public std::runtime_error {
public:
    explicit JobError(const std::string& message, int exitCode = 1)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};
