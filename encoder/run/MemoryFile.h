#pragma once

#include <string>

// Text in memory that a helper reads as a file (/proc/self/fd/N): a filter graph or a
// list of files can be longer than one argument may be. A helper can write one too.
class MemoryFile {
public:
    // purpose names the text in the error when no such file can be made.
    MemoryFile(const std::string& text, const char* name, const std::string& purpose);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    int fd() const { return fd_; }
    // What the file holds now: a helper may have written it.
    std::string Text() const;

private:
    int fd_;
};
