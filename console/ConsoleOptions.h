#pragma once

#include "pipeline/JobPlan.h"
#include "profiles/TrackChoice.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the console mode was asked to do.
struct ConsoleOptions {
    bool help = false;
    bool dryRun = false;
    bool overwrite = false;
    bool force = false; // start even when the free space may not be enough
    bool skipUnreadable = false; // join the inputs that can be read, having named the others
    bool reencodeDiffering = false; // a join without re-encoding encodes the inputs that differ
    JobPlan plan = JobPlan::EncodeOnce;
    bool evenLoudness = false;
    std::optional<bool> chapters; // unset: as the general settings say
    std::optional<TrackChoice> tracks; // unset: as the profile says
    QString profile;
    QString output;
    QStringList inputs;
};

// True when the arguments ask for the console mode rather than the window.
bool IsConsoleCommand(const QStringList& arguments);

// The options, or the reason they cannot be used (for the user, on stderr).
std::optional<ConsoleOptions> ParseConsoleOptions(const QStringList& arguments, QString& error);

// The text of --help.
QString ConsoleHelp(const QStringList& profiles);
