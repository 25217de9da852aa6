#pragma once

#include <optional>
#include <string>
#include <vector>

// The output's name, and whether an existing file of that name may be replaced. With
// -noreplace it never is: the output takes the first free name of NAME.EXT, NAME_1.EXT,
// NAME_2.EXT, ... when it is written (TempOutput.h).
// A plain string does not convert to it, so that no output is taken without its rule.
struct OutputName : std::string {
    using std::string::operator=;
    bool keepExisting = false;
};

// One command line, read but not yet checked against the output container.
struct Request {
    enum class Audio { Mp3Lame, Pcm, Lavc };
    enum class LameMode { Vbr, Cbr, Abr };

    std::vector<std::string> inputs;
    OutputName output;

    // Video (-lavcopts). An empty codec means the high-quality intermediate default.
    std::string videoCodec;
    long videoBitrate = 0; // bit/s; 0 = constant quality
    std::optional<int> mbd;
    bool autoAspect = false;
    std::optional<double> aspect; // display aspect, width / height

    // Audio (-oac, -lavcopts, -lameopts).
    Audio audio = Audio::Mp3Lame;
    std::string audioCodec; // lavc audio codec name as given
    int audioBitrate = 0;   // kbit/s; 0 = the codec's default
    LameMode lameMode = LameMode::Vbr;
    std::optional<int> lameQuality;
    int lameBitrate = 0; // kbit/s

    std::string frameRate; // -ofps as given (checked to be a positive number); empty = keep
    int scaleWidth = 0;    // 0 = keep the input's size
    int scaleHeight = 0;   // 0 = keep the input's height
    int channels = 0;      // 0 = as the first input
    int sampleRate = 0;    // 0 = as the first input

    // -piece: the output is a piece of a later join (PieceJoin.h).
    bool piece = false;
    // -piecefor: the file name ending of that join's output ("vob"), whose rules shape the picture.
    std::string pieceFor;
    // -ovc copy -oac copy: the inputs' streams are joined as they are (CopyJoin.h).
    bool copyStreams = false;
    // -evenloudness: a conversion measures its input's loudness, and the join brings
    // every input's sound to the same (Loudness.h).
    bool evenLoudness = false;
    // -reencode-differing: with -ovc copy, the inputs that differ from the first are encoded
    // to match it and the others copied (DifferingPieces.h).
    bool reencodeDiffering = false;
    // -oac once: with -ovc copy, the pictures are copied and the sound encoded once over
    // the whole join, in the first input's sound format, so that no joint leaves a gap.
    bool soundOnce = false;
    // -tracks first: the first picture and sound track only; -tracks all (the default): every
    // sound track, with what the output type cannot hold named in a note.
    bool allTracks = true;
    // -chaptertitle, once for each input in order: the titles of its chapters (Chapters.h).
    std::vector<std::string> chapterTitles;
};
