#include "DvdStandard.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr double kNtscRate = 30000.0 / 1001;
constexpr double kPalRate = 25;
constexpr double kNarrow = 4.0 / 3;
constexpr double kWide = 16.0 / 9;

bool NtscFamily(double frameRate)
{
    for (const double rate : {24000.0 / 1001, 24.0, kNtscRate, 30.0, 60000.0 / 1001, 60.0})
        if (std::fabs(frameRate - rate) < 0.01)
            return true;
    return false;
}

std::string Fixed3(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

} // namespace

void ApplyDvdStandard(OutputFormat& format, const Request& request, bool mpeg1, const InputInfo& first,
                      double wantedRate)
{
    const int asked = request.scaleHeight;
    const bool ntsc = asked == 480 || (asked != 576 && NtscFamily(wantedRate));
    const int width = mpeg1 ? 352 : 720;
    const int height = (ntsc ? 480 : 576) / (mpeg1 ? 2 : 1);
    const double rate = ntsc ? kNtscRate : kPalRate;
    const char* standard = ntsc ? "NTSC" : "PAL";
    if (format.width != width || format.height != height)
        format.changes.push_back("Picture size " + std::to_string(format.width) + "x" + std::to_string(format.height)
                                 + " changed to " + std::to_string(width) + "x" + std::to_string(height)
                                 + ": the size of " + standard + " DVD video");
    format.width = width;
    format.height = height;
    if (std::fabs(format.frameRate - rate) > 1e-3)
        format.changes.push_back("Frame rate " + Fixed3(format.frameRate) + " changed to " + Fixed3(rate)
                                 + ": the rate of " + standard + " DVD video");
    format.frameRate = rate;
    const double wanted = request.aspect ? *request.aspect : DisplayAspect(first);
    const double aspect = mpeg1 || std::fabs(wanted - kNarrow) <= std::fabs(wanted - kWide) ? kNarrow : kWide;
    if (std::fabs(wanted - aspect) > 0.01)
        format.changes.push_back("Display aspect " + Fixed3(wanted) + " changed to "
                                 + (aspect == kNarrow ? "4:3" : "16:9") + ": the nearest that DVD video holds");
    format.displayAspect = aspect;
}
