#pragma once

// What the encoder's exit code tells its caller; the joiner reads it from here too.
namespace exitcode {
constexpr int Success = 0;
constexpr int Failed = 1;        // the job was tried and did not produce the output
constexpr int BadArguments = 2;  // refused before any work
constexpr int NotJoinable = 3;   // the inputs cannot be joined as they are; nothing was written
constexpr int ToolMissing = 127; // ffmpeg or ffprobe is not installed
// Stopped by a signal: 128 + the signal number, as a shell reports it.
constexpr int StoppedBase = 128;
}
