#include "profiles/ProfileSections.h"

QString SectionName(ProfileSection section)
{
    switch (section) {
    case ProfileSection::VideoCodec:
        return QStringLiteral("Video Codec");
    case ProfileSection::VideoSize:
        return QStringLiteral("Video Size");
    case ProfileSection::VideoBitrate:
        return QStringLiteral("Video Bitrate");
    case ProfileSection::Aspect:
        return QStringLiteral("Aspect");
    case ProfileSection::AudioCodec:
        return QStringLiteral("Audio Codec");
    case ProfileSection::Mp3Encode:
        return QStringLiteral("MP3 Encode");
    case ProfileSection::VbrQuality:
        return QStringLiteral("VBR Quality");
    case ProfileSection::AbrCbrBitrate:
        return QStringLiteral("ABR CBR Bitrate");
    case ProfileSection::AudioBitrate:
        return QStringLiteral("Audio Bitrate");
    case ProfileSection::SampleRate:
        return QStringLiteral("Sample Rate");
    case ProfileSection::Channels:
        return QStringLiteral("Channels");
    }
    return {};
}
