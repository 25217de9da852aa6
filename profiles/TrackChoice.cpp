#include "profiles/TrackChoice.h"

#include "settings/IniFile.h"

namespace {

const QString Section = QStringLiteral("Main");
const QString Key = QStringLiteral("Tracks");

}

TrackChoice ReadTrackChoice(const QString& profilePath)
{
    const QString text = TIniFile(profilePath).ReadText(Section, Key, QString()).trimmed();
    return text.compare(QLatin1String("first"), Qt::CaseInsensitive) == 0 ? TrackChoice::First : TrackChoice::All;
}

std::optional<QString> StoreTrackChoice(const QString& profilePath, TrackChoice choice)
{
    if (ReadTrackChoice(profilePath) == choice)
        return std::nullopt;
    try {
        TIniFile(profilePath).WriteText(Section, Key, choice == TrackChoice::First ? "first" : "all");
    } catch (const IniWriteError& failure) {
        return QString::fromUtf8(failure.what());
    }
    return std::nullopt;
}

QStringList TrackOptions(TrackChoice choice)
{
    // A fixed mapping: nothing the profile holds becomes an option itself.
    QStringList options;
    if (choice == TrackChoice::First)
        options << TracksOption << QStringLiteral("first");
    return options;
}
