#pragma once

#include "StreamJoin.h"

#include <map>
#include <optional>
#include <string>

// What the run that wrote a piece knows of it (its streams as the join compares them, its
// length as ffmpeg reported it), kept in a record beside the piece, so that the join of the
// job's pieces need not read each of them again; beside an intermediate file, what it was
// made from (SourceFacts.h). Records are kept only for pieces in the
// job's own folder (TMPDIR, which the joiner makes for the job, private to this user), and
// a record holds only for the very file it was written for: the same device, inode, size
// and time of change. Any other piece is read as before.

// Records the piece just named at `path` with these facts (keys as in ffprobe's flat
// output); does nothing when the piece is not in the job's folder or no record can be written.
void WritePieceRecord(const std::string& path, const std::map<std::string, std::string>& values);

// The facts recorded beside the file, while the record holds for it; empty otherwise.
std::map<std::string, std::string> RecordedFacts(const std::string& path);

// The recorded facts of every one of the files, in order; empty unless each has a record
// that still holds.
std::vector<StreamFacts> RecordedPieces(const std::vector<std::string>& paths);
