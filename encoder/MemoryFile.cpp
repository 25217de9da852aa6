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
