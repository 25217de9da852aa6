#pragma once

#include "MediaFacts.h"
#include "PictureColour.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What one input promises of its stretch of the output, as a player shows it.
struct StretchPromise {
    std::string name;     // the input as a failure's words name it: its file name, never a file of the job's own
    double seconds = 0;   // its pictures' shown length (after an edit list)
    long pictures = 0;    // the pictures it shows; 0: as many as its length holds at the output's rate
};

// The tracks beside the picture and the first sound that a run keeps.
struct KeptPromise {
    int soundTracks = 0; // each as long as the first; 0: as the sound check alone says
    bool subtitles = false;
    int attachments = 0;
};

// What a run promised its output would be.
struct OutputPromise {
    std::vector<StretchPromise> stretches;
    bool sound = true;        // a sound track is there
    KeptPromise kept;
    std::optional<int> turn;  // the turn the output's picture is stored with; nullopt: not promised
    double displayAspect = 0; // the picture's shape as shown; 0: not promised
    std::optional<Dynamic> dynamic; // HDR or SDR; nullopt: not promised
    bool chapters = false; // a chapter starts where each stretch starts
    // Decode the pictures around every joint and at both ends, or every picture (inputs
    // that look damaged); none for the job's own pieces, which the join reads again.
    enum class Decode { None, Joints, Whole };
    Decode decode = Decode::Joints;
    // How far before and after each joint the pictures are decoded, in seconds.
    double decodeBefore = 1;
    double decodeAfter = 1;
    bool decodeEnd = true; // the pictures at the output's end too
};

// Reads the written output back (readPath: where this process reads it) and holds it
// against the promise: every stretch of its input's length within one frame and with its
// pictures, picture times that only go forward, no decode error where it decodes, the sound
// there, every kept track (each sound track as long as the first), upright with its shape, HDR or SDR as promised, chapters at the stretches. Throws
// JobError with the failure in words ("clip3.mp4: 2.52 s in the output, 2.00 s in the
// file"), naming the output as `name`. Gives the output's length in seconds.
double VerifyOutput(const std::string& readPath, const std::string& name, const OutputPromise& promise,
                    const std::function<void()>& onTick);
