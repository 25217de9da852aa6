#pragma once

#include "Encoding.h"
#include "InputProbe.h"
#include "Request.h"

#include <string>
#include <utility>
#include <vector>

// Whether the output type holds more than one sound track, as players read them back.
bool HoldsSeveralSoundTracks(Container container);

// The output's sound tracks: the first input's, the one joined first leading. Each
// further track takes from every input its track in the same place, or of the same
// language where that one's differs; -1 where an input has none, for silence in its stretch.
struct OutputSoundTracks {
    std::vector<SoundTrack> tracks;
    std::vector<std::vector<int>> streams; // [track][input], from track 1 on; row 0 stays empty
    // What each input's tracks left out are, for its note; empty where none is.
    std::vector<std::string> leftOut;
};

OutputSoundTracks PlanSoundTracks(const Request& request, Container container, const std::vector<InputInfo>& inputs);

// Each output track's language, title and default flag, from the first input's (ffmpeg's input 0).
std::vector<std::string> SoundTrackArguments(const std::vector<SoundTrack>& tracks);
