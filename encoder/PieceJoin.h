#pragma once

#include "Encoding.h"
#include "FfmpegPlan.h"
#include "Request.h"

#include <optional>
#include <string>

// A piece (-piece) is one input encoded as a later join encodes its picture, with the
// join's codec, bit rate, size, aspect and frame rate, and its sound kept losslessly at
// the join's rate and channels, as long as the picture, in Matroska. The join of pieces
// made with the same options copies their pictures and encodes the sound once over the
// whole join, so that no encoder's priming or padding falls at a joint.

// The Matroska tag that marks a piece, and its value: the job's mark (JobMark.h) and the
// options that shape the picture and the sound.
constexpr const char* kPieceTag = "VELMO_PIECE";
std::string PieceMark(const Request& request, const Encoding& encoding, const std::string& jobMark);

// Turns the plan of a piece's run into one whose pictures join by stream copy, and marks it.
void MakePiecePlan(FfmpegPlan& plan, const Request& request, const Encoding& encoding, const std::string& jobMark);

// Keeps the record of a piece just named at `path` (PieceRecord.h): its streams as this
// run made them, its picture's private data as written, and its length in seconds as
// ffmpeg reported it.
void RecordPiece(const std::string& path, const Request& request, const Encoding& encoding,
                 const OutputFormat& format, double seconds, const std::string& jobMark);

// When every input is a piece of this job marked with this request's options and all of
// them agree in their streams, joins them and gives the exit code; nullopt when the usual
// join is needed. The pieces are known from their records where each has one that still
// holds, else read again. Inputs of which some are the job's pieces but cannot be joined so are
// encoded again, and a line on stderr says why. chapterLengths: how long each of the job's
// inputs lasts in the output, where a piece holds several of them; empty: one each.
std::optional<int> JoinPieces(const Request& request, const Encoding& encoding, const std::string& jobMark,
                              const std::vector<double>& chapterLengths = {});
