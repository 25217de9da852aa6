#include "QuickTimeBoxes.h"

#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::uint64_t BigEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

} // namespace

bool LooksLikeQuickTime(const std::string& path)
{
    char head[8] = {};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool read = ::read(fd, head, sizeof head) == static_cast<ssize_t>(sizeof head);
    close(fd);
    const std::string box(head + 4, 4);
    return read && (box == "ftyp" || box == "moov" || box == "mdat" || box == "free" || box == "wide");
}

bool QuickTimeCutShort(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat file {};
    bool cutShort = false;
    if (fstat(fd, &file) == 0) {
        const auto size = static_cast<std::uint64_t>(file.st_size);
        std::uint64_t at = 0;
        unsigned char head[16];
        while (at < size) {
            if (size - at < 8) {
                cutShort = true;
                break;
            }
            if (pread(fd, head, sizeof head, static_cast<off_t>(at)) < 8)
                break;
            std::uint64_t length = BigEndian(head, 4);
            if (length == 1) { // the size follows the type in 64 bits
                if (size - at < 16) {
                    cutShort = true;
                    break;
                }
                length = BigEndian(head + 8, 8);
            } else if (length == 0) { // the box runs to the file's end
                break;
            }
            if (length < 8) // not laid out in boxes after all
                break;
            if (length > size - at) {
                cutShort = true;
                break;
            }
            at += length;
        }
    }
    close(fd);
    return cutShort;
}
