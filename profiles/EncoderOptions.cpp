#include "profiles/EncoderOptions.h"

#include "profiles/ProfileSections.h"
#include "settings/IniFile.h"

#include <QStringList>

namespace {

// The encoder value of a list's selected item; with nothing selected the key is
// "value-1", which no profile holds, so the default applies.
QString ValueOf(const TIniFile& profile, ProfileSection section, int position, const QString& defaultValue)
{
    return profile.ReadText(SectionName(section), "value" + QString::number(position), defaultValue);
}

// MP2 takes at most 128 kbit/s; a text that is not a number is passed on as typed.
QString LimitedAudioBitrate(const OutputChoices& choices)
{
    bool isNumber = false;
    const int bitrate = choices.audioBitrate.toInt(&isNumber);
    if (choices.audioCodecCaption == "MP2" && isNumber && bitrate > 128)
        return QStringLiteral("128");
    return choices.audioBitrate;
}

struct AudioPart {
    QString encoder;
    QString optionSwitch;
    QString options;
};

AudioPart AudioPartOf(const TIniFile& profile, const OutputChoices& choices)
{
    if (choices.audioCodecCaption == "MP3") {
        const QString mode = ValueOf(profile, ProfileSection::Mp3Encode, choices.encodeTo, "vbr");
        if (mode == "vbr")
            return {"mp3lame", "-lameopts",
                    "vbr=2:q=" + ValueOf(profile, ProfileSection::VbrQuality, choices.quality, "6")};
        return {"mp3lame", "-lameopts",
                mode + ":br=" + ValueOf(profile, ProfileSection::AbrCbrBitrate, choices.mp3Bitrate, "224")};
    }
    if (choices.audioCodecCaption == "PCM")
        return {"pcm", QString(), QString()};
    return {"lavc", "-lavcopts",
            "acodec=" + ValueOf(profile, ProfileSection::AudioCodec, choices.audioCodec, "ac3")
                + ":abitrate=" + LimitedAudioBitrate(choices)};
}

}

QString GetOutputSize(const QString& profilePath, const OutputChoices& choices)
{
    if (!choices.selectSize)
        return choices.width + ':' + choices.height;
    return ValueOf(TIniFile(profilePath), ProfileSection::VideoSize, choices.videoSize, "224");
}

JoinOptions BuildJoinOptions(const QString& profilePath, const OutputChoices& choices)
{
    const TIniFile profile(profilePath);
    // A profile that keeps the video as it is joins the inputs' own streams: nothing else applies.
    // Its sound is copied too, or encoded once over the whole join.
    if (ValueOf(profile, ProfileSection::VideoCodec, choices.videoCodec, "mpeg4") == "copy") {
        const QString sound = ValueOf(profile, ProfileSection::AudioCodec, choices.audioCodec, "copy") == "once"
            ? QStringLiteral("once")
            : QStringLiteral("copy");
        const QStringList arguments = QStringList{"-ovc", "copy", "-oac", sound} + TrackOptions(choices.tracks);
        return {' ' + arguments.join(' '), arguments};
    }
    const QString aspect = choices.aspect == 0
        ? QStringLiteral("autoaspect")
        : "aspect=" + ValueOf(profile, ProfileSection::Aspect, choices.aspect, "16:9");
    const QString videoOptions = "vcodec=" + ValueOf(profile, ProfileSection::VideoCodec, choices.videoCodec, "mpeg4")
        + ":vbitrate=" + choices.videoBitrate + ":mbd=2:" + aspect;
    const AudioPart audio = AudioPartOf(profile, choices);
    const QString channels = ValueOf(profile, ProfileSection::Channels, choices.channels, "2");
    const QString size = choices.selectSize
        ? ValueOf(profile, ProfileSection::VideoSize, choices.videoSize, "640:480")
        : choices.width + ':' + choices.height;

    // Each value is one whole argument, whatever it holds. In the text, empty pieces keep
    // their separating blanks (PCM has no switch and no options).
    QStringList pieces{"-ovc", "lavc", "-lavcopts", videoOptions, "-oac", audio.encoder, audio.optionSwitch,
                       audio.options, "-channels", channels, "-vf", "scale=" + size, "-srate", choices.sampleRate};
    pieces << TrackOptions(choices.tracks);
    const QString text = ' ' + pieces.join(' ');
    if (audio.optionSwitch.isEmpty())
        pieces.remove(6, 2);
    return {text, pieces};
}

QString BuildEncoderOptions(const QString& profilePath, const OutputChoices& choices)
{
    return BuildJoinOptions(profilePath, choices).text;
}
