#include "tests/support/Clips.h"
#include "tests/ui/ProgramFolderFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// The list commands reach the task list through the real list view.
class MainFormTaskList : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        QDir(m_folder.path()).mkdir("clips");
        ClipRecipe recipe;
        recipe.seconds = 1.0;
        recipe.width = 160;
        recipe.height = 120;
        recipe.audio = false;
        for (const char* name : {"a.avi", "b.avi", "c.avi"})
            MakeClip(clip(name), recipe);
    }

    // The events of a real double click, on the list's empty space below its rows.
    static void doubleClickBelowTheRows(TMainForm& form)
    {
        QWidget* viewport = form.ltvTask->viewport();
        const QPointF below(5, viewport->height() - 5);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                        QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, below, viewport->mapToGlobal(below), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &event);
        }
    }

    QString clip(const QString& name) const { return programDir() + "clips/" + name; }

    static QStringList captions(const TMainForm& form)
    {
        QStringList texts;
        for (int row = 0; row < form.ltvTask->topLevelItemCount(); ++row)
            texts << form.ltvTask->topLevelItem(row)->text(0);
        return texts;
    }

    static bool listButtonsEnabled(const TMainForm& form, bool enabled)
    {
        for (QToolButton* button : {form.tbtnUp, form.tbtnDown, form.tbtnRemove, form.tbtnClear, form.tbtnStart}) {
            if (button->isEnabled() != enabled)
                return false;
        }
        return true;
    }

    static void press(TMainForm& form, Qt::Key key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(form.ltvTask, &event);
    }
};

TEST_F(MainFormTaskList, CommandLineFilesFillTheVisibleColumnsAtStartUp)
{
    TMainForm& form = start({clip("b.avi"), programDir() + "clips/missing.avi"});
    EXPECT_EQ(captions(form), QStringList{clip("b.avi")});
    EXPECT_TRUE(listButtonsEnabled(form, true));
    EXPECT_TRUE(form.panltvTask->isHidden());
    const QTreeWidgetItem* row = form.ltvTask->topLevelItem(0);
    EXPECT_EQ(row->text(1), "00:00:01");
    EXPECT_EQ(row->text(2), "160x120");
    EXPECT_EQ(row->text(3), "OK");
}

TEST_F(MainFormTaskList, StartWithoutArgumentsKeepsTheIntroAndTheButtonsOff)
{
    TMainForm& form = start();
    EXPECT_FALSE(form.panltvTask->isHidden());
    EXPECT_TRUE(listButtonsEnabled(form, false));
}

TEST_F(MainFormTaskList, AddFilesAndAddDirectoryUseTheirDialogs)
{
    TMainForm& form = start();
    dialogs.filesToOpen = {clip("c.avi"), clip("a.avi")};
    form.tbtnAddFile->click();
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("c.avi")}));
    EXPECT_EQ(dialogs.lastOptions.filter, form.OpenDialog1.filter);
    EXPECT_TRUE(listButtonsEnabled(form, true));

    dialogs.folderToBrowse = programDir() + "clips";
    prompter.answer(false);
    prompter.answer(false);
    form.mnuAddDirectory->trigger();
    EXPECT_EQ(dialogs.lastFolderTitle, "Add a directory to the Task List");
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("c.avi"), clip("b.avi")}));
}

TEST_F(MainFormTaskList, KeysMoveButtonsAndOpenReachTheList)
{
    TMainForm& form = start({programDir() + "clips"});
    press(form, Qt::Key_Delete);
    EXPECT_EQ(captions(form).size(), 3) << "Delete with nothing selected changes nothing";

    form.ltvTask->topLevelItem(2)->setSelected(true);
    form.tbtnUp->click();
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("c.avi"), clip("b.avi")}));
    EXPECT_EQ(form.ltvTask->topLevelItem(1)->text(1), "00:00:01") << "the cells travel with the path";
    form.ltvTaskDblClick();
    EXPECT_EQ(shell.opened, QStringList{clip("c.avi")});
    doubleClickBelowTheRows(form);
    EXPECT_EQ(shell.opened, (QStringList{clip("c.avi"), clip("c.avi")})) << "empty space opens the selection";

    press(form, Qt::Key_Delete);
    EXPECT_EQ(captions(form), (QStringList{clip("a.avi"), clip("b.avi")}));
    EXPECT_TRUE(listButtonsEnabled(form, true));

    press(form, Qt::Key_Backspace);
    EXPECT_TRUE(captions(form).isEmpty());
    EXPECT_TRUE(listButtonsEnabled(form, false));
    EXPECT_TRUE(prompter.messages.isEmpty()) << "neither key asks";
}

TEST_F(MainFormTaskList, PopupMenuFollowsTheListAndTheSelection)
{
    TMainForm& form = start();
    form.ppmTaskPopup();
    EXPECT_FALSE(form.mnuOpen->isEnabled());
    EXPECT_FALSE(form.mnuRemove->isEnabled());
    EXPECT_FALSE(form.mnuClear->isEnabled());
    EXPECT_TRUE(form.mnuAddFiles->isEnabled());
    EXPECT_EQ(form.mnuAddDirectory->text(), "Add Directorys...");

    form.DropFiles({clip("a.avi")});
    form.ppmTaskPopup();
    EXPECT_FALSE(form.mnuOpen->isEnabled());
    EXPECT_TRUE(form.mnuClear->isEnabled());
    form.ltvTask->topLevelItem(0)->setSelected(true);
    form.ppmTaskPopup();
    EXPECT_TRUE(form.mnuOpen->isEnabled());
    EXPECT_TRUE(form.mnuRemove->isEnabled());
}

TEST_F(MainFormTaskList, DropsAreIgnoredWhileTheListIsDisabled)
{
    TMainForm& form = start();
    form.ltvTask->setEnabled(false);
    form.DropFiles({programDir() + "clips"});
    EXPECT_TRUE(captions(form).isEmpty());
    EXPECT_TRUE(form.panltvTask->isHidden());

    form.ltvTask->setEnabled(true);
    form.DropFiles({programDir() + "clips"});
    EXPECT_EQ(captions(form).size(), 3);
    EXPECT_TRUE(listButtonsEnabled(form, true));
}

}
