#pragma once

#include "pipeline/JobPlan.h"
#include "profiles/OutputChoices.h"

#include <QString>

#include <functional>
#include <optional>

// What a folder's file system reports: which one it is, and the bytes this user may still write.
struct FolderSpace {
    QString device;
    qint64 freeBytes = -1; // -1 when it cannot be read
};

// The file system of a folder, or of its nearest existing parent (a temp folder may not exist yet);
// nothing when this user cannot write there.
FolderSpace ProbeFolderSpace(const QString& folder);
using SpaceProbe = std::function<FolderSpace(const QString&)>;

// What a job is about to write: as its plan says, intermediate files or pieces in the temp
// folder (nothing when the join copies the inputs' own streams), its output in the output folder.
struct SpaceNeed {
    QString tempFolder;
    QString outputFolder;
    double totalSeconds = 0; // the listed lengths that are known
    double outputKbits = 0;  // the profile's video and audio bit rates; 0 when not known
    JobPlan plan = JobPlan::Intermediate;
    bool copiesStreams = false; // the join copies the inputs' streams: nothing is converted first
    qint64 inputBytes = 0;      // the listed files' sizes, which a join that copies writes again
    int inputCount = 0;
};

// The encoder joins more files than this by encoding groups of them into pieces first, in
// the job's folder.
constexpr int EncoderGroupInputs = 16;

// The chosen video and audio bit rates in kbit/s; 0 when the video's is not a number.
double OutputKbits(const OutputChoices& choices);

// The intermediates', the pieces' and the output's sizes, with a margin for rates that vary.
qint64 IntermediateBytes(double totalSeconds);
qint64 PieceBytes(double totalSeconds, double outputKbits);
qint64 OutputBytes(double totalSeconds, double outputKbits);

struct SpaceShortage {
    QString folder;
    qint64 freeBytes = 0;
    qint64 neededBytes = 0;
    QString written; // what the job writes there, for the user: "the intermediate files", ...
};

// The first folder, temp then output, whose free space may not hold what the job writes there;
// nothing when both may, when no length is known, or when the free space cannot be read.
std::optional<SpaceShortage> FindSpaceShortage(const SpaceNeed& need, const SpaceProbe& probe = ProbeFolderSpace);

// The question (or, in the console, the refusal) that names the folder, both sizes and what is written there.
QString SpaceShortageText(const SpaceShortage& shortage);
