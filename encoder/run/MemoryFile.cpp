#include "MemoryFile.h"

#include "Console.h"
#include "JobError.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

MemoryFile::MemoryFile(const std::string& text, const char* name, const std::string& purpose)
    : fd_(memfd_create(name, MFD_CLOEXEC))
{
    if (fd_ < 0)
        throw JobError("Cannot hold " + purpose + ": " + std::strerror(errno));
    WriteAll(fd_, text);
}

MemoryFile::~MemoryFile()
{
    close(fd_);
}

std::string MemoryFile::Text() const
{
    std::string text;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t got = pread(fd_, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(got));
        at += got;
    }
}
