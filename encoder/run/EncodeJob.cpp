#include "EncodeJob.h"

#include "Chapters.h"
#include "ChildRun.h"
#include "Console.h"
#include "CopyJoin.h"
#include "Encoding.h"
#include "ExitCodes.h"
#include "FailureText.h"
#include "FfmpegPlan.h"
#include "InputProbe.h"
#include "JobError.h"
#include "JobMark.h"
#include "Loudness.h"
#include "MemoryFile.h"
#include "JobPromises.h"
#include "OutputVerify.h"
#include "PictureColour.h"
#include "PieceJoin.h"
#include "PieceRecord.h"
#include "PrivateFolder.h"
#include "Progress.h"
#include "SourceFacts.h"
#include "StopSignals.h"
#include "TempOutput.h"
#include "UsageError.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

void RefuseOutputAmongInputs(const Request& request)
{
    const std::string output = RealPath(request.output);
    if (output.empty())
        return;
    for (const std::string& input : request.inputs)
        if (RealPath(input) == output)
            throw UsageError("The output file is also an input: " + request.output);
}

int Stopped(const std::string& output)
{
    WriteErr("\nStopped by signal " + std::to_string(StopSignal()) + "; no output written to " + output + "\n");
    return exitcode::StoppedBase + StopSignal();
}

// The cores to plan for: VELMO_ENCODER_CORES when set to a number, else the machine's.
unsigned Cores()
{
    if (const char* text = std::getenv("VELMO_ENCODER_CORES")) {
        const long cores = std::strtol(text, nullptr, 10);
        if (cores > 0)
            return static_cast<unsigned>(std::min(cores, 4096L));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

// A run opens each of its inputs at once, and inherits this limit.
void AllowEveryFileOpen()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// What the messages call the inputs.
std::vector<std::string> NamesOf(const std::vector<InputInfo>& inputs)
{
    std::vector<std::string> names;
    for (const InputInfo& input : inputs)
        names.push_back(input.name);
    return names;
}

// The inputs that one ffmpeg run opens at most. Each input holds its demuxer, decoder
// and filters for the whole run (about 3 MB for a small picture, tens of MB for a large
// one), so a longer join is made in groups of this many (bench/joinmemory).
constexpr std::size_t kGroupInputs = 16;

// Where a run lies in its job: the job's output, which its messages name, the seconds
// of the join before its inputs and in all, for the position it reports, and whether it
// makes the job's output.
struct RunSpan {
    std::string output;
    double secondsBefore = 0;
    double total = 0;
    bool last = true;
    bool first = true; // says the format's changes, which a join in groups says once
    std::size_t inputsBefore = 0; // the job's inputs before the run's first, for its notes
};

// One ffmpeg run makes request.output from the inputs, through a TempOutput that gets its
// name once it has been checked.
// measure: the loudness of the sound is measured and kept beside the output (Loudness.h).
int EncodeInOneRun(const Request& request, const Encoding& encoding, const std::vector<InputInfo>& inputs,
                   const OutputFormat& format, const JoinPart& part, const RunSpan& span, bool measure = false)
{
    TempOutput temp(request.output);
    std::vector<int> fds;
    if (temp.fdForChild() >= 0)
        fds.push_back(temp.fdForChild());
    const int graphFd = 3 + static_cast<int>(fds.size());
    std::optional<MemoryFile> loudness;
    JoinPart runPart = part;
    int nextFd = graphFd + 1;
    if (measure) {
        loudness.emplace("", "loudness", "the loudness measured");
        runPart.loudnessPath = ChildFdPath(nextFd++);
    }
    if (WritesChapters(request, encoding))
        runPart.chaptersPath = ChildFdPath(nextFd++);
    // Last, as the plan tells whether it reads it.
    runPart.subtitlesPath = ChildFdPath(nextFd++);
    FfmpegPlan plan = BuildFfmpegPlan(request, encoding, format, inputs, temp.pathForChild(), ChildFdPath(graphFd),
                                      Cores(), runPart);
    const std::vector<double> memberLengths = request.piece ? MemberLengths(inputs, format) : std::vector<double>();
    if (request.piece)
        MakePiecePlan(plan, request, encoding, part.mark, memberLengths);
    if (span.first)
        for (const std::string& change : plan.changes)
            WriteErr(change + "\n");
    for (std::size_t input = 0; input < plan.leftOut.size(); ++input)
        for (const std::string& note : plan.leftOut[input])
            SayNote(span.inputsBefore + input, note);
    const MemoryFile graph(plan.graph, "ffmpeg-graph", "the ffmpeg filter graph");
    fds.push_back(graph.fd());
    if (loudness)
        fds.push_back(loudness->fd());
    const MemoryFile chapters(plan.chapters, "ffmpeg-chapters", "the chapters");
    if (!runPart.chaptersPath.empty())
        fds.push_back(chapters.fd());
    PrivateFolder links;
    const MemoryFile subtitles(plan.subtitleEntries.empty() ? std::string() : ConcatList(plan.subtitleEntries, links),
                               "subtitle-list", "the list of the inputs' subtitles");
    if (!plan.subtitleEntries.empty())
        fds.push_back(subtitles.fd());
    AllowEveryFileOpen();

    Progress progress;
    // ffmpeg's messages are shown only when it fails: on success they are harmless notes.
    std::string ffmpegErrors;
    const auto tick = [&] {
        WriteOut(PosLine(span.secondsBefore + progress.seconds(), progress.frames(), span.total));
    };
    SayEncoding({inputs.front().width, inputs.front().height}, {format.width, format.height});
    const ChildrenRunResult run = RunChildren(
        {{plan.args, fds, [&](std::string_view text) { progress.Feed(text); },
          [&](std::string_view text) { KeepTail(ffmpegErrors, std::string(text)); }}},
        tick);
    if (run.stopSignal != 0)
        return Stopped(span.output);
    if (FfmpegFailed(run.statuses.front(), ffmpegErrors)) {
        WriteErr("\n" + ffmpegErrors);
        throw JobError(DescribeFfmpegFailure(run.statuses.front(), ffmpegErrors, span.output, request.inputs));
    }

    for (const InputInfo& input : inputs)
        CheckUnchanged(input);
    // Read back before it is named, a piece or an intermediate file of the job's too: a
    // full disk cuts it short without a word from ffmpeg.
    OutputPromise promise = EncodedPromise(request, encoding, inputs, format);
    promise.kept = {static_cast<int>(plan.soundTracks), !plan.subtitleEntries.empty(), plan.attachments};
    const double length = VerifyOutput(temp.pathForSelf(), request.output, promise, tick);
    if (StopSignal() != 0)
        return Stopped(span.output);
    const std::string written = temp.Commit();
    if (request.piece)
        RecordPiece(written, request, encoding, format, length, part.mark, memberLengths, SourceFacts(inputs),
                    plan.soundTracks);
    else if (LiesInJobFolder(request.output))
        WritePieceRecord(written, SourceRecord(inputs));
    if (loudness)
        if (const auto measured = MeasuredLoudness(loudness->Text()))
            KeepLoudness(request.output, *measured, part.mark);
    if (span.last) {
        WriteOut(FormatPosLine(span.total > 0 ? span.total : progress.seconds(), progress.frames(), 100));
        WriteOut("\n");
    }
    return exitcode::Success;
}

int JoinInputs(const Request& request, const Encoding& encoding, const std::string& mark,
               const std::vector<double>& chapterLengths = {});

// A join of more inputs than one run opens: each group of inputs becomes a piece of the
// output (its picture encoded as the output's, its sound kept exact, counted from the
// join's start) in a folder of the run's own (PrivateFolder), and the pieces are joined as
// the pieces of the encode-once plan are, their pictures copied and the sound encoded once.
int JoinInGroups(const Request& request, const Encoding& encoding, const std::vector<InputInfo>& inputs,
                 const OutputFormat& format, const std::string& mark, double total)
{
    PrivateFolder folder;
    Request group = request;
    group.piece = true;
    group.output = "group.mkv";
    const Encoding pieceEncoding = ChooseEncoding(group);
    Request join = request;
    join.inputs.clear();
    JoinPart part;
    part.mark = mark;
    RunSpan span{request.output, 0, total, false, true};
    std::vector<double> gains;
    if (request.evenLoudness)
        gains = LoudnessGains(request.inputs, NamesOf(inputs), mark);
    // Each group evens out its own inputs; the join of the groups keeps their sound.
    join.evenLoudness = false;
    std::vector<double> chapterLengths;
    for (std::size_t first = 0; first < inputs.size(); first += kGroupInputs) {
        const std::vector<InputInfo> members(inputs.begin() + static_cast<long>(first),
                                             inputs.begin() + static_cast<long>(std::min(first + kGroupInputs,
                                                                                        inputs.size())));
        group.inputs.clear();
        for (const InputInfo& member : members)
            group.inputs.push_back(member.path);
        group.output = folder.NewName(".mkv");
        if (!gains.empty())
            part.gains.assign(gains.begin() + static_cast<long>(first),
                              gains.begin() + static_cast<long>(first + members.size()));
        const int code = EncodeInOneRun(group, pieceEncoding, members, format, part, span);
        if (code != exitcode::Success)
            return code;
        join.inputs.push_back(group.output);
        span.first = false;
        span.inputsBefore += members.size();
        for (const InputInfo& member : members) {
            chapterLengths.push_back(FramesAt(member, format.frameRate) / format.frameRate);
            part.framesBefore += FramesAt(member, format.frameRate);
            span.secondsBefore += member.duration;
        }
    }
    return JoinInputs(join, encoding, mark, chapterLengths);
}

// Joins the job's pieces by copy where they are all there, else probes every input and
// encodes the join, in groups where it has more inputs than one run opens.
int JoinInputs(const Request& request, const Encoding& encoding, const std::string& mark,
               const std::vector<double>& chapterLengths)
{
    if (const auto joined = JoinPieces(request, encoding, mark, chapterLengths))
        return *joined;
    if (request.chapterTitles.size() > request.inputs.size() && chapterLengths.empty()) {
        // Titles for the inputs inside pieces that are encoded again: which piece holds
        // which of them is not known here.
        WriteErr("Chapters left out: " + std::to_string(request.chapterTitles.size()) + " titles for "
                 + std::to_string(request.inputs.size()) + " inputs\n");
        Request unchaptered = request;
        unchaptered.chapterTitles.clear();
        return JoinInputs(unchaptered, encoding, mark, chapterLengths);
    }
    const auto waiting = [] { WriteOut(FormatPosLine(0, 0, 0)); };
    std::vector<InputInfo> inputs;
    double total = 0;
    SayStep(encoderlines::Step::Reading);
    for (const std::string& path : request.inputs) {
        inputs.push_back(ProbeInput(path, waiting, mark));
        TakeSourceFacts(inputs.back(), inputs.size());
        if (StopSignal() != 0)
            return Stopped(request.output);
        if (const std::string note = EndsEarlyNote(inputs.back()); !note.empty())
            SayNote(inputs.size() - 1, note);
        total += inputs.back().duration;
    }
    const Encoding used = KeepingHdr(request, encoding, inputs);
    const OutputFormat format = ChooseOutputFormat(request, used, inputs);
    if (!request.piece && inputs.size() > kGroupInputs)
        return JoinInGroups(request, used, inputs, format, mark, total);
    // A conversion (a piece or an intermediate file of one input) measures its input's
    // loudness; a join evens out its inputs' by what their conversions measured.
    const bool converts = inputs.size() == 1 && (request.piece || request.videoCodec.empty());
    JoinPart part;
    part.mark = mark;
    if (request.evenLoudness && !converts)
        part.gains = LoudnessGains(request.inputs, NamesOf(inputs), mark);
    return EncodeInOneRun(request, used, inputs, format, part, {request.output, 0, total, true},
                          request.evenLoudness && converts && inputs.front().audioStream >= 0
                              && LiesInJobFolder(request.output));
}

} // namespace

Encoding CheckRequest(const Request& request)
{
    // A folder named as the output has no extension: that it is a folder says more.
    CheckOutputPlace(request.output);
    const Encoding encoding = ChooseEncoding(request);
    RefuseOutputAmongInputs(request);
    return encoding;
}

int RunEncodeJob(const Request& request)
{
    const Encoding encoding = CheckRequest(request);
    if (request.copyStreams) {
        if (request.evenLoudness)
            WriteErr("Even loudness: a join that keeps the sound as it is cannot change its loudness, "
                     "so the files keep theirs\n");
        return RunCopyJoin(request, encoding);
    }
    return JoinInputs(request, encoding, JobMark());
}
