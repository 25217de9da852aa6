#include "JobMark.h"

#include "JobError.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sys/random.h>

std::string JobMark()
{
    if (const char* given = std::getenv("VELMO_JOB_MARK")) {
        const std::string mark(given);
        if (mark.size() >= 16 && mark.size() <= 64
            && std::all_of(mark.begin(), mark.end(), [](unsigned char c) { return std::isalnum(c); }))
            return mark;
    }
    unsigned char bytes[16];
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
        throw JobError("No random numbers for the job's mark");
    static const char digits[] = "0123456789abcdef";
    std::string mark;
    for (const unsigned char byte : bytes) {
        mark += digits[byte >> 4];
        mark += digits[byte & 15];
    }
    return mark;
}
