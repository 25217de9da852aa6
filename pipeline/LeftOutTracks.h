#pragma once

#include "pipeline/JobPlan.h"
#include "profiles/TrackChoice.h"

#include <QString>

class TaskRowStore;

// The caption of the question that names what the output will not hold.
inline const QString LeftOutCaption = "Tracks Left Out";

// What an output of the type (".avi") cannot hold of the listed files' tracks, a line for
// each kind, e.g. "AVI holds no subtitles: 2 subtitle tracks will not be in the output";
// a job that encodes twice also names what its intermediate AVI files leave out on the way;
// empty when it holds all of them, or when only the first picture and sound are kept.
// Tracks are joined by their position, so a kind counts as many tracks as the file with
// the most of them holds; attached files are counted in every file.
QString LeftOutNotice(const TaskRowStore& rows, const QString& outputExt, TrackChoice tracks, JobPlan plan,
                      bool encodes);
