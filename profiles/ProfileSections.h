#pragma once

#include <QString>

#include <array>

// The eleven settings of an output profile. Each is one section of the profile file,
// and the section name is also the hint of the output settings dialog's box for it.
enum class ProfileSection {
    VideoCodec,
    VideoSize,
    VideoBitrate,
    Aspect,
    AudioCodec,
    Mp3Encode,
    VbrQuality,
    AbrCbrBitrate,
    AudioBitrate,
    SampleRate,
    Channels,
};

constexpr int ProfileSectionCount = 11;

// The sections in the order a profile is loaded.
constexpr std::array<ProfileSection, ProfileSectionCount> AllProfileSections = {
    ProfileSection::VideoCodec,  ProfileSection::VideoSize,    ProfileSection::VideoBitrate,
    ProfileSection::Aspect,      ProfileSection::AudioCodec,   ProfileSection::Mp3Encode,
    ProfileSection::VbrQuality,  ProfileSection::AbrCbrBitrate, ProfileSection::AudioBitrate,
    ProfileSection::SampleRate,  ProfileSection::Channels,
};

// "Video Codec", "Video Size", ...
QString SectionName(ProfileSection section);
