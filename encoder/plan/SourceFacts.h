#pragma once

#include "InputProbe.h"
#include "MediaFacts.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// The job's own files (its pieces, intermediate files and the groups of a long join) mean
// nothing to the user: messages name the user's files they were made from, which the run
// that converts them records beside each (PieceRecord.h), with the files themselves, from
// which the join of pieces reads what the pieces leave out. The record of an intermediate
// file of a PQ picture also keeps the mastering display, which H.264 in AVI cannot carry.

// The facts to record beside a file converted from these inputs, as the record's tags.
std::map<std::string, std::string> SourceFacts(const std::vector<InputInfo>& inputs);

// A user's file that a file of the job's was made from, as its record keeps it, with where
// its stretch starts in it (none: at its first packet).
struct SourceFile {
    std::string path;
    std::optional<double> inpoint;
};
// Those files in their order; empty when the record keeps none (a name that would break it).
std::vector<SourceFile> RecordedSources(const std::map<std::string, std::string>& recorded);

// A record of those facts alone, for a file of the job's that is no piece.
MediaFacts SourceRecord(const std::vector<InputInfo>& inputs);

// What a message calls the file at `place` (counted from 1) of a run's inputs: a user's file
// by its name, a file of the job's own by the user's files in its record (recorded: the
// record's facts), else by its place: "input 3".
std::string InputName(const std::string& path, std::size_t place, const std::map<std::string, std::string>& recorded);

// Names the input at `place` and takes the colours that its record keeps and the file lacks.
void TakeSourceFacts(InputInfo& input, std::size_t place);
