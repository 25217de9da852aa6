#pragma once

#include "profiles/TrackChoice.h"

#include <QString>

// The output settings dialog's current state, as the option builder and the dialog's
// checks read it: the selected positions (-1 for none) and the typed texts.
struct OutputChoices {
    int videoCodec = -1;
    QString videoBitrate;
    int aspect = -1;
    bool selectSize = true; // the size list is chosen, not the manual width and height
    int videoSize = -1;
    QString width;
    QString height;
    int audioCodec = -1;
    QString audioCodecCaption;
    QString audioBitrate;
    int encodeTo = -1;
    int quality = -1;
    int mp3Bitrate = -1;
    int channels = -1;
    QString sampleRate;
    TrackChoice tracks = TrackChoice::All;
};
