#include "profiles/OutputCapabilities.h"

#include <array>

namespace {

struct TypeCapabilities {
    const char* type;
    OutputCapabilities can;
};

// Subtitles, more sound tracks, attachments, cover, as the encoder writes them: only
// Matroska takes attachments and only MP4 a cover picture; MPEG program streams, AVI, FLV
// and Windows Media keep the first sound track alone.
const std::array<TypeCapabilities, 10> Table = {{
    {"mkv", {"MKV", "holds", true, true, true, false}},
    {"webm", {"WebM", "holds", true, true, false, false}},
    {"mp4", {"MP4", "holds", true, true, false, true}},
    {"mov", {"MOV", "holds", true, true, false, false}},
    {"avi", {"AVI", "holds", false, false, false, false}},
    {"mpg", {"MPG", "holds", false, false, false, false}},
    {"vob", {"VOB", "holds", false, false, false, false}},
    {"flv", {"FLV", "holds", false, false, false, false}},
    {"wmv", {"WMV", "holds", false, false, false, false}},
    {"asf", {"ASF", "holds", false, false, false, false}},
}};

}

OutputCapabilities CapabilitiesOf(const QString& type)
{
    for (const TypeCapabilities& row : Table)
        if (type.compare(QLatin1String(row.type), Qt::CaseInsensitive) == 0)
            return row.can;
    return {type.toUpper()};
}

OutputCapabilities IntermediateCapabilities()
{
    OutputCapabilities avi = CapabilitiesOf("avi");
    avi.name = "The intermediate AVI files";
    avi.holds = "hold";
    return avi;
}
