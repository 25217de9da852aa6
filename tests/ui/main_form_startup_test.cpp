#include "tests/ui/ProgramFolderFixture.h"

#include "ui/AboutForm.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

using MainFormStartup = ProgramFolderFixture;

TEST_F(MainFormStartup, CaptionCarriesTheVersionOfThePreferences)
{
    writeFile("Preferences.ini", "[Main]\nVersion=2.0\n");
    TMainForm& form = start();
    EXPECT_EQ(form.windowTitle(), "Velmo AVI Video Joiner V2.0");
    EXPECT_EQ(form.programValues().EncoderPath, programDir() + "asapi.dll");
    EXPECT_EQ(form.edtOutputFile->text(), programDir());
}

TEST_F(MainFormStartup, MissingPreferencesGiveVersionOneFive)
{
    EXPECT_EQ(start().windowTitle(), "Velmo AVI Video Joiner V1.5");
}

TEST_F(MainFormStartup, ProfileListHoldsTheProfilesByNameInCaseInsensitiveOrder)
{
    QDir(programDir()).mkdir("Profiles");
    for (const char* name : {"Profiles/b.bpf", "Profiles/A.BPF", "Profiles/c.txt", "Profiles/.hidden.bpf"})
        writeFile(name);
    TMainForm& form = start();
    ASSERT_EQ(form.cmbProfile->count(), 2);
    EXPECT_EQ(form.cmbProfile->itemText(0), "A");
    EXPECT_EQ(form.cmbProfile->itemText(1), "b");
    EXPECT_FALSE(form.cmbProfile->isEditable());
}

TEST_F(MainFormStartup, TheChosenProfileIsFoundByNameWhenOthersAreAddedBeforeIt)
{
    QDir(programDir()).mkdir("Profiles");
    for (const char* name : {"Profiles/a.bpf", "Profiles/b.bpf"})
        writeFile(name);
    writeFile("Preferences.ini", "[Main]\nProfile=0\nProfile Name=b\n");
    TMainForm& form = start();
    form.show();
    EXPECT_EQ(form.cmbProfile->currentText(), "b");
}

TEST_F(MainFormStartup, DialogsGetTheirFiltersAndDefaultExtension)
{
    TMainForm& form = start();
    EXPECT_TRUE(form.SaveDialog1.filter.endsWith("WEBM Files (*.webm)|*.webm|All Files (*.*)|*.*"));
    EXPECT_EQ(form.SaveDialog1.defaultExtension, "avi");
    EXPECT_TRUE(form.OpenDialog1.filter.startsWith("All Support Files(*.avi;"));
    EXPECT_TRUE(form.OpenDialog1.filter.contains("*.mkv")) << "today's containers are offered too";
}

TEST_F(MainFormStartup, ToolbarAndPanelsStartIdle)
{
    TMainForm& form = start();
    for (QToolButton* enabled : {form.tbtnAddFile, form.tbtnAddDir, form.tbtnSetting, form.tbtnAbout, form.tbtnHelp})
        EXPECT_TRUE(enabled->isEnabled()) << enabled->toolTip().toStdString();
    for (QToolButton* disabled : {form.tbtnUp, form.tbtnDown, form.tbtnRemove, form.tbtnClear, form.tbtnStart,
                                  form.tbtnStop})
        EXPECT_FALSE(disabled->isEnabled()) << disabled->toolTip().toStdString();
    EXPECT_EQ(form.tbtnAddFile->toolTip(), "Add Video Files");
    EXPECT_EQ(form.tbtnSetting->toolTip(), "General Settings");
    EXPECT_EQ(form.tbtnAddFile->iconSize(), QSize(48, 48));

    form.show();
    EXPECT_TRUE(form.panBottomCenter->isVisible());
    EXPECT_FALSE(form.panBottomLeft->isVisible());
    EXPECT_TRUE(form.panltvTask->isVisible());
    EXPECT_FALSE(form.Image2->pixmap().isNull()) << "the intro picture must decode";
    for (const QSize size : {QSize(798, 542), QSize(1600, 1000), QSize(640, 420)}) {
        form.resize(size);
        QApplication::processEvents();
        EXPECT_TRUE(form.panltvTask->geometry().contains(form.ltvTask->geometry().adjusted(1, 1, -1, -1)))
            << "the intro covers the list at " << size.width() << "x" << size.height();
        EXPECT_EQ(form.Image2->size(), form.panltvTask->size());
    }
    EXPECT_EQ(form.labProgramName->text(), "Velmo AVI Video Joiner");
    EXPECT_EQ(form.labProgramNameShadow->pos(), form.labProgramName->pos() + QPoint(2, 2));
    EXPECT_EQ(form.pgbCurrent->maximum(), 100);
}

TEST_F(MainFormStartup, TaskListHasFourVisibleColumnsAndTenCellsPerRow)
{
    TMainForm& form = start();
    QStringList headers;
    int visible = 0;
    for (int column = 0; column < form.ltvTask->columnCount(); ++column) {
        if (!form.ltvTask->isColumnHidden(column)) {
            ++visible;
            headers << form.ltvTask->headerItem()->text(column);
        }
    }
    EXPECT_EQ(visible, 4);
    EXPECT_EQ(headers, (QStringList{"Input File", "Length", "Size", "Status"}));
    EXPECT_EQ(form.ltvTask->columnCount(), 11);
    EXPECT_EQ(form.ltvTask->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(form.ltvTask->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(form.ltvTask->header()->styleSheet().contains("rgb(243, 243, 243)"));
}

TEST_F(MainFormStartup, ColumnsStartAtTheirWidthsAndFollowTheListWidth)
{
    TMainForm& form = start();
    EXPECT_EQ(form.columnWidths(), (QList<int>{350, 90, 80, 150}));
    EXPECT_EQ(form.RememberedWidth, 770);
    EXPECT_EQ(form.ltvTask->header()->length(), 670) << "hidden cells must take no room";

    form.ltvTaskResize(870);
    EXPECT_EQ(form.columnWidths(), (QList<int>{399, 107, 95, 169}));
    form.ltvTaskResize(850);
    EXPECT_EQ(form.columnWidths(), (QList<int>{389, 104, 92, 165}));
    form.ltvTaskResize(850);
    EXPECT_EQ(form.columnWidths(), (QList<int>{389, 104, 92, 165}));
}

TEST_F(MainFormStartup, ShownWindowSizesColumnsToTheRealListWidth)
{
    TMainForm& form = start();
    form.show();
    EXPECT_EQ(form.RememberedWidth, form.ltvTask->width());
    EXPECT_LE(form.ltvTask->header()->length(), form.ltvTask->viewport()->width());
}

TEST_F(MainFormStartup, ColumnsNeverShrinkAwayInANarrowWindow)
{
    TMainForm& form = start();
    form.ltvTaskResize(-2000);
    for (int width : form.columnWidths())
        EXPECT_GT(width, 0);
}

TEST_F(MainFormStartup, HelpLogoAndBrowserCommands)
{
    TMainForm& form = start();
    form.tbtnHelp->click();
    form.Image1Click();
    EXPECT_EQ(shell.opened, (QStringList{programDir() + "Velmo.chm", ProgramValues::HomePage}));

    dialogs.fileToSave = "/home/user/joined.avi";
    form.bbtnBrowser->click();
    EXPECT_EQ(form.edtOutputFile->text(), "/home/user/joined.avi");
    EXPECT_EQ(dialogs.lastOptions.defaultExtension, "avi");

    dialogs.fileToSave.clear();
    form.bbtnBrowser->click();
    EXPECT_EQ(form.edtOutputFile->text(), "/home/user/joined.avi") << "a cancelled dialog changes nothing";
}

// Most Linux desktops have no program for ".chm": the same pages open in the browser,
// and where nothing opens at all the user is told rather than left guessing.
TEST_F(MainFormStartup, HelpFallsBackToItsWebPagesThenToAMessage)
{
    TMainForm& form = start();
    shell.refused = {".chm"};
    form.tbtnHelp->click();
    EXPECT_EQ(shell.opened, QStringList{programDir() + "help/index.html"});
    EXPECT_TRUE(prompter.messages.isEmpty());

    shell.refused = {".chm", ".html", "/"};
    form.tbtnHelp->click();
    form.Image1Click();
    EXPECT_EQ(shell.opened.size(), 1);
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_TRUE(prompter.messages[0].text.contains("Velmo.chm")) << prompter.messages[0].text.toStdString();
    EXPECT_TRUE(prompter.messages[0].text.contains("help/index.html"));
    EXPECT_TRUE(prompter.messages[1].text.contains(ProgramValues::HomePage));
}

TEST_F(MainFormStartup, OpenOutputOpensTheFileElseItsFolderElseNothing)
{
    TMainForm& form = start();
    writeFile("out.avi", "x");
    form.edtOutputFile->setText(programDir() + "out.avi");
    form.bbtnOpen->click();
    form.edtOutputFile->setText(programDir() + "missing.avi");
    form.bbtnOpen->click();
    form.edtOutputFile->setText("/no/such/folder/missing.avi");
    form.bbtnOpen->click();
    form.edtOutputFile->setText("/root-file.avi");
    form.bbtnOpen->click();
    EXPECT_EQ(shell.opened, (QStringList{programDir() + "out.avi", m_folder.path(), "/"}));
}

TEST_F(MainFormStartup, AboutBoxShowsProductAndVersionAndBlocksTheMainWindow)
{
    writeFile("Preferences.ini", "[Main]\nVersion=2.0\n");
    TMainForm& form = start();
    form.show();
    form.tbtnAbout->click();
    auto* about = form.findChild<TAboutForm*>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_NE(about->windowModality(), Qt::NonModal);
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(about->labProgramName->text(), "Velmo AVI Video Joiner");
    EXPECT_EQ(about->labVersion->text(), "Version 2.0");
    EXPECT_EQ(about->labVisitWebsite->text(), "Visit our website");

    about->btnTechClick();
    about->btnSalesClick();
    about->labWebsiteClick();
    EXPECT_EQ(shell.opened, (QStringList{QString("mailto:") + ProgramValues::SupportMail,
                                         QString("mailto:") + ProgramValues::SalesMail, ProgramValues::HomePage}));
    about->btnOK->click();
    EXPECT_FALSE(about->isVisible());
    form.tbtnAbout->click();
    EXPECT_EQ(form.findChildren<TAboutForm*>().size(), 1) << "the box is shown again, not made anew";
}

TEST_F(MainFormStartup, AboutBoxWithoutVersionShowsOneFive)
{
    TMainForm& form = start();
    TAboutForm about(form.programValues(), shell, &form);
    EXPECT_EQ(about.labVersion->text(), "Version 1.5");
}

}
