#include "core/PathRules.h"
#include "profiles/ProfileFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

}

TEST(ListFilesByExt, ListsVisibleFilesOfTheExtensionIgnoringCase)
{
    QTemporaryDir dir;
    for (const char* name : {"b.bpf", "A.BPF", "c.txt", ".hidden.bpf", "a.b.Bpf", "bpf"})
        Touch(dir.filePath(name));
    QDir(dir.path()).mkdir("folder.bpf");
    EXPECT_EQ(ListFilesByExt(dir.path(), ".bpf"), (QStringList{"a.b.Bpf", "A.BPF", "b.bpf"}));
}

TEST(ListFilesByExt, MissingFolderGivesNothing)
{
    EXPECT_TRUE(ListFilesByExt("/no/such/folder", ".bpf").isEmpty());
}

TEST(StripExtension, CutsAtTheLastDotOnly)
{
    EXPECT_EQ(StripExtension("movie.part1.avi"), "movie.part1");
    EXPECT_EQ(StripExtension("movie"), "movie");
    EXPECT_EQ(StripExtension("Standard.bpf"), "Standard");
}
