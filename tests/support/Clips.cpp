#include "tests/support/Clips.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

#include <gtest/gtest.h>

ProgramRun RunProgram(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, args);
    ProgramRun run;
    if (!process.waitForStarted()) {
        run.err = process.errorString();
        return run;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.crashed = true;
    }
    run.crashed = run.crashed || process.exitStatus() == QProcess::CrashExit;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

namespace {

// ffmpeg's arguments for the recipe, all but the output file.
QStringList ClipArguments(const ClipRecipe& recipe)
{
    const QString duration = QString::number(recipe.seconds, 'f', 3);
    QStringList args{"-nostdin", "-y", "-v", "error"};
    if (recipe.video) {
        args << "-f" << "lavfi" << "-i"
             << QString("testsrc2=size=%1x%2:rate=%3:duration=%4")
                    .arg(recipe.width).arg(recipe.height).arg(recipe.frameRate, duration);
    }
    if (recipe.audio) {
        const QString layout = recipe.channels == 1 ? "mono" : recipe.channels == 2 ? "stereo"
                                                                               : QString("%1c").arg(recipe.channels);
        args << "-f" << "lavfi" << "-i"
             << QString("sine=frequency=440:sample_rate=%1:duration=%2").arg(recipe.sampleRate).arg(duration);
        args << "-af" << QString("aformat=channel_layouts=%1").arg(layout);
    }
    if (!recipe.videoCodec.isEmpty())
        args << "-c:v" << recipe.videoCodec;
    if (!recipe.audioCodec.isEmpty())
        args << "-c:a" << recipe.audioCodec;
    args << "-t" << duration << recipe.outputOptions;
    return args;
}

}

void MakeClip(const QString& path, const ClipRecipe& recipe)
{
    const ProgramRun run = RunProgram("ffmpeg", ClipArguments(recipe) << path);
    ASSERT_EQ(run.exitCode, 0) << "ffmpeg could not make " << path.toStdString() << ": "
                               << run.err.toStdString();
}

QString SharedClip(const ClipRecipe& recipe, const QString& extension)
{
    const QByteArray arguments = ClipArguments(recipe).join('\n').toUtf8();
    const QByteArray key = QCryptographicHash::hash(arguments, QCryptographicHash::Sha1).toHex().left(16);
    const QString name = key + "." + extension;
    const QString folder = QStringLiteral(VELMO_TEST_CLIPS);
    const QString path = folder + name;
    if (QFileInfo::exists(path))
        return path;
    QDir().mkpath(folder);
    // Made under a name of this process's own, then renamed in one step: a test in another
    // process sees the whole clip or none.
    const QString part = folder + QString::number(QCoreApplication::applicationPid()) + "-" + name;
    MakeClip(part, recipe);
    EXPECT_EQ(std::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()), 0)
        << "the clip " << path.toStdString() << " could not be kept";
    return path;
}

QString ProbeValue(const QString& path, const QString& streams, const QString& entries)
{
    QStringList args{"-v", "error"};
    if (!streams.isEmpty())
        args << "-select_streams" << streams;
    args << "-show_entries" << entries << "-of" << "default=noprint_wrappers=1:nokey=1" << path;
    return RunProgram("ffprobe", args).out.trimmed();
}

QString ProgramFolder()
{
    return QStringLiteral(VELMO_PROGRAM_DIR);
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    EXPECT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
}
