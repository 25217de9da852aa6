#include "profiles/ProfileCheck.h"

#include "core/PathRules.h"
#include "profiles/OutputChecks.h"
#include "profiles/ProfileContents.h"
#include "profiles/ProfileRules.h"
#include "settings/IniFile.h"
#include "settings/ProgramValues.h"

#include <QFileInfo>

#include <functional>

namespace {

// A profile's own fault, in words that follow "The profile "X" cannot be used: ".
using Fault = std::optional<QString>;

QString Quoted(const QString& text)
{
    return '"' + text + '"';
}

// A key's text, or nothing when the file lacks it (no INI value holds a line break).
class ProfileKeys {
public:
    explicit ProfileKeys(const QString& path)
        : m_file(path)
    {
    }
    std::optional<QString> read(const QString& section, const QString& key) const
    {
        const QString text = m_file.ReadText(section, key, QStringLiteral("\n"));
        return text == "\n" ? std::nullopt : std::optional<QString>(text);
    }

private:
    TIniFile m_file;
};

// What one section's encoder values must be: the caption itself (the editable boxes) or the
// "value" key of each item from firstValue on, accepted by the rule.
struct SectionRule {
    bool captionIsValue = false;
    int firstValue = 0;
    std::function<bool(const QString&)> accepts;
    QString expected;
};

SectionRule RuleOf(ProfileSection section)
{
    const auto within = [](WholeRange range) { return [range](const QString& text) { return IsWholeIn(text, range); }; };
    const auto among = [](const QStringList& names) {
        return [list = &names](const QString& text) { return list->contains(text); };
    };
    switch (section) {
    case ProfileSection::VideoCodec:
        return {false, 0, among(VideoCodecNames()), "a video codec the encoder knows"};
    case ProfileSection::VideoSize:
        return {false, 0, IsFrameSize, "a frame size (W:H, even sides from 2 to 8192)"};
    case ProfileSection::VideoBitrate:
        return {true, 0, within(VideoBitrateRange), "a bit rate from 1 to 100000 kbit/s"};
    case ProfileSection::Aspect:
        // Item 0 is the automatic aspect: its value is never read.
        return {false, 1, IsAspect, "an aspect (W:H or a number)"};
    case ProfileSection::AudioCodec:
        return {false, 0, among(AudioCodecNames()), "an audio codec the encoder knows"};
    case ProfileSection::Mp3Encode:
        return {false, 0, among(Mp3Modes()), "an MP3 mode (vbr, abr or cbr)"};
    case ProfileSection::VbrQuality:
        return {false, 0, within(VbrQualityRange), "a quality from 0 to 9"};
    case ProfileSection::AbrCbrBitrate:
        return {false, 0, within(Mp3BitrateRange), "an MP3 bit rate from 8 to 320 kbit/s"};
    case ProfileSection::AudioBitrate:
        return {true, 0, within(AudioBitrateRange), "a bit rate from 8 to 1536 kbit/s"};
    case ProfileSection::SampleRate:
        return {true, 0, within(SampleRateRange), "a sample rate from 8000 to 96000 Hz"};
    case ProfileSection::Channels:
        return {false, 0, within(ChannelsRange), "a number of channels from 1 to 8"};
    }
    return {};
}

Fault CheckType(const ProfileKeys& keys)
{
    const std::optional<QString> type = keys.read("Main", "Type");
    if (!type)
        return QStringLiteral("it has no Type in a [Main] section");
    if (!OutputExtensions().contains("." + *type))
        return "its Type " + Quoted(*type) + " is not an output type the program writes ("
            + QStringList(OutputExtensions()).replaceInStrings(".", "").join(", ") + ")";
    return std::nullopt;
}

// The "MP3" and "PCM" captions choose the encoder themselves: a value there may be left
// out, and where it is given it must say the same.
Fault CheckAudioValue(const QString& caption, const std::optional<QString>& value)
{
    if (caption != "MP3" && caption != "PCM")
        return std::nullopt;
    const QStringList same = caption == "MP3" ? QStringList{"mp3", "libmp3lame"} : QStringList{"pcm"};
    if (value && !same.contains(*value))
        return "its Audio Codec value " + Quoted(*value) + " does not match its caption " + Quoted(caption);
    return std::nullopt;
}

Fault CheckSection(const ProfileKeys& keys, ProfileSection section)
{
    const QString name = SectionName(section);
    const std::optional<QString> itemsText = keys.read(name, "Items");
    if (!itemsText && !keys.read(name, "Caption0"))
        return "it has no [" + name + "] section";
    if (!itemsText || !IsWholeIn(*itemsText, {1, MaxProfileItems}))
        return "its " + name + " Items value " + Quoted(itemsText.value_or(QString()))
            + " is not a number of items from 1 to " + QString::number(MaxProfileItems);
    const int items = itemsText->toInt();
    int captions = 0;
    while (captions <= items && keys.read(name, "Caption" + QString::number(captions)))
        ++captions;
    if (captions != items || keys.read(name, "value" + QString::number(items)))
        return "its " + name + " Items value " + Quoted(*itemsText) + " does not match its "
            + QString::number(captions) + " captions and values";
    const std::optional<QString> index = keys.read(name, "Index");
    if (!index || !IsWholeIn(*index, {0, items - 1}))
        return "its " + name + " Index value " + Quoted(index.value_or(QString())) + " is not an item of its list (0 to "
            + QString::number(items - 1) + ")";

    const SectionRule rule = RuleOf(section);
    for (int item = 0; item < items; ++item) {
        const QString caption = *keys.read(name, "Caption" + QString::number(item));
        const std::optional<QString> value =
            rule.captionIsValue ? caption : keys.read(name, "value" + QString::number(item));
        if (section == ProfileSection::AudioCodec && (caption == "MP3" || caption == "PCM")) {
            if (Fault fault = CheckAudioValue(caption, value))
                return fault;
            continue;
        }
        if (item < rule.firstValue)
            continue;
        if (!value)
            return "its " + name + " item " + Quoted(caption) + " has no value";
        if (!rule.accepts(*value))
            return "its " + name + " value " + Quoted(*value) + " is not " + rule.expected;
    }
    if (section == ProfileSection::Mp3Encode && keys.read(name, "value0") != "vbr")
        return QStringLiteral("its first MP3 Encode item is not the variable bit rate (value0=vbr)");
    return std::nullopt;
}

// A choice made in the dialog must still be an item of the file's list (the file may
// have changed since it was loaded).
Fault CheckChosen(const ProfileKeys& keys, const OutputChoices& choices)
{
    const std::pair<ProfileSection, int> chosen[] = {
        {ProfileSection::VideoCodec, choices.videoCodec}, {ProfileSection::Aspect, choices.aspect},
        {ProfileSection::AudioCodec, choices.audioCodec}, {ProfileSection::Mp3Encode, choices.encodeTo},
        {ProfileSection::VbrQuality, choices.quality},    {ProfileSection::AbrCbrBitrate, choices.mp3Bitrate},
        {ProfileSection::Channels, choices.channels},
    };
    for (const auto& [section, position] : chosen) {
        if (!keys.read(SectionName(section), "Caption" + QString::number(position)))
            return "its " + SectionName(section) + " list has no item " + QString::number(position)
                + " as the output settings choose";
    }
    if (choices.selectSize && !keys.read(SectionName(ProfileSection::VideoSize), "Caption" + QString::number(choices.videoSize)))
        return "its Video Size list has no item " + QString::number(choices.videoSize) + " as the output settings choose";
    return std::nullopt;
}

Fault CheckFile(const QString& path, const OutputChoices& choices)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return QStringLiteral("its file cannot be read");
    const ProfileKeys keys(path);
    if (Fault fault = CheckType(keys))
        return fault;
    for (ProfileSection section : AllProfileSections) {
        if (Fault fault = CheckSection(keys, section))
            return fault;
    }
    return CheckChosen(keys, choices);
}

}

std::optional<ProfileRefusal> CheckProfile(const QString& path, const OutputChoices& choices)
{
    if (const Fault fault = CheckFile(path, choices)) {
        const QString name = StripExtension(QFileInfo(path).fileName());
        const QString text = name.isEmpty() ? "No output profile is chosen."
                                            : "The profile " + Quoted(name) + " cannot be used: " + *fault + ".";
        return ProfileRefusal{"Invalid Profile", text + "\nFile: " + path};
    }
    // The typed texts as the dialog's OK takes them; the MP2 limit is the option builder's.
    const std::optional<OutputCheckFailure> typed = CheckOutputChoices(choices);
    if (typed && !typed->setAudioBitrateTo128)
        return ProfileRefusal{typed->caption, typed->text};
    return std::nullopt;
}
