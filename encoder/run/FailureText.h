#pragma once

#include <string>
#include <vector>

// Words ffmpeg's failure for the user, naming the file concerned, from the last
// part of its error output.
std::string DescribeFfmpegFailure(const std::string& ffmpegErrors, const std::string& output,
                                  const std::vector<std::string>& inputs);

// What ffmpeg or ffprobe said about an input ("file:PATH: REASON"), the last time it
// named the file; empty when it did not.
std::string ReasonFor(const std::string& messages, const std::string& input);

// Keeps the last few kilobytes of a stream of messages.
void KeepTail(std::string& tail, const std::string& more);
