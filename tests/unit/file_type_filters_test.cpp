#include "settings/FileTypeFilters.h"
#include "settings/ProgramValues.h"
#include "tasks/InputFiles.h"

#include <gtest/gtest.h>

TEST(FileTypeFilters, OutputDialogOffersEveryOutputTypeButNoMpeg)
{
    EXPECT_EQ(BuildOutputFilter(OutputExtensions()),
              "AVI Files (*.avi)|*.avi|MPG Files (*.mpg)|*.mpg|MP4 Files (*.mp4)|*.mp4|WMV Files (*.wmv)|*.wmv|"
              "MOV Files (*.mov)|*.mov|VOB Files (*.vob)|*.vob|ASF Files (*.asf)|*.asf|FLV Files (*.flv)|*.flv|"
              "MKV Files (*.mkv)|*.mkv|WEBM Files (*.webm)|*.webm|All Files (*.*)|*.*");
}

TEST(FileTypeFilters, OpenDialogStartsWithAllSupportedFilesAndOffersTheNewerTypesOnOneLine)
{
    const QString newer = "*.mkv;*.webm;*.ts;*.mts;*.m2ts;*.m4v;*.3gp;*.flv;*.ogv;*.divx;*.dat";
    EXPECT_EQ(BuildOpenFilter(InputExtensions(), InputFileMask()),
              "All Support Files(*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;" + newer + ";)|"
              "*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;" + newer + ";|AVI Files (*.avi)|*.avi|"
              "MPG Files (*.mpg)|*.mpg|MPEG Files (*.mpeg)|*.mpeg|MP4 Files (*.mp4)|*.mp4|WMV Files (*.wmv)|*.wmv|"
              "MOV Files (*.mov)|*.mov|VOB Files (*.vob)|*.vob|ASF Files (*.asf)|*.asf|"
              "Other Video Files (" + newer + ")|" + newer + "|All Files (*.*)|*.*");
}

TEST(FileTypeFilters, QtDialogsGetBlankSeparatedPatterns)
{
    const QStringList filters = QtFileDialogFilters(BuildOpenFilter(InputExtensions(), InputFileMask()));
    ASSERT_EQ(filters.size(), 11);
    EXPECT_EQ(filters.first(), "All Support Files (*.avi *.mpg *.mpeg *.mp4 *.wmv *.mov *.vob *.asf *.mkv *.webm "
                               "*.ts *.mts *.m2ts *.m4v *.3gp *.flv *.ogv *.divx *.dat)");
    EXPECT_EQ(filters[1], "AVI Files (*.avi)");
    EXPECT_EQ(filters[9], "Other Video Files (*.mkv *.webm *.ts *.mts *.m2ts *.m4v *.3gp *.flv *.ogv *.divx *.dat)");
    EXPECT_EQ(filters.last(), "All Files (*)");
}
