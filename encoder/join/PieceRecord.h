#pragma once

#include "MediaFacts.h"
#include "StreamJoin.h"

#include <optional>
#include <string>
#include <vector>

// What the run that wrote a piece knows of it (its streams as the join compares them, its
// length as ffmpeg reported it, its tags), kept in a record beside the piece, so that the
// join of the job's pieces need not read each of them again. Records are kept only for
// pieces in the job's own folder (TMPDIR, which the joiner makes for the job, private to
// this user), and a record holds only for the very file it was written for: the same
// device, inode, size and time of change. Any other piece is read as before.

// Records the piece just named at `path` with these facts (its picture as stream 0, its
// sound as stream 1); does nothing when the piece is not in the job's folder or no record
// can be written.
void WritePieceRecord(const std::string& path, const MediaFacts& piece);

// The facts recorded beside the file, while the record holds for it (the job's pieces,
// and what its intermediate files were made from: SourceFacts.h).
std::optional<MediaFacts> RecordedFacts(const std::string& path);

// The recorded facts of every one of the files, in order; empty unless each has a record
// that still holds.
std::vector<StreamFacts> RecordedPieces(const std::vector<std::string>& paths);
