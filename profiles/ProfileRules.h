#pragma once

#include <QString>
#include <QStringList>

// What each encoder value may hold: the ranges and names the encoder takes. The output
// settings dialog's OK and the profile check share them.
struct WholeRange {
    int low;
    int high;
};

// Video bit rates as the box gives them, in kbit/s; the encoder would read larger numbers as bit/s.
constexpr WholeRange VideoBitrateRange{1, 100000};
constexpr WholeRange AudioBitrateRange{8, 1536};
constexpr WholeRange Mp3BitrateRange{8, 320};
constexpr WholeRange VbrQualityRange{0, 9};
constexpr WholeRange ChannelsRange{1, 8};
constexpr WholeRange SampleRateRange{8000, 96000};
constexpr WholeRange FrameSideRange{2, 8192};

// A decimal integer, nothing around it, within the range.
bool IsWholeIn(const QString& text, WholeRange range);
// The encoders take frame sides that are even.
bool IsFrameSide(const QString& text);
// "W:H" of two frame sides.
bool IsFrameSize(const QString& text);
// "W:H", "W/H" or a decimal number: a display aspect from 0.1 to 10.
bool IsAspect(const QString& text);

// The codec names the encoder knows, "copy" for the inputs' own streams, and for the sound
// "once": encoded once over a join whose pictures are copied.
const QStringList& VideoCodecNames();
const QStringList& AudioCodecNames();
// The MP3 encoder's modes; the first is the variable bit rate.
const QStringList& Mp3Modes();
