#pragma once

#include "Encoding.h"
#include "InputProbe.h"
#include "PictureColour.h"
#include "Request.h"
#include "StreamJoin.h"

#include <string>
#include <vector>

// The output's picture and sound, settled from the request and the first input.
struct OutputFormat {
    int width = 0;
    int height = 0;
    double frameRate = 25;
    double displayAspect = 0; // 0: square pixels
    int sampleRate = 44100;
    int channels = 2;
    OutputColour colour;
    // One line for each value changed to one the output can hold, for the user.
    std::vector<std::string> changes;
};

OutputFormat ChooseOutputFormat(const Request& request, const Encoding& encoding,
                                const std::vector<InputInfo>& inputs);

// One ffmpeg run makes the output of its inputs: every input's picture and sound are
// brought to the output's format (format) and length in one filter graph, joined, and
// encoded together, so that sound and picture share one clock from input to output. The
// graph is read from a file (graphPath): a long join would not fit in one argument.
struct FfmpegPlan {
    std::vector<std::string> args; // sends its progress reports to its stdout
    std::string graph;
    std::vector<std::string> changes; // the format's
    // For each input, the note of what of it the output leaves out; empty where nothing is.
    std::vector<std::vector<std::string>> leftOut;
    std::size_t soundTracks = 1;
    int attachments = 0; // kept, the cover picture too
    // The inputs' subtitles, read from JoinPart::subtitlesPath as a concat list of these; empty: none.
    std::vector<ConcatEntry> subtitleEntries;
    std::string chapters; // ffmetadata, read from JoinPart::chaptersPath; empty: none
};

// Where a run's inputs lie in a join that is made in several runs, and the job's mark.
struct JoinPart {
    // The join's frames before the run's first input: the sound's samples are counted
    // from the join's start, so that rounding never adds up over the runs.
    long framesBefore = 0;
    // Names an intermediate file's lead-in track as this job's (JobMark.h); without a
    // mark no lead-in track is written.
    std::string mark;
    // Each input's gain in dB, which evens out their loudness; empty: the sound as it is.
    std::vector<double> gains;
    // Where the run writes the loudness of its sound (Loudness.h); empty: not measured.
    std::string loudnessPath;
    // Where the run reads its chapters (Chapters.h); empty when the output gets none.
    std::string chaptersPath;
    // Where the run reads the list of its inputs' subtitles, if it keeps any (KeptStreams.h).
    std::string subtitlesPath;
};

FfmpegPlan BuildFfmpegPlan(const Request& request, const Encoding& encoding, const OutputFormat& format,
                           const std::vector<InputInfo>& inputs, const std::string& target,
                           const std::string& graphPath, unsigned cores, const JoinPart& part = {});

// The title of a lead-in track of samples, marked as the job's.
std::string LeadInTitle(long samples, const std::string& mark);

// The sound encoder's options: its codec and mode, the output's rate and channels.
std::vector<std::string> SoundCodecArguments(const Request& request, const Encoding& encoding,
                                             const OutputFormat& format);

// aresample's options that bring the sound to this many channels: channels mixed into
// fewer are scaled so that their sum never clips.
std::string ChannelMix(int channels);

// The frames an input gives at the output rate. 0 when its length is unknown.
long FramesAt(const InputInfo& input, double frameRate);

// The decoding threads each input gets: several for a few inputs, fewer for many, as
// every input's decoder is open for the whole run.
int DecoderThreads(std::size_t inputs, unsigned cores);

// The samples an AVI player hears before the sound proper: the encoder's delay plus the
// decoder's. AVI has no timestamps to say so, so this much is taken off the start.
int PrimingSamples(const std::string& audioEncoder, int sampleRate);

// A frame rate as ffmpeg reads it: NTSC rates exactly, others as a decimal.
std::string FrameRateText(double rate);
