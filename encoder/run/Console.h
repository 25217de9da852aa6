#pragma once

#include <string_view>

// Unbuffered writes to our standard output and error: the joiner reads them through
// a pipe while we work, so nothing may wait in a buffer. Write errors are ignored;
// a reader that went away must not stop the job.
void WriteOut(std::string_view text);
void WriteErr(std::string_view text);

// Writes all of text to fd, as far as the fd takes it.
void WriteAll(int fd, std::string_view text);
