#include "core/NameBytes.h"
#include "pipeline/ThumbnailMaker.h"
#include "tests/support/Clips.h"
#include "tests/ui/ProgramFolderFixture.h"
#include "ui/TaskThumbnails.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// The pictures in the task list, made by the real encoder from clips of this test.
class TaskThumbnailsTest : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::link(ProgramFolder() + "asapi.dll", programDir() + "asapi.dll"));
        ASSERT_TRUE(QDir(programDir()).mkdir("clips"));
    }

    QString clip(const QString& name, int width = 320, int height = 240)
    {
        ClipRecipe recipe;
        recipe.seconds = 1.0;
        recipe.width = width;
        recipe.height = height;
        recipe.audio = false;
        const QString path = programDir() + "clips/" + name;
        MakeClip(path, recipe);
        return path;
    }

    TMainForm& startWith(const QStringList& files)
    {
        TMainForm& form = start(files);
        form.show();
        QApplication::processEvents();
        untilAdded(form);
        return form;
    }

    static TaskThumbnails& thumbnails(TMainForm& form) { return *form.ltvTask->findChild<TaskThumbnails*>(); }

    static QIcon iconOf(TMainForm& form, int row) { return form.ltvTask->topLevelItem(row)->icon(0); }

    static bool anyWaiting(TMainForm& form)
    {
        for (int row = 0; row < form.ltvTask->topLevelItemCount(); ++row) {
            if (iconOf(form, row).cacheKey() == thumbnails(form).waitingIcon().cacheKey())
                return true;
        }
        return false;
    }

    // Runs the event loop until every row shows what its file gives; the guard only ends a hang.
    static void waitForPictures(TMainForm& form)
    {
        const QDeadlineTimer guard(120000);
        while (anyWaiting(form) && !guard.hasExpired()) {
            QEventLoop loop;
            QObject::connect(&thumbnails(form).maker(), &ThumbnailMaker::finished, &loop, &QEventLoop::quit);
            QTimer::singleShot(1000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        ASSERT_FALSE(anyWaiting(form));
    }

    // How wide the picture in a row's icon is, across its middle line.
    static int pictureWidth(TMainForm& form, int row)
    {
        const QImage image = iconOf(form, row).pixmap(TaskThumbnails::Box).toImage();
        int width = 0;
        for (int x = 0; x < image.width(); ++x)
            width += qAlpha(image.pixel(x, image.height() / 2)) > 0 ? 1 : 0;
        return width;
    }

    // Each row's picture is that of the file it names: its width follows the file's shape.
    static void expectPicturesFollowCaptions(TMainForm& form, const QHash<QString, int>& widths)
    {
        for (int row = 0; row < form.ltvTask->topLevelItemCount(); ++row) {
            const QString caption = form.ltvTask->topLevelItem(row)->text(0);
            EXPECT_EQ(pictureWidth(form, row), widths.value(caption)) << "row " << row << ": " << caption.toStdString();
        }
    }
};

}

TEST_F(TaskThumbnailsTest, AVideoShowsItsPictureAndAFileWithoutOneTheFilm)
{
    // Its headers tell of a picture, but no frame of it can be decoded.
    const QString damaged = clip("damaged.avi");
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype frames = bytes.indexOf("movi") + 4;
    bytes.replace(frames, bytes.size() - frames, QByteArray(bytes.size() - frames, '\0'));
    file.seek(0);
    file.write(bytes);
    file.close();
    // A name that is not UTF-8 (Latin-1 "café") reaches the encoder by its bytes.
    const QByteArray latin1 = QFile::encodeName(programDir() + "clips/caf") + "\xE9.avi";
    ASSERT_EQ(rename(QFile::encodeName(clip("latin1.avi")).constData(), latin1.constData()), 0);
    TMainForm& form = startWith({clip("video.avi"), damaged, NameFromBytes(latin1)});
    ASSERT_EQ(form.ltvTask->topLevelItemCount(), 3);
    waitForPictures(form);
    EXPECT_EQ(pictureWidth(form, 2), 48);

    const QIcon picture = iconOf(form, 0);
    EXPECT_NE(picture.cacheKey(), thumbnails(form).filmIcon().cacheKey());
    // A 4:3 picture stands in the middle of the 16:9 box.
    EXPECT_EQ(pictureWidth(form, 0), 48);
    EXPECT_EQ(iconOf(form, 1).cacheKey(), thumbnails(form).filmIcon().cacheKey());
    // Rows tall enough for the pictures.
    EXPECT_GE(form.ltvTask->visualItemRect(form.ltvTask->topLevelItem(0)).height(), TaskThumbnails::Box.height());
}

TEST_F(TaskThumbnailsTest, AnUnchangedFileIsNotMadeAgainAChangedOneIs)
{
    const QString path = clip("video.avi");
    dialogs.filesToOpen = {path};
    TMainForm& form = startWith({path});
    waitForPictures(form);
    EXPECT_EQ(thumbnails(form).maker().runsStarted(), 1);

    form.tbtnClearClick();
    form.tbtnAddFileClick();
    ASSERT_EQ(form.ltvTask->topLevelItemCount(), 1);
    EXPECT_EQ(pictureWidth(form, 0), 48) << "the picture is there as the row is added";
    EXPECT_EQ(thumbnails(form).maker().runsStarted(), 1);

    // The same size, a later modification time.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QFileInfo(path).lastModified().addSecs(10), QFileDevice::FileModificationTime));
    file.close();
    form.tbtnClearClick();
    form.tbtnAddFileClick();
    EXPECT_EQ(iconOf(form, 0).cacheKey(), thumbnails(form).waitingIcon().cacheKey());
    waitForPictures(form);
    EXPECT_EQ(thumbnails(form).maker().runsStarted(), 2);
    EXPECT_EQ(pictureWidth(form, 0), 48);
}

TEST_F(TaskThumbnailsTest, MovedAndRemovedRowsKeepEachFilesPicture)
{
    const QString standard = clip("standard.avi", 320, 240);
    const QString wide = clip("wide.avi", 320, 180);
    const QString upright = clip("upright.avi", 180, 320);
    const QHash<QString, int> widths{{standard, 48}, {wide, 64}, {upright, 20}};
    TMainForm& form = startWith({standard, wide, upright});
    ASSERT_EQ(form.ltvTask->topLevelItemCount(), 3);

    // Moved while the pictures are being made, and again once they are there.
    form.ltvTask->topLevelItem(0)->setSelected(true);
    form.tbtnDownClick();
    waitForPictures(form);
    expectPicturesFollowCaptions(form, widths);
    form.tbtnDownClick();
    expectPicturesFollowCaptions(form, widths);

    form.ltvTask->clearSelection();
    form.ltvTask->topLevelItem(0)->setSelected(true);
    form.tbtnRemoveClick();
    ASSERT_EQ(form.ltvTask->topLevelItemCount(), 2);
    expectPicturesFollowCaptions(form, widths);
}

TEST_F(TaskThumbnailsTest, AStartRemovesTheFoldersOfKilledWindowsAndMadePicturesLeaveNoFile)
{
    qputenv("TMPDIR", programDir().toUtf8());
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    const QString killedWindow = "velmo-joiner-thumbnails-" + QString::number(ended) + "-AbCdEf";
    const QString openWindow = "velmo-joiner-thumbnails-" + QString::number(getppid()) + "-AbCdEf";
    for (const QString& folder : {killedWindow, openWindow}) {
        ASSERT_TRUE(QDir(programDir()).mkdir(folder));
        writeFile(folder + "/1.jpg", "picture");
    }

    TMainForm& form = startWith({clip("video.avi")});
    EXPECT_FALSE(QFileInfo::exists(programDir() + killedWindow));
    EXPECT_TRUE(QFileInfo::exists(programDir() + openWindow + "/1.jpg"));
    waitForPictures(form);
    EXPECT_EQ(pictureWidth(form, 0), 48);
    const QStringList own =
        QDir(programDir()).entryList({"velmo-joiner-thumbnails-" + QString::number(getpid()) + "-*"}, QDir::Dirs);
    ASSERT_EQ(own.size(), 1);
    EXPECT_TRUE(QDir(programDir() + own[0]).isEmpty()) << "the picture is kept in memory";
    qunsetenv("TMPDIR");
}
