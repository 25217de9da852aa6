#pragma once

#include <string>
#include <vector>

// True when a run of ffmpeg failed: a signal stopped it, it exited with a code other
// than 0, or it exited 0 after a failed write. status: the raw waitpid status.
bool FfmpegFailed(int status, const std::string& ffmpegErrors);

// Words ffmpeg's failure for the user, naming the file concerned, from its raw waitpid
// status and the last part of its error output.
std::string DescribeFfmpegFailure(int status, const std::string& ffmpegErrors, const std::string& output,
                                  const std::vector<std::string>& inputs);

// The write error that ffmpeg's messages tell of, in words naming the output: a full disk
// can leave a cut file behind a run that exited 0. Empty when they tell of none.
std::string DescribeWriteFailure(const std::string& ffmpegErrors, const std::string& output);

// What ffmpeg or ffprobe said about an input ("file:PATH: REASON"), the last time it
// named the file; empty when it did not.
std::string ReasonFor(const std::string& messages, const std::string& input);

// Keeps the last few kilobytes of a stream of messages.
void KeepTail(std::string& tail, const std::string& more);
