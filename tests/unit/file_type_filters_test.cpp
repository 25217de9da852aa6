#include "settings/FileTypeFilters.h"
#include "settings/ProgramValues.h"
#include "tasks/InputFiles.h"

#include <gtest/gtest.h>

TEST(FileTypeFilters, OutputDialogOffersEveryOutputTypeButNoMpeg)
{
    EXPECT_EQ(BuildOutputFilter(OutputExtensions()),
              "AVI Files (*.avi)|*.avi|MPG Files (*.mpg)|*.mpg|MP4 Files (*.mp4)|*.mp4|WMV Files (*.wmv)|*.wmv|"
              "MOV Files (*.mov)|*.mov|VOB Files (*.vob)|*.vob|ASF Files (*.asf)|*.asf|FLV Files (*.flv)|*.flv|"
              "All Files (*.*)|*.*");
}

TEST(FileTypeFilters, OpenDialogStartsWithAllSupportedFilesAndHasNoFlv)
{
    EXPECT_EQ(BuildOpenFilter(InputExtensions(), InputFileMask()),
              "All Support Files(*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;)|"
              "*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;|AVI Files (*.avi)|*.avi|MPG Files (*.mpg)|*.mpg|"
              "MPEG Files (*.mpeg)|*.mpeg|MP4 Files (*.mp4)|*.mp4|WMV Files (*.wmv)|*.wmv|MOV Files (*.mov)|*.mov|"
              "VOB Files (*.vob)|*.vob|ASF Files (*.asf)|*.asf|All Files (*.*)|*.*");
}

TEST(FileTypeFilters, QtDialogsGetBlankSeparatedPatterns)
{
    const QStringList filters = QtFileDialogFilters(BuildOpenFilter(InputExtensions(), InputFileMask()));
    ASSERT_EQ(filters.size(), 10);
    EXPECT_EQ(filters.first(), "All Support Files (*.avi *.mpg *.mpeg *.mp4 *.wmv *.mov *.vob *.asf)");
    EXPECT_EQ(filters[1], "AVI Files (*.avi)");
    EXPECT_EQ(filters.last(), "All Files (*)");
}
