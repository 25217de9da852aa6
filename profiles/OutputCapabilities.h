#pragma once

#include <QString>

// What an output type can hold besides its picture and first sound track, as the encoder
// (ffmpeg's muxers) and common players handle it.
struct OutputCapabilities {
    QString name;             // what holds the tracks, as the user knows it: "AVI", "WebM"
    QString holds = "holds";  // its verb: "holds", or "hold" for a plural name
    bool subtitles = true;
    bool moreSoundTracks = true; // a second sound track and more
    bool attachments = true;  // attached files (fonts, pictures)
    bool cover = true;        // a cover picture
};

// The capabilities of a profile's Type ("avi", any letter case); a type the table does
// not know is taken to hold everything, so nothing is said of it.
OutputCapabilities CapabilitiesOf(const QString& type);

// What the intermediate AVI files of a job that encodes twice keep on their way to the
// output: the first sound track alone.
OutputCapabilities IntermediateCapabilities();
