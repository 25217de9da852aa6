#include "profiles/OutputChecks.h"

#include "profiles/ProfileRules.h"

namespace {

bool IsInteger(const QString& text)
{
    bool isInteger = false;
    text.toInt(&isInteger);
    return isInteger;
}

}

std::optional<OutputCheckFailure> CheckOutputChoices(const OutputChoices& choices)
{
    if (!IsInteger(choices.videoBitrate))
        return OutputCheckFailure{"The video bitrate is invalid.", "Invalid Video Bitrate", OutputCheckFocus::VideoBitrate};
    if (!IsWholeIn(choices.videoBitrate, VideoBitrateRange))
        return OutputCheckFailure{"The video bitrate must be from 1 to 100000 kbit.", "Invalid Video Bitrate",
                                  OutputCheckFocus::VideoBitrate};
    if (!choices.selectSize && !IsInteger(choices.width))
        return OutputCheckFailure{"The output width is invalid.", "Invalid Width", OutputCheckFocus::Width};
    if (!choices.selectSize && !IsInteger(choices.height))
        return OutputCheckFailure{"The output height is invalid.", "Invalid Height", OutputCheckFocus::Height};
    if (!choices.selectSize && !IsFrameSide(choices.width))
        return OutputCheckFailure{"The output width must be an even number from 2 to 8192.", "Invalid Width",
                                  OutputCheckFocus::Width};
    if (!choices.selectSize && !IsFrameSide(choices.height))
        return OutputCheckFailure{"The output height must be an even number from 2 to 8192.", "Invalid Height",
                                  OutputCheckFocus::Height};
    if (!IsInteger(choices.sampleRate))
        return OutputCheckFailure{"The sample rate is invalid.", "Invalid Sample Rate", OutputCheckFocus::SampleRate};
    if (!IsWholeIn(choices.sampleRate, SampleRateRange))
        return OutputCheckFailure{"The sample rate must be from 8000 to 96000.", "Invalid Sample Rate",
                                  OutputCheckFocus::SampleRate};
    // The audio bitrate is checked even while the MP3 panel hides it, and the focus
    // goes to the video bitrate box.
    if (!IsInteger(choices.audioBitrate))
        return OutputCheckFailure{"The Audio bitrate is invalid.", "Invalid Audio Bitrate",
                                  OutputCheckFocus::VideoBitrate};
    if (!IsWholeIn(choices.audioBitrate, AudioBitrateRange))
        return OutputCheckFailure{"The Audio bitrate must be from 8 to 1536 Kbps.", "Invalid Audio Bitrate",
                                  OutputCheckFocus::VideoBitrate};
    if (choices.audioCodecCaption == "MP2" && choices.audioBitrate.toInt() > 128)
        return OutputCheckFailure{"The maximum value of audio bitrate for MP2 codec is 128", "Invalid Audio Bitrate",
                                  OutputCheckFocus::AudioBitrate, true};
    return std::nullopt;
}
