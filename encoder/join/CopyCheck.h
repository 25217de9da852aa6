#pragma once

#include "Encoding.h"
#include "Request.h"
#include "StreamJoin.h"

#include <functional>
#include <vector>

// An input that differs from the first, with what differs in plain words: "frame size
// 1920x1080, not 1280x720; no sound, unlike clip1.mp4".
struct Differing {
    std::size_t index = 0; // in the request's inputs
    std::string words;
};

// What a join that copies the streams carries from the inputs, and what it must do to
// carry it right.
struct CopyInputs {
    std::vector<StreamFacts> inputs; // empty when a stop signal ended the reading
    // Above 0: the inputs count time in different steps (MP4 and QuickTime files), which
    // a join of their packets cannot mix, or go into MP4 or QuickTime from files of other
    // kinds; each is copied first into a file that counts its picture's time in steps of
    // 1/timeScale and its sound's in samples.
    long long timeScale = 0;
    // With -reencode-differing: the inputs to encode to match the first, in order.
    std::vector<Differing> differing;
};

// Reads every input's streams and packet timestamps and throws JobError, naming the file
// and the fault in plain words and pointing to an encoding profile, when the copy could
// not be right: a codec the output container cannot hold, inputs that differ from the
// first input in their codecs, parameters, rotation, colour, hidden pictures or time steps
// (each said on stderr as DifferingLine says it, and given back instead where
// -reencode-differing asks for them to be encoded and they can be), a first input whose
// edit list hides pictures, timestamps that start again or leap (files joined end to end),
// or an MP4 or QuickTime file cut short (those with exitcode::NotJoinable; a file that
// cannot be read, with its own). Writes nothing.
CopyInputs CheckCopyInputs(const Request& request, const Encoding& encoding, const std::function<void()>& onTick);

// How much of each input's packets a copy into the encoding's container reads.
PacketsRead CopyPacketsRead(const Encoding& encoding);

// "Input 3 differs: frame size 1920x1080, not 1280x720" (counted from 1), for people; the
// joiner reads the same in a tagged line.
std::string DifferingLine(const Differing& input);
// Whether each input's sound is joined at the end of its picture, which needs every
// packet's place: AVI keeps no times for the sound, players of MPEG and ASF count frames,
// and Matroska keeps the priming of AAC and MP3 inside the sound, whose end would run over
// the next input's start.
bool JoinsSoundAtPictureEnd(Container output);

// "b.avi ends early: its last picture is cut off; joined up to 2.96 s" for an input that
// stops in the middle of a picture, "b.avi ends early: 1.8 s of its 3.0 s could be read"
// for one whose packets end more than a second before the length its header states (AVI,
// Matroska and the like, whose packets a copy reads whole); empty otherwise.
std::string CutShortNote(const StreamFacts& input);
