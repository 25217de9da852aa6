#pragma once

#include <QString>
#include <QStringList>

// Real media for the tests, made by ffmpeg from its test sources.
struct ClipRecipe {
    double seconds = 2.0;
    int width = 320;
    int height = 240;
    QString frameRate = "25";
    bool video = true;
    bool audio = true;
    int channels = 2;
    int sampleRate = 44100;
    // Empty: ffmpeg's default codecs for the container.
    QString videoCodec;
    QString audioCodec;
    QStringList outputOptions; // more of ffmpeg's options for the file written
};

struct ProgramRun {
    int exitCode = -1;
    bool crashed = false;
    QString out;
    QString err;
};

// Runs a program (argument vector, no shell) and waits at most timeoutMs.
ProgramRun RunProgram(const QString& program, const QStringList& args, int timeoutMs = 120000);

// Writes a clip to path; the container follows the extension. Fails the current test on error.
void MakeClip(const QString& path, const ClipRecipe& recipe = {});

// The clip of the recipe, in a folder that every test process of the build shares: the
// first test that asks for it makes it, the others start no ffmpeg. Tests copy it and
// never change it.
QString SharedClip(const ClipRecipe& recipe, const QString& extension = "avi");

// ffprobe's value for one entry, for example StreamValue(f, "v:0", "stream=width").
QString ProbeValue(const QString& path, const QString& streams, const QString& entries);

// The program folder assembled by the build, ending in "/".
QString ProgramFolder();

// A file's bytes, and a file written with the given bytes; each fails the current test on error.
QByteArray ReadBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& bytes);
