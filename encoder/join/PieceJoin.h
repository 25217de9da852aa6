#pragma once

#include "Encoding.h"
#include "FfmpegPlan.h"
#include "Request.h"

#include <map>
#include <optional>
#include <string>

// A piece (-piece) is one input encoded as a later join encodes its picture, with the
// join's codec, bit rate, size, aspect and frame rate, and its sound kept losslessly at
// the join's rate and channels, as long as the picture, in Matroska. The join of pieces
// made with the same options copies their pictures and encodes the sound once over the
// whole join, so that no encoder's priming or padding falls at a joint. A piece keeps no
// subtitles or attachments: the join reads them from the files the pieces were made from
// (PieceSources.h).

// The Matroska tag that marks a piece, and its value: the job's mark (JobMark.h) and the
// options that shape the picture and the sound.
constexpr const char* kPieceTag = "VELMO_PIECE";
std::string PieceMark(const Request& request, const Encoding& encoding, const std::string& jobMark);

// The Matroska tag of a piece of several inputs: how long each of them lasts in it, in
// seconds, for a chapter at each one's first frame in the join.
constexpr const char* kPieceLengthsTag = "VELMO_PIECE_LENGTHS";
// Those lengths, as many frames as the run gives each input; empty for a piece of one input.
std::vector<double> MemberLengths(const std::vector<InputInfo>& inputs, const OutputFormat& format);

// Turns the plan of a piece's run into one whose pictures join by stream copy, and marks it
// (with its members' lengths, where it holds several inputs).
void MakePiecePlan(FfmpegPlan& plan, const Request& request, const Encoding& encoding, const std::string& jobMark,
                   const std::vector<double>& memberLengths = {});

// Keeps the record of a piece just named at `path` (PieceRecord.h): its streams as this
// run made them, its picture's private data as written, its length in seconds as ffmpeg
// reported it, its members' lengths, what it was made from (SourceFacts.h) and its sound tracks.
void RecordPiece(const std::string& path, const Request& request, const Encoding& encoding,
                 const OutputFormat& format, double seconds, const std::string& jobMark,
                 const std::vector<double>& memberLengths, const std::map<std::string, std::string>& source,
                 std::size_t soundTracks);

// When every input is a piece of this job marked with this request's options and all of
// them agree in their streams, joins them and gives the exit code; nullopt when the usual
// join is needed. The pieces are known from their records where each has one that still
// holds, else read again. Inputs of which some are the job's pieces but cannot be joined so are
// encoded again, and a line on stderr says why, unless the join says it of their colours. chapterLengths: how long each of the job's
// inputs lasts in the output; empty: as each piece's members' lengths say, else one each.
std::optional<int> JoinPieces(const Request& request, const Encoding& encoding, const std::string& jobMark,
                              const std::vector<double>& chapterLengths = {});
