#include "tasks/InputFiles.h"
#include "tasks/TaskEntry.h"
#include "tasks/MemoryTaskRowStore.h"

#include <gtest/gtest.h>

namespace {

MemoryTaskRowStore OneFilledRow()
{
    MemoryTaskRowStore rows;
    rows.appendRow("/v/a.avi");
    const QStringList cells{"00:01:23.5", "720x576", "OK", "a", "four", "00:00:10", "", "junk", "01:00:00", "00:00:00.5"};
    for (int cell = 0; cell < TaskRowStore::CellCount; ++cell)
        rows.setCell(0, cell, cells[cell]);
    return rows;
}

}

TEST(TaskEntryTest, WholeReadTakesPathCellsAndParsesTheLength)
{
    const MemoryTaskRowStore rows = OneFilledRow();
    ltvItemData entry;
    ReadTaskEntry(rows, 0, EntryWhole, entry);
    EXPECT_EQ(entry.path, "/v/a.avi");
    EXPECT_EQ(entry.cells[1], "720x576");
    EXPECT_EQ(entry.cells[4], "four");
    EXPECT_DOUBLE_EQ(entry.LengthSeconds, 83.5);
}

TEST(TaskEntryTest, NarrowReadsTouchOnlyTheirField)
{
    const MemoryTaskRowStore rows = OneFilledRow();

    ltvItemData pathOnly;
    ReadTaskEntry(rows, 0, EntryPath, pathOnly);
    EXPECT_EQ(pathOnly.path, "/v/a.avi");
    EXPECT_EQ(pathOnly.cells[0], "");
    EXPECT_EQ(pathOnly.LengthSeconds, -1);

    ltvItemData length;
    ReadTaskEntry(rows, 0, CellLength, length);
    EXPECT_EQ(length.path, "");
    EXPECT_EQ(length.cells[0], "00:01:23.5");
    EXPECT_DOUBLE_EQ(length.LengthSeconds, 83.5);
    EXPECT_EQ(length.cells[1], "");

    ltvItemData spare;
    ReadTaskEntry(rows, 0, 8, spare);
    EXPECT_EQ(spare.cells[8], "01:00:00");
    EXPECT_EQ(spare.LengthSeconds, -1);
}

TEST(TaskEntryTest, WritesTouchOnlyTheirFieldAndTheStatusRoundTrips)
{
    MemoryTaskRowStore rows = OneFilledRow();
    ltvItemData entry;
    ReadTaskEntry(rows, 0, EntryWhole, entry);

    entry.cells[CellStatus] = "Converting";
    entry.cells[CellSize] = "changed but not written";
    entry.path = "/elsewhere.avi";
    WriteTaskEntry(rows, 0, CellStatus, entry);
    EXPECT_EQ(rows.cell(0, CellStatus), "Converting");
    EXPECT_EQ(rows.cell(0, CellSize), "720x576");
    EXPECT_EQ(rows.caption(0), "/v/a.avi");

    WriteTaskEntry(rows, 0, EntryPath, entry);
    EXPECT_EQ(rows.caption(0), "/elsewhere.avi");
    EXPECT_EQ(rows.cell(0, CellSize), "720x576");

    rows.appendRow("second");
    WriteTaskEntry(rows, 1, EntryWhole, entry);
    EXPECT_EQ(rows.caption(1), "/elsewhere.avi");
    for (int cell = 0; cell < TaskRowStore::CellCount; ++cell)
        EXPECT_EQ(rows.cell(1, cell), entry.cells[cell]) << "cell " << cell;
}

TEST(InputFilesTest, TheMaskListsEveryAcceptedExtensionInOrder)
{
    EXPECT_EQ(InputFileMask(), "*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;"
                               "*.mkv;*.webm;*.ts;*.mts;*.m2ts;*.m4v;*.3gp;*.flv;*.ogv;*.divx;*.dat;");
}

TEST(InputFilesTest, ExtensionsAreComparedLowerCased)
{
    EXPECT_TRUE(IsSupportedInput("/v/clip.MPG"));
    EXPECT_TRUE(IsSupportedInput("/v/my.film.mpeg"));
    EXPECT_TRUE(IsSupportedInput("/v/x.Asf"));
    EXPECT_TRUE(IsSupportedInput("/v/clip.M2TS"));
    EXPECT_FALSE(IsSupportedInput("/v/clip.rm"));
    EXPECT_FALSE(IsSupportedInput("/v/clip"));
    EXPECT_FALSE(IsSupportedInput("/v.avi/clip"));
    EXPECT_FALSE(IsSupportedInput("/v/clip.avi.txt"));
}
