#pragma once

#include "profiles/OutputChoices.h"

#include <QString>

#include <optional>

// The box that takes the focus when a check of the output settings fails.
enum class OutputCheckFocus { VideoBitrate, Width, Height, SampleRate, AudioBitrate };

struct OutputCheckFailure {
    QString text;
    QString caption;
    OutputCheckFocus focus;
    // The MP2 check puts the highest bitrate MP2 takes into the audio bitrate box.
    bool setAudioBitrateTo128 = false;
};

// The checks of the output settings dialog's OK, in their order; the first that fails.
std::optional<OutputCheckFailure> CheckOutputChoices(const OutputChoices& choices);
