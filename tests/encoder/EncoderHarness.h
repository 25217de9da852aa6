#pragma once

#include "tests/support/Clips.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// Texts as text in test messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// Sets an environment variable of this process, which the encoder runs inherit, for the
// life of the guard.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, const QByteArray& value)
        : m_name(name), m_old(qgetenv(name)), m_was(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~EnvironmentGuard() { m_was ? qputenv(m_name, m_old) : qunsetenv(m_name); }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_was;
};

// The built encoder program.
QString EncoderProgram();

// Runs the encoder with the given arguments (an argument vector, as the joiner gives it).
ProgramRun RunEncoder(const QStringList& args);

// The last non-empty line of a program's error output.
QString LastErrorLine(const ProgramRun& run);

// Decodes every frame and sample; true when ffmpeg reports nothing.
bool DecodesCleanly(const QString& path, QString* errors = nullptr);

// The pictures that GStreamer's decoders give of the file's first video stream; -1 when
// GStreamer fails. A decoder that cannot decode a picture drops it without a word.
long GStreamerPictures(const QString& path);

// Length in seconds by ffprobe: of the container, or of the first stream of a kind ("v:0", "a:0").
double LengthOf(const QString& path, const QString& stream = {});

// Loudest sample in dB between from and from + seconds of the file's audio.
double MaxVolume(const QString& path, double from, double seconds);

// The "Pos:" seconds in the encoder's standard output, in order.
QList<double> PositionsIn(const QString& out);

// The video frames stored in a file, counted one by one.
long FrameCount(const QString& path);

// The sound in 5 ms windows: each window's start in seconds of the file's time, and
// whether it is quiet (below -40 dB).
struct SoundWindow {
    double moment = 0;
    bool quiet = false;
};
QList<SoundWindow> SoundWindows(const QString& path);

// The moments (seconds from the picture's first frame) that start a quiet 5 ms window, from
// the picture's start to its end (its length being given). Sound that ends early fails the test.
QList<double> QuietWindows(const QString& path, double pictureSeconds);

// A clip in which a white flash and a short beep happen together at the given moments
// of each stream's own time; the streams themselves may start apart.
struct FlashBeepClip {
    double pictureSeconds = 1.5;
    double soundSeconds = 1.5;
    double pictureStart = 0; // -itsoffset of each stream
    double soundStart = 0;
    int sampleRate = 44100;
    QString frameRate = "30";
    QStringList codecs;      // ffmpeg's codec options, e.g. {"-c:v", "libx264", "-c:a", "aac"}
    double keepFraction = 1; // below 1: the file is cut short there, as a half-downloaded one
    QList<double> moments = {0.4, 1.1};
};
void MakeFlashBeepClip(const QString& path, const FlashBeepClip& clip);

// Beep minus flash in seconds for each flash and beep in order, as ffmpeg decodes the file.
QList<double> BeepMinusFlash(const QString& path);

// The names in a folder, hidden ones included.
QStringList FilesIn(const QString& folder);

// A test clip described in one expression: ClipOf(1.0, 320, 240).rate("30").silent().
struct ClipOf {
    ClipOf(double seconds, int width, int height)
    {
        recipe.seconds = seconds;
        recipe.width = width;
        recipe.height = height;
    }
    ClipOf& rate(const QString& frameRate) { recipe.frameRate = frameRate; return *this; }
    ClipOf& silent() { recipe.audio = false; return *this; }
    ClipOf& noVideo() { recipe.video = false; return *this; }
    ClipOf& sound(int channels, int sampleRate) { recipe.channels = channels; recipe.sampleRate = sampleRate; return *this; }
    ClipOf& codecs(const QString& video, const QString& audio) { recipe.videoCodec = video; recipe.audioCodec = audio; return *this; }
    ClipOf& options(const QStringList& more) { recipe.outputOptions = more; return *this; }
    operator ClipRecipe() const { return recipe; }
    ClipRecipe recipe;
};
