#include "profiles/OutputCapabilities.h"

#include <array>

namespace {

struct TypeCapabilities {
    const char* type;
    OutputCapabilities can;
};

// Subtitles, more sound tracks, attachments, cover. Only Matroska takes attachments; MPEG
// program streams, AVI and FLV take a second sound track that players do not offer.
const std::array<TypeCapabilities, 10> Table = {{
    {"mkv", {"MKV", true, true, true, true}},
    {"webm", {"WebM", true, true, false, false}},
    {"mp4", {"MP4", true, true, false, true}},
    {"mov", {"MOV", true, true, false, true}},
    {"avi", {"AVI", false, false, false, false}},
    {"mpg", {"MPG", false, false, false, false}},
    {"vob", {"VOB", false, true, false, false}},
    {"flv", {"FLV", false, false, false, false}},
    {"wmv", {"WMV", false, true, false, false}},
    {"asf", {"ASF", false, true, false, false}},
}};

}

OutputCapabilities CapabilitiesOf(const QString& type)
{
    for (const TypeCapabilities& row : Table)
        if (type.compare(QLatin1String(row.type), Qt::CaseInsensitive) == 0)
            return row.can;
    return {type.toUpper()};
}
