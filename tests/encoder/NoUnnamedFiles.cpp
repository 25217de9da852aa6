// Loaded into the encoder by LD_PRELOAD, this stands in for a file system without
// unnamed files (vfat, exFAT, NFS, FUSE): opening with O_TMPFILE fails as it does there.
#include <cerrno>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>

namespace {

using OpenFunction = int (*)(const char*, int, ...);

int OpenUnlessUnnamed(const char* name, const char* path, int flags, va_list args)
{
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    const mode_t mode = (flags & O_CREAT) ? va_arg(args, mode_t) : 0;
    const auto real = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, name));
    return real(path, flags, mode);
}

} // namespace

extern "C" int open(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = OpenUnlessUnnamed("open", path, flags, args);
    va_end(args);
    return fd;
}

extern "C" int open64(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = OpenUnlessUnnamed("open64", path, flags, args);
    va_end(args);
    return fd;
}
