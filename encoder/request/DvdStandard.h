#pragma once

#include "FfmpegPlan.h"
#include "InputProbe.h"
#include "Request.h"

// A VOB file is for DVD players, which play only the two broadcast standards: PAL, 720x576 at
// 25 frames a second, or NTSC, 720x480 at 29.97, shown at 4:3 or 16:9 (MPEG-1 video: 352x288
// or 352x240, at 4:3 only). The size asked for chooses the standard: 480 lines NTSC, 576 PAL;
// any other follows the frame rate asked for, else the first input's (NTSC's family of 24, 30
// and 60, else PAL). The display aspect is the one nearest to the aspect asked for, else to the
// first input's picture. Each change is named.
void ApplyDvdStandard(OutputFormat& format, const Request& request, bool mpeg1, const InputInfo& first,
                      double wantedRate);
